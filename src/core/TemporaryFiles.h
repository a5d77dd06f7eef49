#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace deptrix {

// A file on its way to its target is written under "<target name>.tmp<pid>-<tag>" in
// the target's folder, and several files that must reach their names together are
// recorded in ".deptrix-set-<pid>-<tag>" there before the first of them is renamed.
// The process id lets a later write tell what a killed run left behind from the files
// of a run that is still going.

/// The temporary name of `target` with `tag`, for this process.
std::string TemporaryFileName(const std::filesystem::path& target, std::string_view tag);

/// The process that made `name` as a temporary file of `target`; set only when the name
/// follows the pattern exactly, with a tag of eight letters or digits.
std::optional<long> TemporaryFileWriter(std::string_view name, const std::filesystem::path& target);

/// Whether process `pid` has ended. This process, and processes of other users that
/// are still running, have not.
bool ProcessHasEnded(long pid);

/// One rename that completes a set: a temporary name and its target, both in one folder.
struct SetRename {
    std::string temporaryName;
    std::string targetName;
};

/// Records, durably, the renames that complete a set in `folder`: once this returns, the
/// set is completed by the next write in the folder even if this process dies. Returns
/// the record, which the caller removes when every rename is done. Failures throw the
/// write error of `shownAs`.
std::filesystem::path RecordFileSet(const std::filesystem::path& folder,
    const std::vector<SetRename>& renames, const std::filesystem::path& shownAs);

/// Completes the sets recorded in `folder` by processes that have ended: every recorded
/// temporary file still there is renamed to its target, then the record goes. A record
/// its writer did not finish is removed without renaming anything. Throws Error naming
/// the folder when a set cannot be completed.
void CompleteInterruptedFileSets(const std::filesystem::path& folder);

/// At the start of a write of `target`: completes the interrupted sets of its folder,
/// then removes the temporary files of `target` that ended processes left (only regular
/// files of this user). Throws Error when a set cannot be completed.
void ClearInterruptedWrites(const std::filesystem::path& target);

} // namespace deptrix
