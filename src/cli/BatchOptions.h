#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace deptrix {

/// What the batch front end was asked to do.
struct BatchOptions {
    bool help = false;
    bool info = false;
    std::string psdPath;
    std::string dumpFolder;
    std::string viewsFolder;
    std::optional<std::string> focusText; ///< as typed into the focus field
    std::optional<std::string> depthText; ///< as typed into the depth field
    std::map<int, std::string> offsets; ///< table row -> offset text
    std::string gifPath;
    std::string anaglyphPath;
    std::string jpsPath;
    std::string settingsPath; ///< applied after the import, as Open settings does
    std::string projectPath; ///< opened as Open project does, instead of a PSD
    std::string saveSettingsPath; ///< the set-up written as a settings file

    /// Whether a settings or project file sets the document up.
    bool setUpFromFile() const { return !settingsPath.empty() || !projectPath.empty(); }

    /// Whether the seven views have to be built.
    bool needsViews() const {
        return !viewsFolder.empty() || !gifPath.empty() || !anaglyphPath.empty() || !jpsPath.empty();
    }
};

/// Parses the command line (without the program name). Throws Error with a message
/// for unknown options, missing values and a missing PSD or project.
BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments);

/// The text of --help.
const char* BatchUsage();

} // namespace deptrix
