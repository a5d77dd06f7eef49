#include "app/Icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace deptrix {

namespace {

const QColor kInk(40, 56, 80);
const QColor kAccent(30, 120, 210);
const QColor kRed(210, 40, 40);
const QColor kGreen(40, 150, 70);
const QColor kPaper(250, 250, 245);

void Page(QPainter& p) {
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kPaper);
    QPainterPath page;
    page.moveTo(8, 3);
    page.lineTo(20, 3);
    page.lineTo(26, 9);
    page.lineTo(26, 29);
    page.lineTo(8, 29);
    page.closeSubpath();
    p.drawPath(page);
    p.drawLine(QPointF(20, 3), QPointF(20, 9));
    p.drawLine(QPointF(20, 9), QPointF(26, 9));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
    p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QLineF line(to, from);
    QLineF wing1 = line;
    wing1.setLength(7);
    wing1.setAngle(line.angle() + 35);
    QLineF wing2 = line;
    wing2.setLength(7);
    wing2.setAngle(line.angle() - 35);
    p.drawLine(wing1);
    p.drawLine(wing2);
}

void Magnifier(QPainter& p, bool plus) {
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(QColor(220, 235, 250));
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(28, 28));
    p.setPen(QPen(kInk, 2.5));
    p.drawLine(QPointF(9, 13), QPointF(17, 13));
    if (plus) p.drawLine(QPointF(13, 9), QPointF(13, 17));
}

QPolygonF Outline() {
    return QPolygonF({ QPointF(5, 22), QPointF(9, 8), QPointF(20, 5), QPointF(27, 14), QPointF(21, 27) });
}

void Cross(QPainter& p, QPointF c, qreal r) {
    p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
    p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
}

void Dot(QPainter& p, QPointF c, const QColor& color) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(color);
    p.drawRect(QRectF(c.x() - 2.5, c.y() - 2.5, 5, 5));
}

void Lines(QPainter& p, int count) {
    p.setPen(QPen(kAccent, 2));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) p.drawPolygon(Outline().translated(-2 + 3 * i, -2 + 3 * i));
}

/// A square going from dark (far) to light (near): a depth map.
void DepthRamp(QPainter& p) {
    QLinearGradient ramp(QPointF(4, 0), QPointF(24, 0));
    ramp.setColorAt(0, QColor(30, 30, 30));
    ramp.setColorAt(1, QColor(245, 245, 245));
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(ramp);
    p.drawRect(QRectF(3, 4, 22, 22));
}

