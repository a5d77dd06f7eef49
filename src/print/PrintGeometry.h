#pragma once

#include "core/Fixed.h"
#include "core/NumberRange.h"

#include <cstdint>

namespace deptrix {

/// Strips under every lens: one per view.
inline constexpr int kStripsPerLens = 7;

/// Largest print side in pixels, and most lenses across a print: they bound the
/// memory of the row buffers whatever the print size.
inline constexpr std::int64_t kMaxPrintSide = 1000000;
inline constexpr std::int64_t kMaxPrintLenses = 200000;

/// What a print accepts: lenses per inch, print pixels per inch, its width and height in
/// inches, the vertical compress and the phase (in lenses).
inline constexpr NumberRange kLpiRange { 0, false, 1000, true };
inline constexpr NumberRange kDpiRange { 0, false, 100000, true };
inline constexpr NumberRange kPrintInchesRange { 0, false, NumberRange::kNone, false };
inline constexpr NumberRange kHScaleRange = IntegerRange(1, 32);
inline constexpr NumberRange kPhaseRange { -0.5, true, 0.5, true };

enum class TiffCompression : std::uint8_t {
    None,
    Lzw, ///< with the horizontal predictor
    Deflate, ///< with the horizontal predictor
};

/// What the user chose for a print.
struct PrintSettings {
    Fixed lpi = 424775; ///< lenticules per inch, x10000
    Fixed dpi = 7200000; ///< print pixels per inch, x10000 ("(Auto)" already resolved)
    long double widthInches = 5;
    long double heightInches = 5;
    int hScale = 1; ///< vertical compress: each print row is hScale pixels high
    Fixed phase = 0; ///< shift of the strips against the picture, -5000..5000 (lenses x10000)
    bool reverse = false; ///< view 1 at the left of each lens instead of the right
    TiffCompression compression = TiffCompression::None;
    bool forceBigTiff = false;
};

/// The lens grid across a print, exact: lens and strip edges follow from the
/// fixed-point LPI, DPI and phase through integer arithmetic, never by accumulating
/// a rounded period, so the last lens of a wide print is where the first predicts.
/// Strip coordinate q of print column edge x: q = (x - centre) x 7 x LPI / DPI -
/// 7 x phase; strip m covers q in [m, m + 1), and lens k the strips 7k .. 7k + 6.
class LensGrid {
public:
    LensGrid(Fixed lpi, Fixed dpi, Fixed phase, std::int64_t centre, bool reverse);

    /// The strip that column edge x lies in and how far into it (0 <= fraction < 1).
    struct Position {
        std::int64_t strip = 0;
        long double fraction = 0;
    };
    Position at(std::int64_t x) const;

    /// Print column of the left edge of lens k.
    long double lensEdge(std::int64_t lens) const;

    /// The view (1..7) a strip shows: the left strip of a lens view 7, the right one
    /// view 1, or the other way round when reversed.
    int viewOfStrip(std::int64_t strip) const;

    static std::int64_t LensOfStrip(std::int64_t strip);

    /// Print pixels per lens (DPI / LPI).
    long double period() const;

private:
    std::int64_t m_lpi;
    std::int64_t m_dpi;
    std::int64_t m_phase;
    std::int64_t m_centre;
    bool m_reverse;
};

/// A print's size and grid, derived from its settings.
struct PrintGeometry {
    PrintSettings settings;
    std::int64_t width = 0; ///< print columns: Round(width x DPI)
    std::int64_t height = 0; ///< print rows: Round(height x DPI / HScale)
    long double xResolution = 0; ///< pixels per inch across
    long double yResolution = 0; ///< rows per inch: DPI / HScale
    std::int64_t centre = 0; ///< the column edge nearest the picture's centre

    LensGrid grid() const;
    long double period() const { return FromFixed(settings.dpi) / FromFixed(settings.lpi); }
    /// Lenses that at least touch the print.
    std::int64_t firstLens() const;
    std::int64_t lensCount() const;
};

/// Checks the settings and derives the print. Throws Error with a message for the
/// user when a value is out of range or the print would be empty or too large.
PrintGeometry MakePrintGeometry(const PrintSettings& settings);

/// Floor division for a positive divisor.
inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

} // namespace deptrix
