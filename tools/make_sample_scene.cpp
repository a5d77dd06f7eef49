// Paints the bundled sample scene layer by layer and writes it as a layered PSD:
// a landscape whose planes sit at different depths, and a folder named "flip" with
// a bird in three wing positions that take turns from view to view.
//
//   make_sample_scene <scene.psd> [preview.png]

#include "core/FileIo.h"
#include "import/PsdWriter.h"

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace {

using deptrix::PsdLayerSpec;
using deptrix::PsdPlane;
using deptrix::PsdRect;

constexpr int kWidth = 1600;
constexpr int kHeight = 1200;
constexpr double kPpi = 150;
// Layers reach this far past the left and right edges, so that shifting them in the
// outer views never uncovers bare paper.
constexpr int kMargin = 72;
constexpr int kPaintedWidth = kWidth + 2 * kMargin;

using Painting = std::function<void(QPainter&)>;

/// Paints in canvas coordinates onto a picture that is kMargin wider on each side.
QImage Paint(const Painting& paint) {
    QImage image(kPaintedWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(kMargin, 0);
    paint(painter);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

/// The painted pixels cut to their bounding box, as planes of straight colour.
PsdLayerSpec ToLayer(const std::string& name, const QImage& image) {
    int left = kPaintedWidth, top = kHeight, right = 0, bottom = 0;
    for (int y = 0; y < kHeight; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < kPaintedWidth; ++x) {
            if (qAlpha(row[x]) == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
        }
    }
    PsdLayerSpec layer;
    layer.name = name;
    layer.box = { top, left - kMargin, bottom, right - kMargin };
    const std::size_t size = static_cast<std::size_t>(right - left) * static_cast<std::size_t>(bottom - top);
    layer.colour.assign(3, PsdPlane {});
    for (auto& plane : layer.colour) plane.reserve(size);
    layer.transparency.reserve(size);
    for (int y = top; y < bottom; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = left; x < right; ++x) {
            const QRgb p = row[x];
            // Fully transparent pixels get one colour so that their rows pack well.
            const bool clear = qAlpha(p) == 0;
            layer.colour[0].push_back(static_cast<std::uint16_t>(clear ? 0 : qRed(p)));
            layer.colour[1].push_back(static_cast<std::uint16_t>(clear ? 0 : qGreen(p)));
            layer.colour[2].push_back(static_cast<std::uint16_t>(clear ? 0 : qBlue(p)));
            layer.transparency.push_back(static_cast<std::uint16_t>(qAlpha(p)));
        }
    }
    return layer;
}

QPainterPath HillPath(double base, const std::function<double(double)>& height) {
    QPainterPath path;
    path.moveTo(-kMargin - 10, kHeight + 10);
    for (int x = -kMargin - 10; x <= kWidth + kMargin + 10; x += 4) path.lineTo(x, base + height(x));
    path.lineTo(kWidth + kMargin + 10, kHeight + 10);
    path.closeSubpath();
    return path;
}

void Sky(QPainter& p) {
    QLinearGradient g(0, 0, 0, 820);
    g.setColorAt(0.0, QColor(38, 74, 140));
    g.setColorAt(0.55, QColor(110, 150, 205));
    g.setColorAt(0.85, QColor(238, 196, 160));
    g.setColorAt(1.0, QColor(250, 214, 165));
    p.fillRect(-kMargin, 0, kPaintedWidth, kHeight, g);
}

void Sun(QPainter& p) {
    // Flat colours with soft rims: smooth two-dimensional gradients would not pack
    // well with RLE, and the sample has to stay small.
    const QPointF centre(1190, 430);
    QRadialGradient halo(centre, 150);
    halo.setColorAt(0.0, QColor(255, 236, 170, 110));
    halo.setColorAt(0.6, QColor(255, 236, 170, 110));
    halo.setColorAt(1.0, QColor(255, 236, 170, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(centre, 150, 150);
    QRadialGradient disc(centre, 78);
    disc.setColorAt(0.0, QColor(255, 248, 214));
    disc.setColorAt(0.8, QColor(255, 248, 214));
    disc.setColorAt(1.0, QColor(255, 240, 190, 0));
    p.setBrush(disc);
    p.drawEllipse(centre, 78, 78);
}

void Cloud(QPainter& p, double cx, double cy, double scale) {
    const double puffs[][3]
        = { { -90, 10, 55 }, { -35, -25, 70 }, { 35, -15, 62 }, { 95, 12, 48 }, { 0, 20, 60 } };
    p.setPen(Qt::NoPen);
    for (const auto& puff : puffs) {
        const QPointF c(cx + puff[0] * scale, cy + puff[1] * scale);
        const double r = puff[2] * scale;
        QRadialGradient g(c, r);
        g.setColorAt(0.0, QColor(255, 255, 255, 200));
        g.setColorAt(0.75, QColor(255, 255, 255, 200));
        g.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
    // A flat grey underside gives the puffs some volume.
    QPainterPath under;
    under.addEllipse(QPointF(cx, cy + 38 * scale), 120 * scale, 22 * scale);
    p.setBrush(QColor(214, 220, 236, 150));
    p.drawPath(under);
}

void Clouds(QPainter& p) {
    Cloud(p, 330, 230, 1.2);
    Cloud(p, 760, 150, 0.8);
    Cloud(p, 1420, 250, 0.9);
}

void FarHills(QPainter& p) {
    const auto path = HillPath(700, [](double x) {
        return 45 * std::sin(x / 170.0) + 28 * std::sin(x / 63.0 + 1.0) + 15 * std::sin(x / 29.0);
    });
    QLinearGradient g(0, 620, 0, 1000);
    g.setColorAt(0.0, QColor(132, 140, 190, 200));
    g.setColorAt(0.3, QColor(112, 122, 175, 245));
    g.setColorAt(1.0, QColor(86, 98, 150));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(path);
}

void NearHills(QPainter& p) {
    const auto path = HillPath(
        860, [](double x) { return 55 * std::sin(x / 260.0 + 2.0) + 18 * std::sin(x / 90.0) - 10; });
    QLinearGradient g(0, 780, 0, kHeight);
    g.setColorAt(0.0, QColor(126, 186, 92));
    g.setColorAt(0.5, QColor(88, 150, 66));
    g.setColorAt(1.0, QColor(52, 104, 44));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(path);
}

void House(QPainter& p) {
    p.setPen(QPen(QColor(90, 60, 45), 3));
    p.setBrush(QColor(240, 226, 196));
    p.drawRect(QRectF(430, 780, 210, 140));
    QPainterPath roof;
    roof.moveTo(410, 785);
    roof.lineTo(535, 690);
    roof.lineTo(660, 785);
    roof.closeSubpath();
    p.setBrush(QColor(170, 64, 48));
    p.drawPath(roof);
    p.setBrush(QColor(150, 70, 55));
    p.drawRect(QRectF(590, 700, 26, 55));
    p.setBrush(QColor(120, 78, 50));
    p.drawRoundedRect(QRectF(515, 840, 44, 80), 6, 6);
    p.setBrush(QColor(170, 214, 240));
    for (double x : { 450.0, 585.0 }) {
        p.drawRect(QRectF(x, 805, 38, 34));
        p.drawLine(QPointF(x + 19, 805), QPointF(x + 19, 839));
        p.drawLine(QPointF(x, 822), QPointF(x + 38, 822));
    }
    // A wisp of smoke from the chimney, fading as it rises.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        const QPointF c(603 + 12 * std::sin(i * 1.3), 680 - 28 * i);
        const double r = 10 + 4 * i;
        QRadialGradient g(c, r);
        g.setColorAt(0.0, QColor(235, 235, 240, 150 - 22 * i));
        g.setColorAt(1.0, QColor(235, 235, 240, 0));
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
}

void Tree(QPainter& p, double x, double ground, double size) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(102, 70, 44));
    p.drawRect(QRectF(x - 9 * size, ground - 90 * size, 18 * size, 90 * size));
    const double blobs[][3]
        = { { 0, -150, 62 }, { -42, -118, 48 }, { 44, -112, 50 }, { 0, -200, 44 }, { -20, -95, 40 } };
    for (const auto& b : blobs) {
        const QPointF c(x + b[0] * size, ground + b[1] * size);
        const double r = b[2] * size;
        p.setBrush(QColor(44, 102, 50));
        p.drawEllipse(c, r, r);
        p.setBrush(QColor(78, 146, 64));
        p.drawEllipse(c + QPointF(-r * 0.14, -r * 0.16), r * 0.8, r * 0.8);
        p.setBrush(QColor(126, 184, 88));
        p.drawEllipse(c + QPointF(-r * 0.34, -r * 0.36), r * 0.3, r * 0.3);
    }
}

void Trees(QPainter& p) {
    Tree(p, 240, 930, 1.1);
    Tree(p, 760, 950, 0.85);
    Tree(p, 1320, 905, 1.0);
    Tree(p, 1490, 975, 1.25);
}

void Meadow(QPainter& p) {
    const auto path
        = HillPath(1060, [](double x) { return 22 * std::sin(x / 140.0 + 0.5) + 8 * std::sin(x / 37.0); });
    QLinearGradient g(0, 1030, 0, kHeight);
    g.setColorAt(0.0, QColor(96, 160, 60));
    g.setColorAt(1.0, QColor(58, 116, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(path);
    // Blades of grass along the top edge and a scatter of flowers.
    p.setPen(QPen(QColor(70, 130, 48), 3, Qt::SolidLine, Qt::RoundCap));
    for (int x = -kMargin; x < kWidth + kMargin; x += 11) {
        const double top = 1060 + 22 * std::sin(x / 140.0 + 0.5) + 8 * std::sin(x / 37.0);
        const double lean = 6 * std::sin(x * 0.7);
        p.drawLine(QPointF(x, top + 6), QPointF(x + lean, top - 14 - 6 * std::fabs(std::sin(x * 1.3))));
    }
    const QColor petals[] = { QColor(255, 255, 255), QColor(255, 214, 80), QColor(240, 130, 170) };
    p.setPen(Qt::NoPen);
    std::uint32_t seed = 12345;
    auto next = [&seed](double range) {
        seed = seed * 1664525u + 1013904223u;
        return range * (seed >> 8) / double(1u << 24);
    };
    for (int i = 0; i < 70; ++i) {
        const double x = next(kPaintedWidth) - kMargin;
        const double y = 1105 + next(85);
        p.setBrush(petals[i % 3]);
        p.drawEllipse(QPointF(x, y), 6, 6);
        p.setBrush(QColor(250, 200, 60));
        p.drawEllipse(QPointF(x, y), 2.5, 2.5);
    }
}

/// A gull-like bird; `lift` from -1 (wings down) to 1 (wings up).
Painting Bird(double cx, double cy, double lift) {
    return [=](QPainter& p) {
        p.setPen(QPen(QColor(44, 44, 60), 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        for (int side : { -1, 1 }) {
            QPainterPath wing;
            wing.moveTo(cx, cy);
            wing.cubicTo(cx + side * 22, cy - 30 * lift - 12, cx + side * 48, cy - 38 * lift - 6,
                cx + side * 70, cy - 50 * lift + 10);
            p.drawPath(wing);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(44, 44, 60));
        p.drawEllipse(QPointF(cx, cy + 2), 8, 6);
    };
}

void CompositeOver(QImage& target, const QImage& layer) {
    QPainter painter(&target);
    painter.drawImage(-kMargin, 0, layer);
}

PsdPlane Channel(const QImage& image, int shift) {
    PsdPlane plane;
    plane.reserve(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < kWidth; ++x)
            plane.push_back(static_cast<std::uint16_t>((row[x] >> shift) & 0xFF));
    }
    return plane;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_sample_scene <scene.psd> [preview.png]\n");
        return 2;
    }
    try {
        deptrix::PsdWriterOptions options;
        options.width = kWidth;
        options.height = kHeight;
        options.resolutionPpi = kPpi;
        deptrix::PsdWriter writer(options);

        QImage merged(kWidth, kHeight, QImage::Format_ARGB32);
        merged.fill(Qt::white);
        auto add = [&](const std::string& name, const Painting& paint) {
            const QImage image = Paint(paint);
            writer.addLayer(ToLayer(name, image));
            CompositeOver(merged, image);
        };

        add("Sky", Sky);
        add("Sun", Sun);
        add("Clouds", Clouds);
        add("Far hills", FarHills);
        add("Near hills", NearHills);
        add("House", House);
        add("Trees", Trees);
        add("Meadow", Meadow);
        writer.beginFolder();
        add("Bird wings up", Bird(760, 390, 1.0));
        add("Bird wings level", Bird(910, 345, 0.15));
        add("Bird wings down", Bird(1060, 310, -0.8));
        writer.endFolder("flip");

        writer.setMergedImage({ Channel(merged, 16), Channel(merged, 8), Channel(merged, 0) }, false);
        const auto bytes = writer.finish();
        deptrix::WriteFileAtomically(argv[1], bytes);
        if (argc > 2 && !merged.save(QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        std::printf("%s: %zu bytes\n", argv[1], bytes.size());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
