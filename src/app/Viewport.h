#pragma once

#include "core/Fixed.h"

#include <QScrollArea>

class QLabel;

namespace deptrix {

class PictureControl;

/// The grey scrolling view area (`ScrollBox1`) with the picture control (`Image1`)
/// and the "Front" label (`Label24`): fit after an import, zoom by 1.5, and panning
/// with the space bar held.
class Viewport : public QScrollArea {
    Q_OBJECT
public:
    explicit Viewport(QWidget* parent = nullptr);

    PictureControl* picture() const { return m_picture; }
    QLabel* frontLabel() const { return m_frontLabel; }

    /// Sizes the picture control to the client area less 4 pixels each way, shrunk on
    /// one axis to imageWidth : imageHeight, and centres it.
    void fit(int imageWidth, int imageHeight);
    /// Enlarges by 1.5 (width, then height from the picture's proportions) and centres.
    void enlarge(int imageHeight);
    /// Reduces each side by 1.5 separately and centres.
    void reduce(int imageHeight);

    /// Working pixels per client pixel of the picture control, x10000, and the
    /// picture's margins inside it; kept for the outline editor.
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void centre();
    void updateContentSize();
    void afterZoom(int imageHeight);

    QWidget* m_content;
    PictureControl* m_picture;
    QLabel* m_frontLabel;
    Fixed m_viewScale = 10000;
    Fixed m_viewOffsetX = 0;
    Fixed m_viewOffsetY = 0;
    bool m_panArmed = false;
    bool m_panDragging = false;
    QPoint m_panStart;
    QPoint m_panStartScroll;
};

} // namespace deptrix
