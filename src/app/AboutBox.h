#pragma once

#include <QDialog>

class QEventLoop;
class QTimer;

namespace deptrix {

/// The about box (`TAboutBox`, caption "About"), which also serves as the start-up
/// splash: one picture; a click on it hides the box; its timer (2000 ms) only
/// disables itself.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    /// Shows the box borderless, on top and centred at 600 x 450, and waits in an event
    /// loop until its timer has ticked or the picture was clicked, at most about two
    /// seconds.
    void runAsSplash();

    QTimer* timer() const { return m_timer; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer* m_timer;
    QEventLoop* m_splashWait = nullptr; ///< while runAsSplash waits
};

} // namespace deptrix
