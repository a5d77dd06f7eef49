#include "app/HelpPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <array>
#include <cmath>

namespace deptrix {

namespace {

constexpr QSize kSize(300, 150);
const QColor kPaper(250, 250, 246);
const QColor kInk(40, 40, 48);
const QColor kLine(200, 30, 30);

QString Label(int language, const char* english, const char* chinese) {
    return QString::fromUtf8(language == 1 ? chinese : english);
}

QImage Blank() {
    QImage image(kSize, QImage::Format_RGB32);
    image.fill(kPaper);
    return image;
}

void Prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
}

void Point(QPainter& p, QPointF at) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(at.x() - 3, at.y() - 3, 6, 6));
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal length = std::hypot(d.x(), d.y());
    if (length <= 0) return;
    const QPointF u = d / length;
    const QPointF n(-u.y(), u.x());
    p.drawLine(to, to - u * 7 + n * 4);
    p.drawLine(to, to - u * 7 - n * 4);
}

// Points set one by one with the left button; the right button closes the outline.
QImage DrawOutline(int language) {
    QImage image = Blank();
    QPainter p(&image);
    Prepare(p);
    const std::array<QPointF, 5> points { QPointF(40, 110), QPointF(70, 35), QPointF(150, 25),
        QPointF(190, 85), QPointF(130, 125) };
    p.setPen(QPen(kLine, 2));
    for (std::size_t i = 1; i < points.size(); ++i) p.drawLine(points[i - 1], points[i]);
    p.setPen(QPen(kLine, 2, Qt::DashLine));
    p.drawLine(points.back(), points.front());
    for (std::size_t i = 0; i < points.size(); ++i) {
        Point(p, points[i]);
        p.setPen(kInk);
        p.drawText(points[i] + QPointF(6, -6), QString::number(i + 1));
    }
    p.setPen(kInk);
    p.drawText(QRectF(200, 20, 96, 40), Qt::AlignLeft | Qt::TextWordWrap,
        Label(language, "left click: a point", "左键：加一点"));
    p.drawText(QRectF(5, 130, 190, 18), Qt::AlignLeft, Label(language, "right click: close", "右键：闭合"));
    Arrow(p, QPointF(66, 131), QPointF(80, 121));
    p.end();
    return image;
}

// Nested outlines: the outer one far, the inner ones nearer, and the profile they make.
QImage NearAndFar(int language) {
    QImage image = Blank();
    QPainter p(&image);
    Prepare(p);
    const std::array<std::pair<int, QRectF>, 3> outlines { std::pair { 15, QRectF(15, 15, 130, 120) },
        std::pair { 8, QRectF(40, 38, 80, 74) }, std::pair { 1, QRectF(65, 60, 30, 30) } };
    for (const auto& [order, box] : outlines) {
        const int grey = 90 + (15 - order) * 10;
        p.setPen(QPen(kLine, 1.5));
        p.setBrush(QColor(grey, grey, 255 - (15 - order) * 4));
        p.drawEllipse(box);
        p.setPen(kInk);
        p.drawText(box.adjusted(0, 2, 0, 0), Qt::AlignHCenter | Qt::AlignTop, QString::number(order));
    }
    // The side view: nearer orders stand out towards the viewer.
    const qreal base = 130;
    QPainterPath profile;
    profile.moveTo(160, base);
    profile.lineTo(170, base - 20);
    profile.lineTo(190, base - 20);
    profile.lineTo(195, base - 60);
    profile.lineTo(215, base - 60);
    profile.lineTo(220, base - 100);
    profile.lineTo(240, base - 100);
    profile.lineTo(245, base - 60);
    profile.lineTo(265, base - 60);
    profile.lineTo(270, base - 20);
    profile.lineTo(290, base - 20);
    profile.lineTo(295, base);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(200, 200, 240));
    p.drawPath(profile);
    p.drawText(QRectF(150, 2, 150, 16), Qt::AlignCenter, Label(language, "1 near", "1 近"));
    p.drawText(QRectF(150, base + 2, 150, 16), Qt::AlignCenter, Label(language, "15 far", "15 远"));
    p.end();
    return image;
}

