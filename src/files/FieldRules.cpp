#include "files/FieldRules.h"

#include "core/Document.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "files/ConfigFile.h"

namespace deptrix {

namespace {

constexpr Fixed kLpiLow = 90000;
constexpr Fixed kLpiHigh = 1800000;
constexpr Fixed kLpiReplacement = 755500;
constexpr Fixed kDepthLimit = 100000;
constexpr Fixed kDepthReplacement = 20000;

} // namespace

LpiFieldValue LpiFromField(std::string_view text) {
    const Fixed lpi = ParseFieldFixed(text);
    if (lpi < kLpiLow || lpi > kLpiHigh) return { kLpiReplacement, true };
    return { lpi, false };
}

void ApplyDepthText(std::string_view text, Document& doc) {
    doc.DepthFactor = ParseFieldFixed(text);
    doc.OutlinesStale = true;
    if (doc.DepthFactor > kDepthLimit || doc.DepthFactor < -kDepthLimit) doc.DepthFactor = kDepthReplacement;
}

Fixed PictureAspectRatio(const Document& doc) {
    if (doc.SourceHeightCm <= 0) return kFixedOne;
    return Round(static_cast<long double>(doc.SourceWidthCm) / doc.SourceHeightCm * 10000.0L);
}

std::string HeightTextForWidth(std::string_view widthText, Fixed aspectRatio) {
    const long double width = ParseFieldReal(widthText);
    return FormatNumber(width / (static_cast<long double>(aspectRatio) / 10000.0L));
}

std::int32_t FocusRowFromField(std::string_view text, int layerCount) {
    const std::int32_t row = ParseInteger(text);
    return row <= 0 || row > layerCount ? 0 : row;
}

std::string HScaleFieldText(std::string_view text) {
    const std::string_view shown = text.empty() ? std::string_view("4") : text;
    const std::int32_t value = ParseInteger(shown);
    if (value <= 0) return "1";
    if (value > 16) return "16";
    return std::string(shown);
}

bool CanBecomeNumber(std::string_view text, bool integer) {
    const auto converts = [integer](std::string_view candidate) {
        try {
            if (integer)
                ParseInteger(candidate);
            else
                ParseFieldReal(candidate);
            return true;
        } catch (const ConvertError&) {
            return false;
        }
    };
    // Every unfinished number of the grammar (a sign, a separator, an exponent mark or
    // a hexadecimal prefix waiting for its digits) is completed by one more digit.
    return converts(text) || converts(std::string(text) + "0");
}

std::string DpiFieldText(Fixed outDpi) {
    return outDpi == kAutoDpi ? kAutoDpiText : FormatFixed(outDpi);
}

Fixed DpiFromField(std::string_view text) {
    return text == kAutoDpiText ? kAutoDpi : ParseFieldFixed(text);
}

} // namespace deptrix
