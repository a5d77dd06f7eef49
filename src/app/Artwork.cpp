#include "app/Artwork.h"

#include "app/Texts.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace deptrix {

namespace {

void Hills(QPainter& p, QSizeF size, int count) {
    for (int i = 0; i < count; ++i) {
        const qreal depth = static_cast<qreal>(i) / count;
        const qreal base = size.height() * (0.45 + 0.13 * i);
        QPainterPath hill;
        // The path reaches past both edges so the shifted planes leave no gaps.
        hill.moveTo(-size.width() * 0.1, size.height());
        for (int x = -6; x <= 66; ++x) {
            const qreal fx = size.width() * x / 60.0;
            const qreal wave = std::sin(x * (0.21 + 0.05 * i) + i * 1.7) * size.height() * (0.06 - 0.008 * i);
            hill.lineTo(fx, base + wave);
        }
        hill.lineTo(size.width() * 1.1, size.height());
        hill.closeSubpath();
        const int green = static_cast<int>(150 - 70 * depth);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60 + 30 * i, green + 30, 90 - 10 * i));
        // Each plane is shifted a little, as the views of a lenticular print are.
        p.drawPath(hill.translated(size.width() * 0.01 * (i - count / 2.0), 0));
    }
}

} // namespace

QImage ProductPicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(0.6, QColor(250, 190, 120));
    p.fillRect(image.rect(), sky);
    p.setBrush(QColor(255, 240, 200));
    p.setPen(Qt::NoPen);
    p.drawEllipse(
        QPointF(size.width() * 0.8, size.height() * 0.45), size.height() * 0.06, size.height() * 0.06);
    Hills(p, size, 4);

    QFont titleFont("Sans", std::max(12, size.height() / 9), QFont::Bold);
    p.setFont(titleFont);
    const QString title = ProductTitle();
    const QRectF titleBox(0, size.height() * 0.08, size.width(), size.height() * 0.2);
    p.setPen(QColor(230, 40, 40, 170));
    p.drawText(titleBox.translated(-3, 0), Qt::AlignCenter, title);
    p.setPen(QColor(30, 200, 220, 170));
    p.drawText(titleBox.translated(3, 0), Qt::AlignCenter, title);
    p.setPen(Qt::white);
    p.drawText(titleBox, Qt::AlignCenter, title);
    p.setFont(QFont("Sans", std::max(8, size.height() / 30)));
    p.drawText(QRectF(0, size.height() * 0.27, size.width(), size.height() * 0.08), Qt::AlignCenter,
        "Lenticular and flip pictures from layered images");
    return image;
}

QImage LinkPicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(60, 110, 190));
    sky.setColorAt(1, QColor(240, 200, 150));
    p.fillRect(image.rect(), sky);
    Hills(p, size, 3);
    p.setPen(Qt::white);
    p.setFont(QFont("Sans", std::max(7, size.height() / 5), QFont::Bold));
    p.drawText(image.rect(), Qt::AlignCenter, kWebLinkCaption);
    return image;
}

} // namespace deptrix
