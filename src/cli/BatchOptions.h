#pragma once

#include "core/Error.h"

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

    /// Whether the seven views have to be built.
    bool needsViews() const {
        return !viewsFolder.empty() || !gifPath.empty() || !anaglyphPath.empty() || !jpsPath.empty();
    }
};

/// A command line that asks for something impossible: an unknown option, a missing or
/// unreadable value, no PSD, a table row the picture does not have. The program
/// exits with status 2 for it, and 1 for a failure of the work itself.
class UsageError : public Error {
public:
    using Error::Error;
};

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

/// Parses the command line (without the program name). Throws UsageError with a
/// message for unknown options, missing values, values that are not numbers and a
/// missing PSD.
BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments);

/// The text of --help.
const char* BatchUsage();

} // namespace deptrix