void Draw(QPainter& p, const QString& name) {
    if (name == "load-depth-map") {
        DepthRamp(p);
        Arrow(p, QPointF(30, 16), QPointF(19, 16), kGreen);
    } else if (name == "clear-depth-map") {
        DepthRamp(p);
        Cross(p, QPointF(24, 24), 5);
    } else if (name == "open-project") {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(3, 9, 26, 18));
        p.setBrush(QColor(250, 220, 120));
        p.drawPolygon(QPolygonF({ QPointF(3, 27), QPointF(8, 14), QPointF(31, 14), QPointF(29, 27) }));
    } else if (name == "save-project") {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 5, 14, 9));
        p.drawRect(QRectF(10, 19, 12, 9));
    } else if (name == "import") {
        Page(p);
        p.setBrush(QColor(120, 180, 240));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(11, 14, 11, 4));
        p.setBrush(QColor(90, 170, 90));
        p.drawRect(QRectF(11, 19, 11, 4));
        Arrow(p, QPointF(2, 16), QPointF(11, 16), kGreen);
    } else if (name == "zoom-in" || name == "zoom-out") {
        Magnifier(p, name == "zoom-in");
    } else if (name == "undo-point") {
        p.setPen(QPen(kAccent, 2));
        p.drawPolyline(QPolygonF({ QPointF(4, 26), QPointF(12, 10), QPointF(22, 16) }));
        Dot(p, QPointF(22, 16), kRed);
        Arrow(p, QPointF(28, 8), QPointF(18, 8), kInk);
    } else if (name == "delete-line") {
        Lines(p, 1);
        Cross(p, QPointF(24, 24), 4);
    } else if (name == "delete-order") {
        Lines(p, 2);
        Cross(p, QPointF(24, 24), 4);
    } else if (name == "delete-all") {
        Lines(p, 3);
        Cross(p, QPointF(16, 16), 9);
    } else if (name == "preview") {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF({ QPointF(8, 5), QPointF(27, 16), QPointF(8, 27) }));
    } else if (name == "stop") {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawRoundedRect(QRectF(7, 7, 18, 18), 2, 2);
    } else if (name == "export-tiff") {
        Page(p);
        p.setPen(QPen(kInk, 1));
        p.setFont(QFont("Sans", 6, QFont::Bold));
        p.drawText(QRectF(8, 14, 18, 10), Qt::AlignCenter, "TIF");
    } else if (name == "print") {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(170, 180, 195));
        p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 20, 14, 9));
    } else if (name == "begin-line") {
        p.setPen(QPen(kAccent, 2, Qt::DashLine));
        p.drawPolyline(QPolygonF({ QPointF(3, 28), QPointF(9, 18), QPointF(15, 22) }));
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(240, 190, 60));
        p.drawPolygon(QPolygonF({ QPointF(15, 22), QPointF(26, 5), QPointF(30, 8), QPointF(19, 25) }));
    } else if (name == "glasses") {
        p.setPen(QPen(kInk, 2));
        p.setBrush(QColor(230, 40, 40, 200));
        p.drawEllipse(QRectF(2, 11, 12, 10));
        p.setBrush(QColor(40, 200, 220, 200));
        p.drawEllipse(QRectF(18, 11, 12, 10));
        p.drawLine(QPointF(14, 14), QPointF(18, 14));
    } else if (name == "stereo") {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(170, 210, 240));
        p.drawRect(QRectF(2, 9, 13, 14));
        p.drawRect(QRectF(17, 9, 13, 14));
    } else if (name == "draw-line") {
        p.setPen(QPen(kAccent, 2));
        p.drawPolyline(Outline());
        for (QPointF point : Outline()) Dot(p, point, kPaper);
    } else if (name == "add-point" || name == "delete-point" || name == "move-point") {
        p.setPen(QPen(kAccent, 2));
        p.drawPolygon(Outline());
        Dot(p, QPointF(24, 20.5), name == "add-point" ? kGreen : kRed);
        if (name == "add-point") {
            p.setPen(QPen(kGreen, 2.5));
            p.drawLine(QPointF(5, 29), QPointF(11, 29));
            p.drawLine(QPointF(8, 26), QPointF(8, 32));
        } else if (name == "delete-point") {
            Cross(p, QPointF(8, 27), 3);
        } else {
            Arrow(p, QPointF(24, 20.5), QPointF(30, 29), kInk);
        }
    } else if (name == "move-line") {
        Lines(p, 1);
        Arrow(p, QPointF(16, 16), QPointF(16, 4), kInk);
        Arrow(p, QPointF(16, 16), QPointF(28, 16), kInk);
    } else if (name == "order-down" || name == "order-up") {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(200, 220, 240));
        p.drawRect(QRectF(3, 4, 16, 7));
        p.drawRect(QRectF(3, 21, 16, 7));
        if (name == "order-down")
            Arrow(p, QPointF(25, 5), QPointF(25, 27), kGreen);
        else
            Arrow(p, QPointF(25, 27), QPointF(25, 5), kGreen);
    } else if (name == "cut") {
        p.setPen(QPen(kInk, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(4, 20, 8, 8));
        p.drawEllipse(QRectF(20, 20, 8, 8));
        p.drawLine(QPointF(10, 21), QPointF(22, 4));
        p.drawLine(QPointF(22, 21), QPointF(10, 4));
    } else if (name == "paste") {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(200, 160, 110));
        p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(10, 10, 17, 19));
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(QRectF(11, 3, 8, 5));
    } else if (name == "language") {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.drawEllipse(QRectF(10, 3, 12, 26));
        p.drawLine(QPointF(3, 16), QPointF(29, 16));
    }
}

const char* ThemeName(const QString& name) {
    static const QHash<QString, const char*> names {
        { "open-project", "document-open" },
        { "save-project", "document-save" },
        { "zoom-in", "zoom-in" },
        { "zoom-out", "zoom-out" },
        { "preview", "media-playback-start" },
        { "stop", "media-playback-stop" },
        { "print", "document-print" },
        { "cut", "edit-cut" },
        { "paste", "edit-paste" },
    };
    return names.value(name, nullptr);
}

} // namespace

QIcon DrawnIcon(const QString& name) {
    QIcon icon;
    for (int size : { 16, 24, 32, 48 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        Draw(painter, name);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon ToolIcon(const QString& name) {
    const QIcon drawn = DrawnIcon(name);
    const char* theme = ThemeName(name);
    return theme ? QIcon::fromTheme(QString::fromLatin1(theme), drawn) : drawn;
}

} // namespace deptrix
