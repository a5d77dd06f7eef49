#pragma once

#include <QLabel>

namespace deptrix {

/// A one-line label that shortens its text with "…" to the width it is given, instead
/// of asking its layout (and so the window) for the width of the whole text. A
/// shortened text is shown whole in the tooltip.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);

    /// The text as drawn at the current width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    Qt::TextElideMode m_mode;
};

} // namespace deptrix
