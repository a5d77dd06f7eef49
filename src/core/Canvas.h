#pragma once

#include "core/Bitmap.h"
#include "core/Outlines.h"

#include <cstdint>
#include <memory>
#include <span>

class QPainter;
class QImage;

namespace deptrix {

/// A drawing colour; on an 8-bit picture only `r` is used (the value to write).
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    static constexpr Rgb Gray(std::uint8_t v) { return { v, v, v }; }
    bool operator==(const Rgb&) const = default;
};

/// A run of pixels of one row: columns x1..x2-1 of row y.
struct PixelSpan {
    int y = 0;
    int x1 = 0;
    int x2 = 0;
    bool operator==(const PixelSpan&) const = default;
};

/// How the pen and brush combine with the picture.
enum class PenMode {
    Copy, ///< the colour replaces the pixel
    NotXor, ///< pixel := not (colour xor pixel); drawing the same shape twice restores the picture
    Mask, ///< pixel := colour and pixel
};

/// Aliased drawing (filled even-odd polygons, polylines, rectangles and ellipses with
/// pen widths and round ends) straight into the memory of an 8-bit or 24-bit Bitmap
/// through QPainter. Coordinates are pixels of the bitmap.
class Canvas {
public:
    /// `target` must be Gray8 or Bgr24 and must outlive the canvas; throws Error otherwise.
    explicit Canvas(Bitmap& target);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void setPen(Rgb color, int width = 1, PenMode mode = PenMode::Copy);
    void setNoPen();
    void setBrush(Rgb color);
    void setNoBrush();
    /// The combine mode of both pen and brush.
    void setMode(PenMode mode);

    /// Closed polygon: interior (even-odd rule) with the brush, outline with the pen.
    void polygon(std::span<const LinePoint> points);
    /// Open polyline with the pen.
    void polyline(std::span<const LinePoint> points);
    void line(int x1, int y1, int x2, int y2);
    /// Rectangle covering columns x1..x2-1 and rows y1..y2-1, brush inside, pen around.
    void rectangle(int x1, int y1, int x2, int y2);
    /// Ellipse inscribed in the rectangle x1..x2-1, y1..y2-1.
    void ellipse(int x1, int y1, int x2, int y2);
    /// Fills the whole picture with a colour (always copies).
    void clear(Rgb color);
    /// Fills runs of pixels that the caller worked out itself with the brush colour,
    /// combined in the current mode; runs are clipped to the picture. Each pixel should
    /// appear once, so a not-xor shape drawn twice restores the picture.
    void fillSpans(std::span<const PixelSpan> spans);

private:
    std::unique_ptr<QImage> m_image;
    std::unique_ptr<QPainter> m_painter;
    Rgb m_brush {};
    PenMode m_mode = PenMode::Copy;
};

/// Nearest-neighbour stretch of `source` over all of `target` (same pixel format):
/// target pixel (x, y) takes source pixel (x * sw / tw, y * sh / th), so whole rows and
/// columns are dropped when shrinking and repeated when enlarging.
void StretchNearest(const Bitmap& source, Bitmap& target);

} // namespace deptrix
