#include "core/TemporaryFiles.h"

#include "core/Error.h"
#include "core/FileDescriptor.h"
#include "core/FileIo.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace deptrix {

namespace {

// Room for the rest of a temporary name within the usual 255-byte limit of a name.
constexpr std::size_t kMaxBaseBytes = 200;
constexpr std::size_t kTagLength = 8;
constexpr std::string_view kSetPrefix = ".deptrix-set-";
constexpr std::string_view kSetHeader = "deptrix file set\n";
constexpr std::string_view kSetTrailer = "end\n";
constexpr std::size_t kMaxSetBytes = 1 << 20;
constexpr int kNameAttempts = 100;

std::string TemporaryBase(const std::filesystem::path& target) {
    std::string base = target.filename().string();
    if (base.size() > kMaxBaseBytes) base.resize(kMaxBaseBytes);
    return base;
}

bool IsTagCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// "<pid>-<tag>" exactly, as the end of one of our names.
std::optional<long> ProcessAndTag(std::string_view text) {
    const std::size_t dash = text.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10 || text[0] == '0') return {};
    long pid = 0;
    for (const char c : text.substr(0, dash)) {
        if (c < '0' || c > '9') return {};
        pid = pid * 10 + (c - '0');
    }
    const std::string_view tag = text.substr(dash + 1);
    if (pid > INT_MAX || tag.size() != kTagLength) return {};
    for (const char c : tag)
        if (!IsTagCharacter(c)) return {};
    return pid;
}

bool IsOwnRegularFile(const std::filesystem::path& path) {
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
}

std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end;
         !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    return names; // a folder that cannot be listed leaves the write to report the problem
}

bool IsSingleName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// The renames of a finished record of process `pid`; nothing for one its writer did not
// finish, or for anything else under the name.
std::optional<std::vector<SetRename>> ParseSetRecord(std::string_view text, long pid) {
    if (text.substr(0, kSetHeader.size()) != kSetHeader) return {};
    text.remove_prefix(kSetHeader.size());
    const std::size_t lineEnd = text.find('\n');
    if (lineEnd == std::string_view::npos || lineEnd == 0 || lineEnd > 6) return {};
    std::size_t count = 0;
    for (const char c : text.substr(0, lineEnd)) {
        if (c < '0' || c > '9') return {};
        count = count * 10 + static_cast<std::size_t>(c - '0');
    }
    text.remove_prefix(lineEnd + 1);
    std::vector<SetRename> renames;
    const auto nextName = [&text]() -> std::optional<std::string> {
        const std::size_t end = text.find('\0');
        if (end == std::string_view::npos) return {};
        std::string name(text.substr(0, end));
        text.remove_prefix(end + 1);
        return name;
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<std::string> temporary = nextName();
        const std::optional<std::string> target = temporary ? nextName() : std::nullopt;
        if (!target || !IsSingleName(*temporary) || !IsSingleName(*target)
            || TemporaryFileWriter(*temporary, *target) != pid)
            return {};
        renames.push_back({ *temporary, *target });
    }
    if (text != kSetTrailer) return {};
    return renames;
}

std::optional<long> SetRecordWriter(std::string_view name) {
    if (name.substr(0, kSetPrefix.size()) != kSetPrefix) return {};
    return ProcessAndTag(name.substr(kSetPrefix.size()));
}

[[noreturn]] void ThrowIncompleteSet(const std::filesystem::path& record, int error) {
    throw Error("The files a stopped run left half renamed in " + DisplayFolder(record)
        + " cannot be completed (" + std::generic_category().message(error) + ")");
}

void CompleteSet(const std::filesystem::path& folder, const std::string& recordName, long pid) {
    const std::filesystem::path record = folder / recordName;
    std::string text;
    {
        const FileDescriptor fd(::open(record.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat status { };
        if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) return; // gone meanwhile, or not a file
        if (!S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) return; // not ours
        if (static_cast<std::size_t>(status.st_size) <= kMaxSetBytes) {
            text.resize(static_cast<std::size_t>(status.st_size));
            std::size_t done = 0;
            while (done < text.size()) {
                const ssize_t got = ::read(fd.get(), text.data() + done, text.size() - done);
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) break;
                done += static_cast<std::size_t>(got);
            }
            text.resize(done);
        }
    }
    if (const std::optional<std::vector<SetRename>> renames = ParseSetRecord(text, pid)) {
        for (const SetRename& rename : *renames) {
            const std::filesystem::path temporary = folder / rename.temporaryName;
            if (!IsOwnRegularFile(temporary)) continue; // renamed before the stop, or not ours
            if (::rename(temporary.c_str(), (folder / rename.targetName).c_str()) != 0)
                ThrowIncompleteSet(record, errno);
        }
        SyncFolder(folder);
    }
    if (::unlink(record.c_str()) != 0 && errno != ENOENT) ThrowIncompleteSet(record, errno);
}

} // namespace

std::string TemporaryFileName(const std::filesystem::path& target, std::string_view tag) {
    return TemporaryBase(target) + ".tmp" + std::to_string(::getpid()) + "-" + std::string(tag);
}

std::optional<long> TemporaryFileWriter(std::string_view name, const std::filesystem::path& target) {
    const std::string prefix = TemporaryBase(target) + ".tmp";
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return {};
    return ProcessAndTag(name.substr(prefix.size()));
}

bool ProcessHasEnded(long pid) {
    if (pid <= 0 || pid > INT_MAX || pid == ::getpid()) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

std::filesystem::path RecordFileSet(const std::filesystem::path& folder,
    const std::vector<SetRename>& renames, const std::filesystem::path& shownAs) {
    std::string text(kSetHeader);
    text += std::to_string(renames.size()) + "\n";
    for (const SetRename& rename : renames) {
        text.append(rename.temporaryName).push_back('\0');
        text.append(rename.targetName).push_back('\0');
    }
    text += kSetTrailer;

    const std::string prefix = std::string(kSetPrefix) + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path record = folder / (prefix + detail::RandomTag());
        const int fd
            = ::open(record.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            ThrowWriteError(shownAs, errno);
        }
        int error = 0;
        try {
            WriteAllBytes(
                fd, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), shownAs);
            if (::fsync(fd) != 0 && errno != EINVAL) error = errno;
        } catch (...) {
            ::close(fd);
            ::unlink(record.c_str());
            throw;
        }
        if (::close(fd) != 0 && error == 0) error = errno;
        if (error != 0) {
            ::unlink(record.c_str());
            ThrowWriteError(shownAs, error);
        }
        SyncFolder(folder);
        detail::Checkpoint("set recorded");
        return record;
    }
    throw Error(DisplayName(shownAs) + ": cannot write the file in " + DisplayFolder(shownAs)
        + " (every temporary name tried is taken)");
}

void CompleteInterruptedFileSets(const std::filesystem::path& folder) {
    for (const std::string& name : NamesIn(folder)) {
        const std::optional<long> writer = SetRecordWriter(name);
        if (writer && ProcessHasEnded(*writer)) CompleteSet(folder, name, *writer);
    }
}

void ClearInterruptedWrites(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.parent_path();
    CompleteInterruptedFileSets(folder);
    for (const std::string& name : NamesIn(folder)) {
        const std::optional<long> writer = TemporaryFileWriter(name, target);
        const std::filesystem::path leftover = folder / name;
        if (writer && ProcessHasEnded(*writer) && IsOwnRegularFile(leftover)) ::unlink(leftover.c_str());
    }
}

} // namespace deptrix
