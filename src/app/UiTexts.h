#pragma once

#include <QString>
#include <cstdint>
#include <span>

namespace deptrix {

/// The window's own texts beyond the language table (LanguageTexts): messages,
/// status notes and the captions of its dialogs, each in English and Chinese. In the
/// texts %1, %2, ... stand for field names, numbers and file names.
enum class Ui : std::uint16_t {
    // Fields
    FieldNotNumber,
    FieldNotWholeNumber,
    FieldAnglesRange,
    FieldLpiReplaced,
    FieldFocusReplaced,
    FieldDepthReplaced,
    FieldHScaleReplaced,
    FieldEmptyReplaced,
    // Outline editor
    LineHiddenUnderNearer,
    // Print: how far the layer that moves most moves between neighbouring views
    LensWidth,
    LensWidths,
    MovementWarning,
    MovementExplanation,
    MovesBetweenViews,
    NothingToFit,
    DepthFitted,
    Writing,
    Cancel,
    ExportTitle,
    // The pitch test sheet
    PitchTitle,
    PitchLpi,
    PitchSpan,
    PitchSpanUnit,
    PitchStep,
    PitchDpi,
    PitchWidth,
    PitchHeight,
    PitchInch,
    PitchPhaseTest,
    PitchReverse,
    PitchPhaseHint,
    PitchPitchHint,
    PitchSave,
    Count
};

struct UiText {
    Ui id;
    const char* english;
    const char* chinese;
};

/// Every text, in the order of Ui.
std::span<const UiText> UiTexts();

/// The text in `language` (1 Chinese, any other value English).
QString Tr(Ui id, int language);

} // namespace deptrix
