#include "print/PrintGeometry.h"

#include "core/Error.h"
#include "core/NumberText.h"

#include <cmath>

namespace deptrix {

namespace {

constexpr std::int64_t kMaxLpi = 1000 * kFixedOne;
constexpr std::int64_t kMaxDpi = 100000 * kFixedOne;
constexpr int kMaxHScale = 32;

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
    if (settings.lpi <= 0 || settings.lpi > kMaxLpi)
        throw Error("LPI " + FormatFixed(settings.lpi) + " is outside 0 .. 1000");
    if (settings.dpi <= 0 || settings.dpi > kMaxDpi)
        throw Error("DPI " + FormatFixed(settings.dpi) + " is outside 0 .. 100000");
    if (settings.dpi < settings.lpi)
        throw Error("at " + FormatFixed(settings.dpi) + " DPI a lens of " + FormatFixed(settings.lpi)
            + " LPI is narrower than one print pixel");
    if (!(settings.widthInches > 0) || !(settings.heightInches > 0) || !std::isfinite(settings.widthInches)
        || !std::isfinite(settings.heightInches))
        throw Error("the print width and height must be above 0 inches");
    if (settings.hScale < 1 || settings.hScale > kMaxHScale)
        throw Error("H Scale " + std::to_string(settings.hScale) + " is outside 1 .. 32");
    if (settings.phase < -kFixedOne / 2 || settings.phase > kFixedOne / 2)
        throw Error("phase " + FormatFixed(settings.phase) + " is outside -0.5 .. 0.5");

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
