#include "cli/BatchWorkFolder.h"

#include "cli/BatchOptions.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/PrintableText.h"
#include "core/PrivateFolder.h"
#include "core/TemporaryFiles.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace deptrix {

namespace {

constexpr std::string_view kPrefix = "deptrix-batch-";

// The process of a work folder name "deptrix-batch-<pid>-XXXXXX" (mkdtemp's six
// letters and digits), when the name is exactly that.
std::optional<long> FolderProcess(std::string_view name) {
    if (name.substr(0, kPrefix.size()) != kPrefix) return {};
    name.remove_prefix(kPrefix.size());
    const std::size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10 || name[0] == '0' || name.size() != dash + 7)
        return {};
    long pid = 0;
    for (const char c : name.substr(0, dash)) {
        if (c < '0' || c > '9') return {};
        pid = pid * 10 + (c - '0');
    }
    for (const char c : name.substr(dash + 1))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return {};
    return pid;
}

void RemoveFoldersOfEndedRuns(const std::filesystem::path& base) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const std::optional<long> pid = FolderProcess(it->path().filename().string());
        struct stat status { };
        if (!pid || ::lstat(it->path().c_str(), &status) != 0 || !S_ISDIR(status.st_mode)
            || status.st_uid != ::geteuid() || !ProcessHasEnded(*pid))
            continue;
        std::error_code ignored;
        std::filesystem::remove_all(it->path(), ignored);
    }
}

} // namespace

BatchWorkFolder::BatchWorkFolder(const std::filesystem::path& base) {
    RemoveFoldersOfEndedRuns(base);
    // mkdtemp makes a new folder, owner-only from the start; a name someone else made
    // first is never used.
    std::string pattern = (base / (std::string(kPrefix) + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw Error("cannot create a work folder in " + PrintableText(base.string()) + " ("
            + std::generic_category().message(errno) + ")");
    m_path = pattern;
    detail::Checkpoint("work folder made");
}

BatchWorkFolder::~BatchWorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void PrepareNamedWorkFolder(const std::string& folder) {
    std::filesystem::path path = std::filesystem::path(folder).lexically_normal();
    // "out/" is the folder "out": with the slash, the checks would follow a link there.
    if (path.filename().empty() && path.has_parent_path() && path != path.root_path())
        path = path.parent_path();
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    bool openToOthers = false;
    const std::string problem = MakePrivateFolder(path, OpenFolder::Refuse, openToOthers);
    if (!problem.empty())
        throw UsageError(
            "--work " + PrintableText(folder) + ": the folder cannot hold the work files: " + problem);
}

} // namespace deptrix
