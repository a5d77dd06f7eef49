#pragma once

#include <QImage>

namespace deptrix {

/// The small pictures of the help window, drawn by the program so they follow the
/// language and need no files beside it.
enum class HelpPicture { DrawOutline, NearAndFar, Editing, DepthAndSmooth, DepthMap, Print, Count };

/// `picture` with its few labels in `language` (1 Chinese, any other value English).
QImage DrawHelpPicture(HelpPicture picture, int language);

} // namespace deptrix
