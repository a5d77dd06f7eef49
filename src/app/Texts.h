#pragma once

#include <QString>

namespace deptrix {

/// The texts the program sets itself, in one language.
struct LanguageTexts {
    QString gridLayer, gridGroup, gridOffset;
    QString brand;
    QString viewAll, viewOne;
    QString languageButton;
    QString msgImport, msgSetParams, msgStopPreview, msgExport;
    QString statusOriginal, statusSize, statusColor, statusLayers;
    QString msgGlasses;
};

/// 0 English, 1 Chinese; any other value gives English.
const LanguageTexts& TextsFor(int language);

inline constexpr const char* kProductTitle = "Deptrix 10.0";
inline constexpr const char* kWebAddress = "https://www.deptrix.example/";
inline constexpr const char* kWebLinkCaption = "www.deptrix.example";

} // namespace deptrix
