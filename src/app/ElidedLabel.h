#pragma once

#include <QLabel>

namespace deptrix {

/// A one-line label that shows as much of its text as fits, with "..." where it is
/// cut, and the whole text in its tooltip while cut. Its text never asks for more
/// width than a short one would, so a long status message cannot widen the window
/// past the screen; text() stays the whole text.
class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent = nullptr)
        : QLabel(parent) { }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    /// The text as shown at the current width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace deptrix
