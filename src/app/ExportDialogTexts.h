#pragma once

#include <QString>

namespace deptrix {

/// The export dialog's texts in one language; %1.. are filled in by the dialog.
struct ExportDialogTexts {
    QString title;
    QString printSize, printSizeText;
    QString page, pageText;
    QString resolution, resolutionVertical, resolutionHorizontal;
    QString lens, lensText;
    QString strips, stripsText, right, left, bottom, top;
    QString colour, rgb, cmyk, noProfile, withProfile;
    QString fileSize, upTo, bigTiff, classicUnlessLarge;
    QString movement, movementText, movementTextOne, movementWarning;
    QString frames, framesTooMany, framesTooFew, useFrames;
    QString printerResolution, autoResolution, resolutionItem;
    QString lenses, vertical, horizontal;
    QString marks, inch, bleed;
    QString phase, phaseSuffix, reverse;
    QString compression, compressionNone;
    QString exportButton, cancelButton;
};

/// 0 English, 1 Chinese; any other value gives English.
const ExportDialogTexts& ExportTextsFor(int language);

} // namespace deptrix
