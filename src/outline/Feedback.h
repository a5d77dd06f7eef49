#pragma once

#include "core/Bitmap.h"
#include "core/Canvas.h"
#include "core/Outlines.h"
#include "outline/ScanPainter.h"
#include "outline/SelectionBox.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace deptrix {

/// A rectangle of pixels: columns left..right-1, rows top..bottom-1.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    void unite(const PixelRect& other);
    bool operator==(const PixelRect&) const = default;
};

/// The reversible pen of the editor's feedback: green, not-xor, hollow. Its width and
/// the mark unit that sizes markers are fixed when the pen is set, so a shape drawn a
/// second time to remove it covers exactly the same pixels even if the zoom changed in
/// between.
struct FeedbackPen {
    int width = 1;
    int markUnit = 0;
    int handleHalf = 0; ///< half the side of a Free Transform handle
    int handleBorder = 1; ///< the dark edge of a handle, about one client pixel
};

/// Pixels a solid shape covered, kept so that the shape can be taken off again.
struct SavedPixels {
    PixelRect rect;
    std::vector<std::uint8_t> bytes; ///< the rows of `rect`, 3 bytes a pixel
};

/// The feedback colour, RGB (0, 128, 0).
inline constexpr Rgb kFeedbackGreen { 0, 128, 0 };

/// Draws feedback onto the displayed picture through the canvas with the not-xor pen:
/// drawing the same shape twice restores the pixels. Each shape's pixels are worked
/// out once (a stroked outline touches every pixel exactly once, where its segments
/// overlap too) and combined by the canvas. Collects the area it touched.
class FeedbackPainter {
public:
    /// Draws nothing when `picture` is empty.
    FeedbackPainter(Bitmap& picture, const FeedbackPen& pen, PixelRect& touched);
    ~FeedbackPainter();
    FeedbackPainter(const FeedbackPainter&) = delete;
    FeedbackPainter& operator=(const FeedbackPainter&) = delete;

    /// A line as a closed polygon outline.
    void closedLine(std::span<const LinePoint> points);
    /// The points of the line being drawn as an open polyline.
    void openLine(std::span<const LinePoint> points);
    void segment(LinePoint from, LinePoint to);
    /// Square of half-size 2 x mark unit around a point.
    void marker(LinePoint at);
    /// The square filled with a solid green brush and combined with the mask pen
    /// (pixel AND colour): it stays until the picture is refreshed.
    void maskedMarker(LinePoint at);
    /// Working copies, box rectangle and the circle at the centre, reversibly.
    void transformOverlay(const OrderLines& copies, const SelectionBox& box);
    /// The handles at the box's corners and side middles as squares with a dark edge
    /// and a light inside, so they show on any picture. They are not reversible:
    /// returns the pixels they covered, for restore().
    std::vector<SavedPixels> solidHandles(const SelectionBox& box);
    /// Puts back what solidHandles() covered.
    void restore(const std::vector<SavedPixels>& saved);

private:
    void paint(const std::vector<PixelSpan>& spans);
    static std::array<LinePoint, 4> MarkerCorners(LinePoint at, int half);

    Bitmap& m_picture;
    FeedbackPen m_pen;
    PixelRect& m_touched;
    std::unique_ptr<Canvas> m_canvas;
    ScanPainter m_scan;
};

} // namespace deptrix
