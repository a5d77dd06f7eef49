#pragma once

#include "app/HelpPictures.h"

#include <QString>
#include <QUrl>
#include <span>

namespace deptrix {

/// One section of the help: a heading, its paragraphs (simple HTML) and the pictures
/// shown above them, in English and Chinese.
struct HelpSection {
    const char* englishTitle;
    const char* chineseTitle;
    const char* englishBody;
    const char* chineseBody;
    std::span<const HelpPicture> pictures;
};

std::span<const HelpSection> HelpSections();

/// The address under which the help document finds `picture`.
QUrl HelpPictureAddress(HelpPicture picture);

/// The whole help as one HTML document in `language` (1 Chinese, any other English).
QString HelpDocument(int language);

} // namespace deptrix
