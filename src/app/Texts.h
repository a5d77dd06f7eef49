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
    // Texts of our own: the layer table's name column and status messages with %1 for a
    // file name or path.
    QString gridName;
    QString msgImporting;
    QString msgSaved;
    QString msgSavedNotShown;
    // Depth maps: %1 the layer number, %2 a file.
    QString depthMapTitle;
    QString msgDepthMapLoaded;
    QString msgDepthMapCleared;
    QString msgDepthMapsNotLoaded; ///< %1 what went wrong
    QString askReplaceOutlines;
    QString askReplaceDepthMap;
    QString msgOutputIsInput; ///< %1 the output, %2 the input it is
    // Unsaved changes, saving and recovery: questions with %1 for the document's name
    // (%2 for a time), their answers, and status messages.
    QString askSaveChanges;
    QString askRestoreWork;
    QString answerSave, answerDiscard, answerCancel, answerRestore;
    QString msgNothingWritten;
    QString msgRestored;
    QString msgConfigReadOnly;
    QString msgRecoveryFailed;
};

/// 0 English, 1 Chinese; any other value gives English.
const LanguageTexts& TextsFor(int language);

/// "Deptrix" and the version: the window's caption and the about box's title.
QString ProductTitle();

inline constexpr const char* kImportFilter
    = "Photoshop file (*.psd);;Photoshop large document (*.psb);;All files (*)";
inline constexpr const char* kDepthMapFilter
    = "Depth map pictures (*.png *.tif *.tiff *.jpg *.jpeg *.bmp *.psd *.psb);;All files (*)";
/// Projects and settings: both extensions together first, each alone, any file.
inline constexpr const char* kProjectOpenFilter
    = "Projects and settings (*.tw3d2 *.tw3d);;tw3d (*.tw3d);;tw3d2 (*.tw3d2);;All files (*)";
inline constexpr const char* kProjectSaveFilter = "tw3d2 (*.tw3d2)";
inline constexpr const char* kWebAddress = "https://www.deptrix.example/";
inline constexpr const char* kWebLinkCaption = "www.deptrix.example";
inline constexpr const char* kWebLinkCaptionChinese = "网站 www.deptrix.example";

} // namespace deptrix
