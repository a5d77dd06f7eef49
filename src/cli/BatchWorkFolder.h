#pragma once

#include <filesystem>
#include <string>

namespace deptrix {

/// The private folder for the work files of one run, "deptrix-batch-<pid>-XXXXXX" in the
/// system's temporary folder, removed at the end. The process id in its name lets the
/// next run remove the folders of runs that were killed: creating one first removes
/// those of this user whose process has ended.
class BatchWorkFolder {
public:
    /// Throws Error when the folder cannot be created.
    explicit BatchWorkFolder(const std::filesystem::path& base = std::filesystem::temp_directory_path());
    ~BatchWorkFolder();
    BatchWorkFolder(const BatchWorkFolder&) = delete;
    BatchWorkFolder& operator=(const BatchWorkFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// The folder --work names, made ready for the work files as the window's work folder
/// is: created owner-only when it does not exist; refused (UsageError naming it and
/// the reason) when it is a link, not a folder, another user's, or writable by others.
void PrepareNamedWorkFolder(const std::string& folder);

} // namespace deptrix
