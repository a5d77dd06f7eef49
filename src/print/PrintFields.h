#pragma once

#include "core/Fixed.h"
#include "print/PrintGeometry.h"

#include <string>

namespace deptrix {

/// The texts of the fields a print reads: LPI, OutDPI ("(Auto)" or a number),
/// Width, Height (inches) and H Scale.
struct PrintFieldTexts {
    std::string lpi;
    std::string dpi;
    std::string width;
    std::string height;
    std::string hScale;
};

/// The numbers behind them.
struct PrintFieldValues {
    Fixed lpi = 0;
    Fixed outDpi = 0; ///< kAutoDpi for "(Auto)"
    long double widthInches = 0;
    long double heightInches = 0;
    int hScale = 1;
};

/// Whether a DPI text asks for the automatic resolution ("(Auto)", "auto" or empty).
bool IsAutoDpiText(const std::string& text);

/// Converts the texts with the fields' conversions, which take a point or the
/// locale's decimal separator: a real field that is not a number throws ConvertError
/// "'<text>' is not a valid floating point value", the H Scale field "'<text>' is not
/// a valid integer value".
PrintFieldValues ReadPrintFields(const PrintFieldTexts& texts);

/// The resolution a print uses: LPI x frames for the automatic value.
Fixed ResolveDpi(Fixed outDpi, Fixed lpi, int frames = kViewCount);

/// Settings from the field values for a print of `frames` frames, the other options
/// at their defaults.
PrintSettings SettingsFromFields(const PrintFieldValues& values, int frames = kViewCount);

/// Makes the print's height follow the document's pixel proportions exactly (the
/// Height field shows them only to four decimals). Documents without a size are left
/// to the height in inches.
void KeepSourceProportions(PrintSettings& settings, const Document& doc);

} // namespace deptrix
