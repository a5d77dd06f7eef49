#pragma once

#include "core/Document.h"
#include "core/Fixed.h"
#include "core/NumberRange.h"

#include <cstdint>

namespace deptrix {

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

/// Marks around a print: the margin they need, and how far a bleed may reach.
inline constexpr long double kDefaultMarginInches = 0.25L;
inline constexpr long double kMinMarginInches = 0.1L;
inline constexpr long double kMaxMarginInches = 2.0L;
inline constexpr long double kMaxBleedInches = 0.5L;

enum class TiffCompression : std::uint8_t {
    None,
    Lzw, ///< with the horizontal predictor
    Deflate, ///< with the horizontal predictor
};

/// Which way the lenses run: vertical lenses (3D) make strips of columns, horizontal
/// lenses (flips and animations, both eyes seeing the same frame) strips of rows.
enum class LensOrientation : std::uint8_t { Vertical, Horizontal };

/// What the user chose for a print.
struct PrintSettings {
    Fixed lpi = 424775; ///< lenticules per inch, x10000
    Fixed dpi = 7200000; ///< print pixels per inch, x10000 ("(Auto)" already resolved)
    long double widthInches = 5;
    long double heightInches = 5; ///< used when the source size below is not set
    /// Vertical compress: each print row (each column under horizontal lenses) is
    /// hScale pixels of the printer.
    int hScale = 1;
    Fixed phase = 0; ///< shift of the strips against the picture, -5000..5000 (lenses x10000)
    bool reverse = false; ///< frame 1 first in each lens instead of frame N
    TiffCompression compression = TiffCompression::None;
    bool forceBigTiff = false;
    int frames = kViewCount; ///< strips under every lens, one per frame
    LensOrientation lens = LensOrientation::Vertical;
    bool marks = false; ///< crop marks, alignment bars and a text line in a margin
    long double marginInches = kDefaultMarginInches; ///< with marks: the margin outside the picture
    long double bleedInches = 0; ///< how far the picture's edges reach past the crop line
    /// The source picture's size in pixels. When both are set, the print's height
    /// follows their proportions exactly instead of heightInches.
    std::int64_t sourceWidth = 0;
    std::int64_t sourceHeight = 0;
};

/// The lens grid across a print, exact: lens and strip edges follow from the
/// fixed-point LPI, DPI and phase through integer arithmetic, never by accumulating
/// a rounded period, so the last lens of a wide print is where the first predicts.
/// Strip coordinate q of pixel edge x across the lenses: q = (x - centre) x N x LPI /
/// DPI - N x phase; strip m covers q in [m, m + 1), and lens k the strips Nk .. Nk + N - 1.
class LensGrid {
public:
    LensGrid(Fixed lpi, Fixed dpi, Fixed phase, std::int64_t centre, bool reverse, int frames);

    /// The strip that pixel edge x lies in and how far into it (0 <= fraction < 1).
    struct Position {
        std::int64_t strip = 0;
        long double fraction = 0;
    };
    Position at(std::int64_t x) const;

    /// Pixel edge of the first strip of lens k.
    long double lensEdge(std::int64_t lens) const;

    /// The frame (1..N) a strip shows: the first strip of a lens (left, or top under
    /// horizontal lenses) frame N, the last frame 1, or the other way round when reversed.
    int frameOfStrip(std::int64_t strip) const;

    std::int64_t lensOfStrip(std::int64_t strip) const;

    /// Print pixels per lens (DPI / LPI).
    long double period() const;

    int frames() const { return m_frames; }

private:
    std::int64_t m_lpi;
    std::int64_t m_dpi;
    std::int64_t m_phase;
    std::int64_t m_centre;
    bool m_reverse;
    int m_frames;
};

/// A print's size and grid, derived from its settings. The picture is width x height
/// print pixels between the crop lines; the bleed extends it on every side, and the
/// page adds the margin (the bleed alone without marks) around the picture.
struct PrintGeometry {
    PrintSettings settings;
    std::int64_t width = 0; ///< picture columns
    std::int64_t height = 0; ///< picture rows
    long double heightInches = 0; ///< the picture's printed height
    long double xResolution = 0; ///< pixels per inch across
    long double yResolution = 0; ///< rows per inch
    /// The pixel edge nearest the picture's centre across the lenses (a column edge
    /// for vertical lenses, a row edge for horizontal ones): the lens grid's anchor.
    std::int64_t centre = 0;
    std::int64_t bleedColumns = 0;
    std::int64_t bleedRows = 0;
    std::int64_t marginColumns = 0; ///< from the page's edge to the crop line
    std::int64_t marginRows = 0;

    bool horizontal() const { return settings.lens == LensOrientation::Horizontal; }
    int frames() const { return settings.frames; }
    std::int64_t pageWidth() const { return width + 2 * marginColumns; }
    std::int64_t pageHeight() const { return height + 2 * marginRows; }
    /// The picture with its bleed.
    std::int64_t bledWidth() const { return width + 2 * bleedColumns; }
    std::int64_t bledHeight() const { return height + 2 * bleedRows; }
    /// Across the lenses: the picture's extent and its bleed.
    std::int64_t across() const { return horizontal() ? height : width; }
    std::int64_t bleedAcross() const { return horizontal() ? bleedRows : bleedColumns; }

    LensGrid grid() const;
    long double period() const { return FromFixed(settings.dpi) / FromFixed(settings.lpi); }
    /// Lenses that at least touch the picture with its bleed, counted from firstLens().
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

/// a / b rounded to the nearest integer, ties to even, for a >= 0 and b > 0.
std::int64_t RoundQuotient(std::int64_t a, std::int64_t b);

} // namespace deptrix
