#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

namespace deptrix {

class Bitmap;

/// The picture control of the view area: draws its picture stretched to the
/// control, keeping the picture's proportions and centring it. A reduced picture is
/// drawn smoothed from a scaled copy; an enlarged one, or one larger than the
/// screen, is sampled nearest-neighbour for the exposed part only, so neither time
/// nor memory grows with the zoom.
class PictureControl : public QWidget {
    Q_OBJECT
public:
    explicit PictureControl(QWidget* parent = nullptr);

    /// Shows a copy of a 24-bit picture (other formats show nothing).
    void showBitmap(const Bitmap& bitmap);
    /// Shows a picture that is already prepared (implicitly shared, not copied).
    void showImage(const QImage& image);
    /// Shows a picture that its owner keeps changing in place (the outline editor's
    /// display, viewed without a copy): drawn with nearest-neighbour sampling and no
    /// scaled copies, so a change costs only the repaint of the part that changed.
    /// The owner keeps the pixels alive until another picture is shown.
    void showLiveImage(const QImage& image);
    /// Repaints the part `area` (picture pixels) of a live picture.
    void updatePictureArea(const QRect& area);
    void clearPicture();
    /// The picture shown becomes a copy of its own, so the memory it was viewed in may
    /// change or go; its scaled copies stay valid.
    void detachPicture();
    /// Makes the reduced copy that showing `image` at the control's present size would
    /// draw from, so that showing it later only draws. Pictures that are not drawn
    /// from a reduced copy need nothing.
    void prepare(const QImage& image);

    const QImage& picture() const { return m_image; }
    QSize pictureSize() const { return m_image.size(); }
    /// Where the picture is drawn inside the control.
    QRect pictureRect() const;

    /// Bytes held in scaled copies of pictures (none is larger than the screen).
    qint64 cachedBytes() const;

    /// A deep copy of a 24-bit picture as a QImage.
    static QImage ToImage(const Bitmap& bitmap);
    /// A 24-bit picture viewed as a QImage without a copy: the bitmap must keep its
    /// pixels, unchanged, for as long as the image or a shallow copy of it lives.
    /// Shown, it looks exactly as ToImage's copy does.
    static QImage ViewOf(const Bitmap& bitmap);

signals:
    /// Another picture is shown (not a repaint of a part of the live one).
    void pictureReplaced();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Scaled {
        qint64 key = 0;
        QImage image;
    };
    /// A smoothly reduced copy of `image` for `size`, or null when `size` does not
    /// qualify.
    const QImage* reducedFor(const QImage& image, const QSize& size);
    QRect pictureRectFor(const QSize& pictureSize) const;

    QImage m_image;
    bool m_live = false;
    // Playback cycles through seven pictures; keeping their reduced copies means a
    // frame only draws, it never rescales.
    std::vector<Scaled> m_scaled;
};

} // namespace deptrix
