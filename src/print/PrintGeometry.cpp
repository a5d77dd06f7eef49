#include "print/PrintGeometry.h"

#include "core/Error.h"
#include "core/NumberText.h"

#include <cmath>

namespace deptrix {

namespace {

// "the LPI must be above 0 and at most 1000 (it is 0)".
std::string Requirement(const std::string& quantity, const NumberRange& range, long double value) {
    std::string text = quantity + " must be " + range.text();
    if (std::isfinite(value)) text += " (it is " + FormatNumber(value) + ")";
    return text;
}

} // namespace

LensGrid::LensGrid(Fixed lpi, Fixed dpi, Fixed phase, std::int64_t centre, bool reverse)
    : m_lpi(lpi)
    , m_dpi(dpi)
    , m_phase(phase)
    , m_centre(centre)
    , m_reverse(reverse) { }

LensGrid::Position LensGrid::at(std::int64_t x) const {
    // q = N / D with N = 7 L (x - c) 10^4 - 7 phase DPI and D = DPI 10^4, all
    // fixed-point values raw: exact in 64 bits within the checked ranges.
    const std::int64_t numerator
        = kStripsPerLens * m_lpi * (x - m_centre) * kFixedOne - kStripsPerLens * m_phase * m_dpi;
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

int LensGrid::viewOfStrip(std::int64_t strip) const {
    const auto s = static_cast<int>(strip - LensOfStrip(strip) * kStripsPerLens);
    return m_reverse ? s + 1 : kStripsPerLens - s;
}

std::int64_t LensGrid::LensOfStrip(std::int64_t strip) {
    return FloorDiv(strip, kStripsPerLens);
}

long double LensGrid::period() const {
    return static_cast<long double>(m_dpi) / static_cast<long double>(m_lpi);
}

LensGrid PrintGeometry::grid() const {
    return LensGrid(settings.lpi, settings.dpi, settings.phase, centre, settings.reverse);
}

std::int64_t PrintGeometry::firstLens() const {
    return LensGrid::LensOfStrip(grid().at(0).strip);
}

std::int64_t PrintGeometry::lensCount() const {
    const LensGrid g = grid();
    const LensGrid::Position end = g.at(width);
    // The right edge of the print closes the last lens it reaches into.
    const std::int64_t lastStrip = end.fraction > 0 ? end.strip : end.strip - 1;
    return LensGrid::LensOfStrip(lastStrip) - firstLens() + 1;
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

    PrintGeometry geometry;
    geometry.settings = settings;
    const long double dpi = FromFixed(settings.dpi);
    const long double columns = settings.widthInches * dpi;
    const long double rows = settings.heightInches * dpi / settings.hScale;
    if (columns > kMaxPrintSide || rows > kMaxPrintSide)
        throw Error("a print of " + FormatNumber(settings.widthInches) + " x "
            + FormatNumber(settings.heightInches) + " inches at " + FormatFixed(settings.dpi)
            + " DPI is too large (at most " + std::to_string(kMaxPrintSide) + " pixels a side)");
    geometry.width = Round(columns);
    geometry.height = Round(rows);
    if (geometry.width < 1 || geometry.height < 1)
        throw Error("a print of " + FormatNumber(settings.widthInches) + " x "
            + FormatNumber(settings.heightInches) + " inches at " + FormatFixed(settings.dpi)
            + " DPI has no pixels");
    geometry.xResolution = dpi;
    geometry.yResolution = dpi / settings.hScale;
    // The pixel edge nearest the centre, so that a whole-number period gives columns
    // of one view each.
    geometry.centre = geometry.width / 2;
    if (geometry.lensCount() > kMaxPrintLenses)
        throw Error("a print of " + std::to_string(geometry.lensCount()) + " lenses is too wide (at most "
            + std::to_string(kMaxPrintLenses) + ")");
    return geometry;
}

} // namespace deptrix