// A selection box with its handles, one handle pulled, and a point dragged.
QImage Editing(int language) {
    QImage image = Blank();
    QPainter p(&image);
    Prepare(p);
    QPolygonF outline;
    outline << QPointF(40, 100) << QPointF(60, 40) << QPointF(120, 30) << QPointF(140, 90)
            << QPointF(90, 120);
    p.setPen(QPen(kLine, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(outline);
    const QRectF box = outline.boundingRect();
    p.setPen(QPen(kInk, 1, Qt::DashLine));
    p.drawRect(box);
    p.setPen(QPen(kInk, 1));
    for (qreal fx : { 0.0, 0.5, 1.0 })
        for (qreal fy : { 0.0, 0.5, 1.0 }) {
            if (fx == 0.5 && fy == 0.5) continue;
            const QPointF at(box.left() + box.width() * fx, box.top() + box.height() * fy);
            p.setBrush(QColor(240, 240, 240));
            p.drawRect(QRectF(at.x() - 4, at.y() - 4, 8, 8));
        }
    Arrow(p, box.bottomRight() + QPointF(6, 6), box.bottomRight() + QPointF(30, 22));
    // The point tool moves one point: old place dotted, new place solid.
    const QPointF from(230, 40), to(265, 70);
    p.setPen(QPen(kLine, 2, Qt::DotLine));
    p.drawLine(QPointF(180, 110), from);
    p.drawLine(from, QPointF(290, 110));
    p.setPen(QPen(kLine, 2));
    p.drawLine(QPointF(180, 110), to);
    p.drawLine(to, QPointF(290, 110));
    Point(p, to);
    p.setPen(kInk);
    Arrow(p, from, to + QPointF(-5, -5));
    p.drawText(QRectF(170, 118, 130, 30), Qt::AlignCenter | Qt::TextWordWrap,
        Label(language, "Ctrl+Z undoes", "Ctrl+Z 撤销"));
    p.end();
    return image;
}

// The same outlines as a profile: Depth sets the height, Smooth rounds the steps.
QImage DepthAndSmooth(int language) {
    QImage image = Blank();
    QPainter p(&image);
    Prepare(p);
    const auto profile = [&p](qreal left, qreal height, qreal softness) {
        QPainterPath path;
        const qreal base = 120;
        path.moveTo(left, base);
        for (int x = 0; x <= 120; ++x) {
            // Two nested plateaus, their edges softened by a smooth step of width softness.
            const auto step = [softness](qreal t, qreal edge) {
                const qreal d = (t - edge) / std::max<qreal>(softness, 0.5);
                return softness <= 0 ? (t >= edge ? 1.0 : 0.0) : 1.0 / (1.0 + std::exp(-d));
            };
            const qreal t = std::min<qreal>(x, 120 - x);
            const qreal level = 0.5 * step(t, 15) + 0.5 * step(t, 40);
            path.lineTo(left + x, base - level * height);
        }
        path.lineTo(left + 120, base);
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(200, 200, 240));
        p.drawPath(path);
    };
    profile(15, 40, 0);
    profile(160, 90, 5);
    p.setPen(kInk);
    p.drawText(QRectF(5, 125, 140, 20), Qt::AlignCenter,
        Label(language, "small Depth, no Smooth", "景深小，不光滑"));
    p.drawText(
        QRectF(150, 125, 150, 20), Qt::AlignCenter, Label(language, "large Depth, Smooth", "景深大，光滑"));
    p.end();
    return image;
}

// What Depth map shows: near light, far dark.
QImage DepthMap(int language) {
    QImage image = Blank();
    QPainter p(&image);
    Prepare(p);
    const QRectF map(15, 10, 170, 130);
    p.fillRect(map, QColor(20, 20, 20));
    QRadialGradient hill(map.center(), 60);
    hill.setColorAt(0, QColor(245, 245, 245));
    hill.setColorAt(1, QColor(20, 20, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(hill);
    p.drawEllipse(map.center(), 60, 55);
    QLinearGradient scale(0, 20, 0, 130);
    scale.setColorAt(0, Qt::white);
    scale.setColorAt(1, Qt::black);
    p.setBrush(scale);
    p.setPen(QPen(kInk, 1));
    p.drawRect(QRectF(210, 20, 20, 110));
    p.drawText(QRectF(236, 14, 64, 20), Qt::AlignLeft | Qt::AlignVCenter, Label(language, "near", "近"));
    p.drawText(QRectF(236, 116, 64, 20), Qt::AlignLeft | Qt::AlignVCenter, Label(language, "far", "远"));
    p.end();
    return image;
}

// A cut through the lens sheet: each lens lies over one strip of every view.
QImage Print(int language) {
    QImage image = Blank();
    QPainter p(&image);
    Prepare(p);
    constexpr int kViews = 7;
    constexpr qreal kStrip = 5;
    constexpr qreal kPitch = kViews * kStrip;
    const qreal top = 70;
    for (int lens = 0; lens < 7; ++lens) {
        const qreal left = 20 + lens * kPitch;
        for (int v = 0; v < kViews; ++v)
            p.fillRect(QRectF(left + v * kStrip, top, kStrip, 30), QColor::fromHsv(v * 45, 150, 230));
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(180, 210, 240, 160));
        p.drawChord(QRectF(left, top - kPitch / 2, kPitch, kPitch), 0, 180 * 16);
    }
    p.setPen(QPen(kInk, 1));
    const qreal y = top + 42;
    Arrow(p, QPointF(20 + kPitch / 2, y), QPointF(20, y));
    Arrow(p, QPointF(20 + kPitch / 2, y), QPointF(20 + kPitch, y));
    p.drawText(QRectF(10, y + 4, 150, 20), Qt::AlignLeft,
        Label(language, "lens pitch = 1 / LPI inch", "光栅间距 = 1/LPI 英寸"));
    p.drawText(QRectF(10, 10, 280, 20), Qt::AlignLeft,
        Label(language, "one strip of each view under every lens", "每个光栅下有每个视角的一条"));
    p.drawText(QRectF(10, 24, 280, 20), Qt::AlignLeft,
        Label(language, "strip width follows the DPI", "条宽由 DPI 决定"));
    p.end();
    return image;
}

} // namespace

QImage DrawHelpPicture(HelpPicture picture, int language) {
    switch (picture) {
    case HelpPicture::DrawOutline:
        return DrawOutline(language);
    case HelpPicture::NearAndFar:
        return NearAndFar(language);
    case HelpPicture::Editing:
        return Editing(language);
    case HelpPicture::DepthAndSmooth:
        return DepthAndSmooth(language);
    case HelpPicture::DepthMap:
        return DepthMap(language);
    case HelpPicture::Print:
    case HelpPicture::Count:
        break;
    }
    return Print(language);
}

} // namespace deptrix
