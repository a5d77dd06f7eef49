#include "core/PrivateFolder.h"

#include "core/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace deptrix {

namespace {

std::string Reason(int error) {
    return std::generic_category().message(error);
}

} // namespace

std::string MakePrivateFolder(const std::filesystem::path& folder, OpenFolder open, bool& wasOpen) {
    wasOpen = false;
    const char* name = folder.c_str();
    if (::mkdir(name, 0700) != 0 && errno != EEXIST) return "it cannot be created (" + Reason(errno) + ")";
    struct stat named { };
    if (::lstat(name, &named) != 0) return "it cannot be examined (" + Reason(errno) + ")";
    if (S_ISLNK(named.st_mode)) return "it is a symbolic link";
    if (!S_ISDIR(named.st_mode)) return "it is not a folder";
    // The checks and the change go through one descriptor, so the name cannot be
    // swapped for something else in between.
    const FileDescriptor dir(::open(name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened { };
    if (dir.get() < 0 || ::fstat(dir.get(), &opened) != 0)
        return "it cannot be opened (" + Reason(errno) + ")";
    if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
        return "it changed while it was checked";
    if (opened.st_uid != ::geteuid()) return "it belongs to another user";
    if (open == OpenFolder::Refuse) {
        wasOpen = (opened.st_mode & 022) != 0;
        return wasOpen ? "other users may write to it" : std::string();
    }
    if ((opened.st_mode & 077) != 0) {
        wasOpen = true;
        if (::fchmod(dir.get(), 0700) != 0)
            return "its permissions cannot be narrowed (" + Reason(errno) + ")";
        if (::fstat(dir.get(), &opened) != 0 || (opened.st_mode & 077) != 0)
            return "its permissions cannot be narrowed";
    }
    return {};
}

} // namespace deptrix
