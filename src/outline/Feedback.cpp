#include "outline/Feedback.h"

#include <algorithm>

namespace deptrix {

namespace {

/// Beyond this distance from the origin nothing can touch a picture.
constexpr std::int64_t kFarAway = std::int64_t { 1 } << 20;

bool Near(std::int64_t x, std::int64_t y) {
    return x > -kFarAway && x < kFarAway && y > -kFarAway && y < kFarAway;
}

} // namespace

void PixelRect::unite(const PixelRect& other) {
    if (other.empty()) return;
    if (empty()) {
        *this = other;
        return;
    }
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
}

FeedbackPainter::FeedbackPainter(Bitmap& picture, const FeedbackPen& pen, PixelRect& touched)
    : m_picture(picture)
    , m_pen(pen)
    , m_touched(touched)
    , m_scan(picture.width(), picture.height()) {
    if (picture.empty()) return;
    m_canvas = std::make_unique<Canvas>(picture);
    m_canvas->setPen(kFeedbackGreen, pen.width, PenMode::NotXor);
    m_canvas->setBrush(kFeedbackGreen);
    m_canvas->setMode(PenMode::NotXor);
}

FeedbackPainter::~FeedbackPainter() = default;

void FeedbackPainter::paint(const std::vector<PixelSpan>& spans) {
    if (spans.empty()) return;
    m_canvas->fillSpans(spans);
    PixelRect area { spans.front().x1, spans.front().y, spans.front().x2, spans.back().y + 1 };
    for (const PixelSpan& s : spans) {
        area.left = std::min(area.left, s.x1);
        area.right = std::max(area.right, s.x2);
    }
    m_touched.unite(area);
}

std::array<LinePoint, 4> FeedbackPainter::MarkerCorners(LinePoint at, int half) {
    return { { { at.x - half, at.y - half }, { at.x + half, at.y - half }, { at.x + half, at.y + half },
        { at.x - half, at.y + half } } };
}

void FeedbackPainter::closedLine(std::span<const LinePoint> points) {
    if (!m_canvas || points.empty()) return;
    paint(m_scan.stroke(points, true, m_pen.width));
}

void FeedbackPainter::openLine(std::span<const LinePoint> points) {
    // A single point is no line: nothing shows until the rubber band does.
    if (!m_canvas || points.size() < 2) return;
    paint(m_scan.stroke(points, false, m_pen.width));
}

void FeedbackPainter::segment(LinePoint from, LinePoint to) {
    if (!m_canvas || from == to) return;
    paint(m_scan.stroke(std::array { from, to }, false, m_pen.width));
}

void FeedbackPainter::marker(LinePoint at) {
    const int half = 2 * m_pen.markUnit;
    if (!m_canvas || half == 0 || !Near(at.x, at.y)) return;
    paint(m_scan.stroke(MarkerCorners(at, half), true, m_pen.width));
}

void FeedbackPainter::maskedMarker(LinePoint at) {
    const int half = 2 * m_pen.markUnit;
    if (!m_canvas || half == 0 || !Near(at.x, at.y)) return;
    // Pixel AND colour is the same however often a pixel is hit: fill and border may
    // overlap.
    m_canvas->setMode(PenMode::Mask);
    paint(m_scan.rectangle(at.x - half, at.y - half, at.x + half, at.y + half));
    paint(m_scan.stroke(MarkerCorners(at, half), true, m_pen.width));
    m_canvas->setMode(PenMode::NotXor);
}

void FeedbackPainter::transformOverlay(const OrderLines& copies, const SelectionBox& box) {
    if (!m_canvas) return;
    for (const Line& copy : copies) closedLine(copy);
    if (box.empty) return;
    const LinePoint corners[] = { { box.left, box.top }, { box.right, box.top }, { box.right, box.bottom },
        { box.left, box.bottom } };
    closedLine(corners);
    // The centre circle, the size of a handle, is the canvas's own ellipse.
    const int half = m_pen.handleHalf;
    if (half > 0 && Near(box.centerX, box.centerY)) {
        const int x = box.centerX, y = box.centerY;
        m_canvas->setNoBrush();
        m_canvas->ellipse(x - half, y - half, x + half, y + half);
        m_canvas->setBrush(kFeedbackGreen);
        m_touched.unite({ std::clamp(x - half - m_pen.width, 0, m_picture.width()),
            std::clamp(y - half - m_pen.width, 0, m_picture.height()),
            std::clamp(x + half + m_pen.width + 1, 0, m_picture.width()),
            std::clamp(y + half + m_pen.width + 1, 0, m_picture.height()) });
    }
}

std::vector<SavedPixels> FeedbackPainter::solidHandles(const SelectionBox& box) {
    std::vector<SavedPixels> saved;
    const std::int64_t half = m_pen.handleHalf;
    if (!m_canvas || box.empty || half <= 0) return saved;
    const std::int64_t cx = box.centerX, cy = box.centerY;
    const std::int64_t points[][2] = { { box.left, box.top }, { box.right, box.top },
        { box.right, box.bottom }, { box.left, box.bottom }, { cx, box.top }, { box.right, cy },
        { cx, box.bottom }, { box.left, cy } };
    const std::int64_t border = std::max(1, m_pen.handleBorder);
    for (const auto& p : points) {
        // The square covers the handle's region of the handle map: x - half .. x + half - 1.
        const std::int64_t x1 = p[0] - half, y1 = p[1] - half, x2 = p[0] + half, y2 = p[1] + half;
        const PixelRect rect { static_cast<int>(std::clamp<std::int64_t>(x1, 0, m_picture.width())),
            static_cast<int>(std::clamp<std::int64_t>(y1, 0, m_picture.height())),
            static_cast<int>(std::clamp<std::int64_t>(x2, 0, m_picture.width())),
            static_cast<int>(std::clamp<std::int64_t>(y2, 0, m_picture.height())) };
        if (rect.empty()) continue;
        SavedPixels patch { rect, {} };
        const size_t rowBytes = static_cast<size_t>(rect.right - rect.left) * 3;
        patch.bytes.reserve(rowBytes * static_cast<size_t>(rect.bottom - rect.top));
        for (int y = rect.top; y < rect.bottom; ++y) {
            std::uint8_t* row = m_picture.row(y) + static_cast<size_t>(rect.left) * 3;
            patch.bytes.insert(patch.bytes.end(), row, row + rowBytes);
            const bool edgeRow = y < y1 + border || y >= y2 - border;
            for (int x = rect.left; x < rect.right; ++x, row += 3) {
                const bool edge = edgeRow || x < x1 + border || x >= x2 - border;
                const std::uint8_t value = edge ? 32 : 248;
                row[0] = row[1] = row[2] = value;
            }
        }
        m_touched.unite(rect);
        saved.push_back(std::move(patch));
    }
    return saved;
}

void FeedbackPainter::restore(const std::vector<SavedPixels>& saved) {
    // Newest first, so overlapping handles give back what was there before the first.
    for (auto patch = saved.rbegin(); patch != saved.rend(); ++patch) {
        const PixelRect& rect = patch->rect;
        if (rect.right > m_picture.width() || rect.bottom > m_picture.height()) continue;
        const size_t rowBytes = static_cast<size_t>(rect.right - rect.left) * 3;
        const std::uint8_t* from = patch->bytes.data();
        for (int y = rect.top; y < rect.bottom; ++y, from += rowBytes)
            std::copy(from, from + rowBytes, m_picture.row(y) + static_cast<size_t>(rect.left) * 3);
        m_touched.unite(rect);
    }
}

} // namespace deptrix
