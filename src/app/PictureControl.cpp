#include "app/PictureControl.h"

#include "core/Bitmap.h"

#include <QPainter>
#include <algorithm>

namespace deptrix {

PictureControl::PictureControl(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QImage PictureControl::ToImage(const Bitmap& bitmap) {
    if (bitmap.empty() || bitmap.format() != PixelFormat::Bgr24) return QImage();
    const QImage view(bitmap.bits(), bitmap.width(), bitmap.height(), static_cast<qsizetype>(bitmap.stride()),
        QImage::Format_BGR888);
    return view.convertToFormat(QImage::Format_RGB32);
}

void PictureControl::showBitmap(const Bitmap& bitmap) {
    showImage(ToImage(bitmap));
}

void PictureControl::showImage(const QImage& image) {
    m_image = image;
    m_live = false;
    update();
}

void PictureControl::showLiveImage(const QImage& image) {
    m_image = image;
    m_live = true;
    m_scaled.clear();
    update();
}

void PictureControl::updatePictureArea(const QRect& area) {
    const QRect target = pictureRect();
    if (target.isEmpty() || m_image.isNull()) return;
    const double sx = static_cast<double>(target.width()) / m_image.width();
    const double sy = static_cast<double>(target.height()) / m_image.height();
    // One client pixel more on each side covers the rounding of the sampling.
    const QRect client(target.left() + static_cast<int>(area.left() * sx) - 1,
        target.top() + static_cast<int>(area.top() * sy) - 1, static_cast<int>(area.width() * sx) + 3,
        static_cast<int>(area.height() * sy) + 3);
    update(client.intersected(target));
}

void PictureControl::clearPicture() {
    showImage(QImage());
}

QRect PictureControl::pictureRect() const {
    if (m_image.isNull() || width() <= 0 || height() <= 0) return QRect();
    const QSize fitted = m_image.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void PictureControl::paintEvent(QPaintEvent*) {
    if (m_image.isNull()) return;
    const QRect target = pictureRect();
    if (target.isEmpty()) return;
    QPainter painter(this);
    if (m_live) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(target, m_image);
        return;
    }
    painter.drawImage(target.topLeft(), scaledFor(target.size()));
}

const QImage& PictureControl::scaledFor(const QSize& size) {
    constexpr size_t kKept = 8;
    for (size_t i = 0; i < m_scaled.size(); ++i) {
        if (m_scaled[i].key == m_image.cacheKey() && m_scaled[i].image.size() == size) {
            std::rotate(m_scaled.begin(), m_scaled.begin() + static_cast<std::ptrdiff_t>(i),
                m_scaled.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return m_scaled[0].image;
        }
    }
    if (m_scaled.size() == kKept) m_scaled.pop_back();
    m_scaled.insert(m_scaled.begin(),
        Scaled { m_image.cacheKey(), m_image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) });
    return m_scaled[0].image;
}

} // namespace deptrix
