#include "print/PrintGeometry.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "render/FrameSet.h"

#include <cmath>
#include <string>

namespace deptrix {

namespace {

// "the LPI must be above 0 and at most 1000 (it is 0)".
std::string Requirement(const std::string& quantity, const NumberRange& range, long double value) {
    std::string text = quantity + " must be " + range.text();
    if (std::isfinite(value)) text += " (it is " + FormatNumber(value) + ")";
    return text;
}

std::string Inches(long double inches) {
    return FormatNumber(inches);
}

void CheckMarks(const PrintSettings& settings) {
    if (!(settings.bleedInches >= 0) || settings.bleedInches > kMaxBleedInches)
        throw Error("bleed " + Inches(settings.bleedInches) + ": the bleed must be at least 0 and at most "
            + Inches(kMaxBleedInches) + " inches");
    if (!settings.marks) return;
    if (!(settings.marginInches >= kMinMarginInches) || settings.marginInches > kMaxMarginInches)
        throw Error("margin " + Inches(settings.marginInches) + ": the margin must be at least "
            + Inches(kMinMarginInches) + " and at most " + Inches(kMaxMarginInches) + " inches");
    // The outer half of the margin holds the marks.
    if (settings.bleedInches > settings.marginInches / 2)
        throw Error("bleed " + Inches(settings.bleedInches) + ": the bleed must be at least 0 and at most "
            + Inches(settings.marginInches / 2) + " inches, half the margin, to leave room for the marks");
}

} // namespace

LensGrid::LensGrid(Fixed lpi, Fixed dpi, Fixed phase, std::int64_t centre, bool reverse, int frames)
    : m_lpi(lpi)
    , m_dpi(dpi)
    , m_phase(phase)
    , m_centre(centre)
    , m_reverse(reverse)
    , m_frames(frames) { }

LensGrid::Position LensGrid::at(std::int64_t x) const {
    // q = A / D with A = N L (x - c) 10^4 - N phase DPI and D = DPI 10^4, all
    // fixed-point values raw: exact in 64 bits within the checked ranges.
    const std::int64_t numerator = m_frames * m_lpi * (x - m_centre) * kFixedOne - m_frames * m_phase * m_dpi;
    const std::int64_t denominator = m_dpi * kFixedOne;
    Position position;
    position.strip = FloorDiv(numerator, denominator);
    position.fraction = static_cast<long double>(numerator - position.strip * denominator)
        / static_cast<long double>(denominator);
    return position;
}

long double LensGrid::lensEdge(std::int64_t lens) const {
    const long double lenses = static_cast<long double>(lens * kFixedOne + m_phase);
    return static_cast<long double>(m_centre)
        + lenses * static_cast<long double>(m_dpi) / (static_cast<long double>(m_lpi) * kFixedOne);
}

int LensGrid::frameOfStrip(std::int64_t strip) const {
    const auto s = static_cast<int>(strip - lensOfStrip(strip) * m_frames);
    return m_reverse ? s + 1 : m_frames - s;
}

std::int64_t LensGrid::lensOfStrip(std::int64_t strip) const {
    return FloorDiv(strip, m_frames);
}

long double LensGrid::period() const {
    return static_cast<long double>(m_dpi) / static_cast<long double>(m_lpi);
}

LensGrid PrintGeometry::grid() const {
    return LensGrid(settings.lpi, settings.dpi, settings.phase, centre, settings.reverse, settings.frames);
}

std::int64_t PrintGeometry::firstLens() const {
    const LensGrid g = grid();
    return g.lensOfStrip(g.at(-bleedAcross()).strip);
}

std::int64_t PrintGeometry::lensCount() const {
    const LensGrid g = grid();
    const LensGrid::Position end = g.at(across() + bleedAcross());
    // The far edge of the print closes the last lens it reaches into.
    const std::int64_t lastStrip = end.fraction > 0 ? end.strip : end.strip - 1;
    return g.lensOfStrip(lastStrip) - firstLens() + 1;
}

std::int64_t RoundQuotient(std::int64_t a, std::int64_t b) {
    const std::int64_t quotient = a / b;
    const std::int64_t twice = 2 * (a % b);
    return twice > b || (twice == b && quotient % 2 != 0) ? quotient + 1 : quotient;
}

PrintGeometry MakePrintGeometry(const PrintSettings& settings) {
    if (!kLpiRange.contains(FromFixed(settings.lpi)))
        throw Error(Requirement("the LPI", kLpiRange, FromFixed(settings.lpi)));
    if (!kDpiRange.contains(FromFixed(settings.dpi)))
        throw Error(Requirement("the DPI", kDpiRange, FromFixed(settings.dpi)));
    if (settings.dpi < settings.lpi)
        throw Error("at " + FormatFixed(settings.dpi) + " DPI a lens of " + FormatFixed(settings.lpi)
            + " LPI is narrower than one print pixel");
    if (!kPrintInchesRange.contains(settings.widthInches))
        throw Error(Requirement("the print width in inches", kPrintInchesRange, settings.widthInches));
    if (!kPrintInchesRange.contains(settings.heightInches))
        throw Error(Requirement("the print height in inches", kPrintInchesRange, settings.heightInches));
    if (!kHScaleRange.contains(settings.hScale))
        throw Error(Requirement("H Scale", kHScaleRange, settings.hScale));
    if (!kPhaseRange.contains(FromFixed(settings.phase)))
        throw Error(Requirement("the phase", kPhaseRange, FromFixed(settings.phase)));

    if (!IsFrameCount(settings.frames))
        throw Error("frames " + std::to_string(settings.frames) + ": the frame count must be at least "
            + std::to_string(kMinFrames) + " and at most " + std::to_string(kMaxFrames));
    CheckMarks(settings);

    PrintGeometry geometry;
    geometry.settings = settings;
    const bool horizontal = settings.lens == LensOrientation::Horizontal;
    const bool proportional = settings.sourceWidth > 0 && settings.sourceHeight > 0;
    const long double dpi = FromFixed(settings.dpi);
    geometry.xResolution = horizontal ? dpi / settings.hScale : dpi;
    geometry.yResolution = horizontal ? dpi : dpi / settings.hScale;
    geometry.heightInches = proportional ? settings.widthInches
            * static_cast<long double>(settings.sourceHeight) / static_cast<long double>(settings.sourceWidth)
                                         : settings.heightInches;
    const long double columns = settings.widthInches * geometry.xResolution;
    const long double rows = geometry.heightInches * geometry.yResolution;
    if (columns > kMaxPrintSide || rows > kMaxPrintSide)
        throw Error("a print of " + FormatNumber(settings.widthInches) + " x "
            + FormatNumber(geometry.heightInches) + " inches at " + FormatFixed(settings.dpi)
            + " DPI is too large (at most " + std::to_string(kMaxPrintSide) + " pixels a side)");
    // Kept as the expressions they have always been, so prints keep their sizes.
    geometry.width = horizontal ? Round(settings.widthInches * dpi / settings.hScale) : Round(columns);
    geometry.height = horizontal ? Round(settings.heightInches * dpi)
                                 : Round(settings.heightInches * dpi / settings.hScale);
    if (proportional) {
        // From the printer's pixels across the picture, in the source's own proportions.
        const std::int64_t full = Round(settings.widthInches * dpi);
        geometry.height = RoundQuotient(
            full * settings.sourceHeight, settings.sourceWidth * (horizontal ? 1 : settings.hScale));
    }
    if (geometry.width < 1 || geometry.height < 1)
        throw Error("a print of " + FormatNumber(settings.widthInches) + " x "
            + FormatNumber(geometry.heightInches) + " inches at " + FormatFixed(settings.dpi)
            + " DPI has no pixels");
    geometry.bleedColumns = Round(settings.bleedInches * geometry.xResolution);
    geometry.bleedRows = Round(settings.bleedInches * geometry.yResolution);
    geometry.marginColumns
        = settings.marks ? Round(settings.marginInches * geometry.xResolution) : geometry.bleedColumns;
    geometry.marginRows
        = settings.marks ? Round(settings.marginInches * geometry.yResolution) : geometry.bleedRows;
    if (geometry.pageWidth() > kMaxPrintSide || geometry.pageHeight() > kMaxPrintSide)
        throw Error("a page of " + std::to_string(geometry.pageWidth()) + " x "
            + std::to_string(geometry.pageHeight()) + " pixels is too large (at most "
            + std::to_string(kMaxPrintSide) + " pixels a side)");
    // The pixel edge nearest the centre, so that a whole-number period gives columns
    // (or rows) of one frame each.
    geometry.centre = geometry.across() / 2;
    if (geometry.lensCount() > kMaxPrintLenses)
        throw Error("a print of " + std::to_string(geometry.lensCount()) + " lenses is too wide (at most "
            + std::to_string(kMaxPrintLenses) + ")");
    return geometry;
}

} // namespace deptrix
