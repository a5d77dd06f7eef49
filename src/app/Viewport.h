#pragma once

#include "core/Fixed.h"

#include <QScrollArea>

class QLabel;

namespace deptrix {

class PictureControl;

/// The grey scrolling view area (`ScrollBox1`) with the picture control (`Image1`)
/// and the "Front" label (`Label24`): fit after an import, zoom by 1.5, fit and
/// 100 % commands, Ctrl+wheel zoom about the pointer, and panning with the space
/// bar held.
///
/// Geometry and scale, as the outline editor relies on them:
/// - The picture control is a child of the scrolled content; its geometry (position
///   and size in content pixels) is what the zoom commands set. Content pixel
///   (cx, cy) is shown at viewport pixel (cx - scroll x, cy - scroll y).
/// - The control draws its picture stretched to the control, keeping proportions and
///   centred (PictureControl::pictureRect); after a zoom command the picture fills
///   the control to within a pixel.
/// - viewScale() is working pixels per client pixel of the picture control, x10000:
///   Round(ImageHeight / control height x 10000), set by every zoom command
///   (enlarge, reduce, wheel zoom, fit to window, 100 %) and kept otherwise (the fit
///   of an import leaves it, as does showing another picture). viewOffsetX/Y() are
///   the picture's margins inside the control in client pixels x10000, 0 after every
///   zoom command.
/// - A pointer at (px, py) in the picture control's own coordinates is therefore at
///   working pixel ((px - viewOffsetX / 10000) x viewScale / 10000,
///   (py - viewOffsetY / 10000) x viewScale / 10000).
class Viewport : public QScrollArea {
    Q_OBJECT
public:
    /// Enlarging stops at this many times the fitted size.
    static constexpr int kMaxZoom = 16;

    explicit Viewport(QWidget* parent = nullptr);

    PictureControl* picture() const { return m_picture; }
    QLabel* frontLabel() const { return m_frontLabel; }

    /// Sizes the picture control to the client area less 4 pixels each way, shrunk on
    /// one axis to imageWidth : imageHeight, and centres it. This size is the base of
    /// the zoom limit; the view scale is left as it was.
    void fit(int imageWidth, int imageHeight);
    /// Enlarges by 1.5 (width, then height from the picture's proportions) and centres.
    /// Does nothing where the width would pass kMaxZoom times the fitted width.
    void enlarge(int imageHeight);
    /// Reduces each side by 1.5 separately and centres; stops at 16 pixels a side.
    void reduce(int imageHeight);
    /// Enlarges or reduces like the commands, but keeps the picture point under
    /// `anchor` (viewport pixels) where it is, on each axis that overflows the view.
    void enlargeAbout(int imageHeight, QPoint anchor);
    void reduceAbout(int imageHeight, QPoint anchor);
    /// The fit of an import as a zoom command: also sets the view scale.
    void fitToWindow(int imageWidth, int imageHeight);
    /// One working pixel per screen pixel, centred.
    void showActualSize(int imageWidth, int imageHeight);

    /// Working pixels per client pixel of the picture control, x10000, and the
    /// picture's margins inside it; kept for the outline editor (see above).
    Fixed viewScale() const { return m_viewScale; }
    Fixed viewOffsetX() const { return m_viewOffsetX; }
    Fixed viewOffsetY() const { return m_viewOffsetY; }
    /// The outline editor recomputes the scale and margins when its tab opens.
    void setViewScale(Fixed scale, Fixed offsetX, Fixed offsetY);

    /// Space bar held or released (the window sees every key first).
    void armPan(bool drawLineMode);
    void disarmPan(bool drawLineMode);
    bool panArmed() const { return m_panArmed; }

    QPoint scrollPosition() const;
    void setScrollPosition(QPoint position);

signals:
    /// Ctrl+wheel over the view area: `steps` > 0 zooms in, < 0 out, about `anchor`
    /// (viewport pixels). The window answers with enlargeAbout or reduceAbout.
    void wheelZoomRequested(int steps, QPoint anchor);
    /// The picture control changed its size: the zoom shown may have changed.
    void pictureResized();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool enlargedSize(QSize& size) const;
    bool reducedSize(QSize& size) const;
    void centre();
    /// Places the resized control so that `fraction` of it lies under `anchor`.
    void placeAbout(QPointF fraction, QPoint anchor);
    QPointF fractionAt(QPoint anchor) const;
    void updateContentSize();
    void afterZoom(int imageHeight);
    void setViewScale(int imageHeight);

    QWidget* m_content;
    PictureControl* m_picture;
    QLabel* m_frontLabel;
    QSize m_fittedSize;
    Fixed m_viewScale = 10000;
    Fixed m_viewOffsetX = 0;
    Fixed m_viewOffsetY = 0;
    bool m_panArmed = false;
    bool m_panDragging = false;
    QPoint m_panStart;
    QPoint m_panStartScroll;
    int m_wheelDelta = 0;
};

} // namespace deptrix
