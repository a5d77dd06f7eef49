#pragma once

#include "core/Fixed.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace deptrix {

struct Document;

// The rules of the parameter fields, shared by the window's fields and by the
// headless fields of the batch front end. Numbers may use "." or the locale's decimal
// separator, as typed. A text that is not a number throws ConvertError before
// anything is changed.

/// What the "Angles:" field accepts.
inline constexpr int kAnglesLow = 2;
inline constexpr int kAnglesHigh = 64;

/// The DPI field shows this for the automatic resolution (OutDpi 10000.0).
inline constexpr const char* kAutoDpiText = "(Auto)";
/// What an emptied depth field is set to (itself a change of the text).
inline constexpr const char* kEmptyDepthText = "1.0";
/// What the LPI field shows after a value outside 9..180 was replaced.
inline constexpr const char* kLpiReplacementText = "75.55";

/// LPI field left with a text (an empty field is left alone): the value it gives, or
/// 75.55 when outside 9..180 (the bounds are valid), in which case the field must show
/// kLpiReplacementText.
struct LpiFieldValue {
    Fixed lpi = 0;
    bool replaced = false;
};
LpiFieldValue LpiFromField(std::string_view text);

/// Depth field changed to a text that is not empty: DepthFactor := Round(text x 10000),
/// OutlinesStale set, and a value beyond +-10 becomes 2.0 while the text stays.
void ApplyDepthText(std::string_view text, Document& doc);

/// The picture's proportions that link the width and height fields: Round(SourceWidthCm
/// / SourceHeightCm x 10000), 1.0 when the height is not positive.
Fixed PictureAspectRatio(const Document& doc);

/// Width field changed to a text that is not empty: the text the height field shows,
/// width / (aspectRatio / 10000).
std::string HeightTextForWidth(std::string_view widthText, Fixed aspectRatio);

/// Focus field left with a text: the focus row, 0 when outside 1..layerCount (the
/// field then shows "0").
std::int32_t FocusRowFromField(std::string_view text, int layerCount);

/// H Scale field left: the text it shows afterwards ("4" for an empty text, "1" for a
/// value of 0 or less, "16" above 16, else the text as it was).
std::string HScaleFieldText(std::string_view text);

/// Whether a text typed into a number field can still become a number by typing on:
/// "", "-", ".", "1e", "1e-" for a real field, "", "-", "$" for an integer one. Texts
/// that are numbers already count too.
bool CanBecomeNumber(std::string_view text, bool integer);

/// The DPI field's text for a resolution, and the resolution a DPI text stands for.
std::string DpiFieldText(Fixed outDpi);
Fixed DpiFromField(std::string_view text);

} // namespace deptrix
