#pragma once

#include <filesystem>
#include <string>

namespace deptrix {

/// What to do with a folder of this user that others may reach.
enum class OpenFolder {
    Narrow, ///< take every permission of group and others away (the program's own folders)
    Refuse, ///< refuse it when group or others may write to it (a folder the user named)
};

/// Makes `folder` a folder for private files of the current user: created owner-only
/// when it does not exist (its parent must); otherwise it must be a real folder (not a
/// link) owned by this user, and group and other permissions are dealt with as `open`
/// says, the change checked. `wasOpen` tells whether others could reach it before.
/// Returns why the folder cannot be used ("it is a symbolic link", "it belongs to
/// another user", ...), or an empty text.
std::string MakePrivateFolder(const std::filesystem::path& folder, OpenFolder open, bool& wasOpen);

} // namespace deptrix
