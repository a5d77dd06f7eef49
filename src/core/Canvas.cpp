#include "core/Canvas.h"

#include "core/Error.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cstring>

namespace deptrix {

namespace {

QImage::Format ImageFormat(PixelFormat format) {
    switch (format) {
    case PixelFormat::Gray8:
        return QImage::Format_Grayscale8;
    case PixelFormat::Bgr24:
        return QImage::Format_BGR888;
    case PixelFormat::Cmyk32:
        break;
    }
    throw Error("drawing on CMYK pictures is not supported");
}

QPainter::CompositionMode Composition(PenMode mode) {
    switch (mode) {
    case PenMode::Copy:
        return QPainter::CompositionMode_Source;
    case PenMode::NotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    case PenMode::Mask:
        return QPainter::RasterOp_SourceAndDestination;
    }
    return QPainter::CompositionMode_Source;
}

QColor ToColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QPolygon ToPolygon(std::span<const LinePoint> points) {
    QPolygon polygon(static_cast<int>(points.size()));
    for (size_t i = 0; i < points.size(); ++i)
        polygon.setPoint(static_cast<int>(i), points[i].x, points[i].y);
    return polygon;
}

} // namespace

Canvas::Canvas(Bitmap& target) {
    const QImage::Format format = ImageFormat(target.format());
    if (target.empty()) throw Error("cannot draw on an empty picture");
    // The image views the bitmap's own rows; nothing is copied.
    m_image = std::make_unique<QImage>(
        target.bits(), target.width(), target.height(), static_cast<qsizetype>(target.stride()), format);
    m_painter = std::make_unique<QPainter>(m_image.get());
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setCompositionMode(QPainter::CompositionMode_Source);
    setPen(Rgb {}, 1);
    setNoBrush();
}

Canvas::~Canvas() {
    if (m_painter) m_painter->end();
}

void Canvas::setPen(Rgb color, int width, PenMode mode) {
    QPen pen(ToColor(color));
    pen.setWidth(width < 1 ? 1 : width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    m_painter->setPen(pen);
    setMode(mode);
}

void Canvas::setNoPen() {
    m_painter->setPen(Qt::NoPen);
}

void Canvas::setBrush(Rgb color) {
    m_brush = color;
    m_painter->setBrush(QBrush(ToColor(color)));
}

void Canvas::setNoBrush() {
    m_painter->setBrush(Qt::NoBrush);
}

void Canvas::setMode(PenMode mode) {
    m_mode = mode;
    m_painter->setCompositionMode(Composition(mode));
}

void Canvas::polygon(std::span<const LinePoint> points) {
    if (points.empty()) return;
    m_painter->drawPolygon(ToPolygon(points), Qt::OddEvenFill);
}

void Canvas::polyline(std::span<const LinePoint> points) {
    if (points.empty()) return;
    if (points.size() == 1) {
        m_painter->drawPoint(points[0].x, points[0].y);
        return;
    }
    m_painter->drawPolyline(ToPolygon(points));
}

void Canvas::line(int x1, int y1, int x2, int y2) {
    m_painter->drawLine(x1, y1, x2, y2);
}

void Canvas::rectangle(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) return;
    const QPen pen = m_painter->pen();
    if (pen.style() == Qt::NoPen) {
        m_painter->drawRect(QRect(x1, y1, x2 - x1, y2 - y1));
    } else {
        // QPainter strokes outside the right and bottom edge by one pixel; shrink so the
        // shape covers the same pixels as the filled rectangle.
        m_painter->drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    }
}

void Canvas::ellipse(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) return;
    // The outline runs inside the box, as the filled interior does.
    const QPen pen = m_painter->pen();
    const qreal inset = pen.style() == Qt::NoPen ? 0.0 : pen.widthF() / 2;
    m_painter->drawEllipse(QRectF(x1 + inset, y1 + inset, x2 - x1 - 2 * inset, y2 - y1 - 2 * inset));
}

void Canvas::clear(Rgb color) {
    const QPainter::CompositionMode mode = m_painter->compositionMode();
    m_painter->setCompositionMode(QPainter::CompositionMode_Source);
    m_painter->fillRect(m_image->rect(), ToColor(color));
    m_painter->setCompositionMode(mode);
}

void Canvas::fillSpans(std::span<const PixelSpan> spans) {
    const int width = m_image->width();
    const int height = m_image->height();
    std::uint8_t* bits = m_image->bits();
    const auto stride = static_cast<std::ptrdiff_t>(m_image->bytesPerLine());
    // The pixel size is a constant inside each loop, as in StretchNearest.
    auto fill = [&]<int Bytes>(const std::uint8_t(&colour)[Bytes]) {
        for (const PixelSpan& span : spans) {
            if (span.y < 0 || span.y >= height) continue;
            const int x1 = std::max(span.x1, 0);
            const int x2 = std::min(span.x2, width);
            std::uint8_t* p = bits + span.y * stride + static_cast<std::ptrdiff_t>(x1) * Bytes;
            std::uint8_t* end = p + static_cast<std::ptrdiff_t>(std::max(x2 - x1, 0)) * Bytes;
            switch (m_mode) {
            case PenMode::Copy:
                for (; p < end; p += Bytes)
                    for (int c = 0; c < Bytes; ++c) p[c] = colour[c];
                break;
            case PenMode::NotXor:
                for (; p < end; p += Bytes)
                    for (int c = 0; c < Bytes; ++c) p[c] = static_cast<std::uint8_t>(~(p[c] ^ colour[c]));
                break;
            case PenMode::Mask:
                for (; p < end; p += Bytes)
                    for (int c = 0; c < Bytes; ++c) p[c] &= colour[c];
                break;
            }
        }
    };
    if (m_image->format() == QImage::Format_Grayscale8) {
        const std::uint8_t grey[1] = { m_brush.r };
        fill(grey);
    } else {
        // Bytes in memory order: blue, green, red.
        const std::uint8_t bgr[3] = { m_brush.b, m_brush.g, m_brush.r };
        fill(bgr);
    }
}

void StretchNearest(const Bitmap& source, Bitmap& target) {
    if (source.format() != target.format()) throw Error("stretch between different pixel formats");
    if (source.empty() || target.empty()) return;
    const int bpp = source.bytesPerPixel();
    const std::int64_t sw = source.width();
    const std::int64_t sh = source.height();
    const std::int64_t tw = target.width();
    const std::int64_t th = target.height();
    std::vector<int> columns(static_cast<size_t>(tw));
    for (std::int64_t x = 0; x < tw; ++x)
        columns[static_cast<size_t>(x)] = static_cast<int>(x * sw / tw) * bpp;
    // The pixel size is a constant inside each loop: a copy call per pixel would cost
    // more than the copy.
    auto stretchRows = [&]<int Bytes>() {
        for (std::int64_t y = 0; y < th; ++y) {
            const std::uint8_t* from = source.row(static_cast<int>(y * sh / th));
            std::uint8_t* to = target.row(static_cast<int>(y));
            for (std::int64_t x = 0; x < tw; ++x, to += Bytes) {
                const std::uint8_t* pixel = from + columns[static_cast<size_t>(x)];
                for (int c = 0; c < Bytes; ++c) to[c] = pixel[c];
            }
        }
    };
    switch (bpp) {
    case 1:
        stretchRows.template operator()<1>();
        break;
    case 3:
        stretchRows.template operator()<3>();
        break;
    default:
        stretchRows.template operator()<4>();
        break;
    }
}

} // namespace deptrix
