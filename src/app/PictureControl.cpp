#include "app/PictureControl.h"

#include "app/NearestStretch.h"
#include "core/Bitmap.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace deptrix {

namespace {

// One reduced copy per preview view, and one more for the composite.
constexpr size_t kKeptCopies = 8;

} // namespace

PictureControl::PictureControl(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QImage PictureControl::ToImage(const Bitmap& bitmap) {
    return ViewOf(bitmap).convertToFormat(QImage::Format_RGB32);
}

QImage PictureControl::ViewOf(const Bitmap& bitmap) {
    if (bitmap.empty() || bitmap.format() != PixelFormat::Bgr24) return QImage();
    // The read-only constructor: anything that would write copies first.
    const std::uint8_t* pixels = bitmap.bits();
    return QImage(pixels, bitmap.width(), bitmap.height(), static_cast<qsizetype>(bitmap.stride()),
        QImage::Format_BGR888);
}

void PictureControl::showBitmap(const Bitmap& bitmap) {
    showImage(ToImage(bitmap));
}

void PictureControl::showImage(const QImage& image) {
    // Nearest-neighbour sampling reads pixels of 24 or 32 bits.
    m_image = image.isNull() || image.depth() == 32 || image.depth() == 24
        ? image
        : image.convertToFormat(QImage::Format_RGB32);
    m_live = false;
    update();
    emit pictureReplaced();
}

void PictureControl::showLiveImage(const QImage& image) {
    m_image = image;
    m_live = true;
    m_scaled.clear();
    update();
    emit pictureReplaced();
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
    m_scaled.clear();
    showImage(QImage());
}

void PictureControl::detachPicture() {
    if (m_image.isNull() || m_live) return;
    const qint64 before = m_image.cacheKey();
    m_image = m_image.copy();
    for (Scaled& copy : m_scaled)
        if (copy.key == before) copy.key = m_image.cacheKey();
}

void PictureControl::prepare(const QImage& image) {
    if (image.isNull() || m_live || (image.depth() != 32 && image.depth() != 24)) return;
    reducedFor(image, pictureRectFor(image.size()).size());
}

QRect PictureControl::pictureRect() const {
    return m_image.isNull() ? QRect() : pictureRectFor(m_image.size());
}

QRect PictureControl::pictureRectFor(const QSize& pictureSize) const {
    if (pictureSize.isEmpty() || width() <= 0 || height() <= 0) return QRect();
    const QSize fitted = pictureSize.scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

qint64 PictureControl::cachedBytes() const {
    qint64 bytes = 0;
    for (const Scaled& copy : m_scaled) bytes += copy.image.sizeInBytes();
    return bytes;
}

void PictureControl::paintEvent(QPaintEvent* event) {
    if (m_image.isNull()) return;
    const QRect target = pictureRect();
    const QRect exposed = event->rect() & target;
    if (exposed.isEmpty()) return;
    QPainter painter(this);
    // A live picture changes under its copies, so it is always sampled afresh.
    if (const QImage* reduced = m_live ? nullptr : reducedFor(m_image, target.size())) {
        painter.drawImage(exposed.topLeft(), *reduced, exposed.translated(-target.topLeft()));
        return;
    }
    const QImage part = StretchNearestPart(m_image, target.size(), exposed.translated(-target.topLeft()));
    painter.drawImage(exposed.topLeft(), part);
}

const QImage* PictureControl::reducedFor(const QImage& image, const QSize& size) {
    if (size.isEmpty() || size.width() > image.width() || size.height() > image.height()) return nullptr;
    const QScreen* display = screen();
    const QSize screenSize = display ? display->size() : QSize(1920, 1200);
    if (size.width() > screenSize.width() || size.height() > screenSize.height()) return nullptr;
    for (size_t i = 0; i < m_scaled.size(); ++i) {
        if (m_scaled[i].key == image.cacheKey() && m_scaled[i].image.size() == size) {
            std::rotate(m_scaled.begin(), m_scaled.begin() + static_cast<std::ptrdiff_t>(i),
                m_scaled.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return &m_scaled[0].image;
        }
    }
    // Copies at another size belong to a zoom that is over.
    std::erase_if(m_scaled, [&](const Scaled& copy) { return copy.image.size() != size; });
    if (m_scaled.size() == kKeptCopies) m_scaled.pop_back();
    m_scaled.insert(m_scaled.begin(),
        Scaled { image.cacheKey(), image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) });
    return &m_scaled[0].image;
}

} // namespace deptrix
