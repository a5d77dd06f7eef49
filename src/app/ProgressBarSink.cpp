#include "app/ProgressBarSink.h"

#include <QProgressBar>
#include <algorithm>

namespace deptrix {

namespace {

/// The shortest time between two drawings of the bar: about a screen's frame.
constexpr qint64 kFrameMilliseconds = 16;

} // namespace

void ProgressBarSink::setPosition(int percent) {
    const int value = std::clamp(percent, m_bar->minimum(), m_bar->maximum());
    if (value == m_bar->value()) return;
    m_bar->setValue(value); // also asks for a drawing when events run again
    if (!m_bar->isVisible()) return;
    if (m_sinceDrawn.isValid() && m_sinceDrawn.elapsed() < kFrameMilliseconds && value != m_bar->maximum())
        return;
    m_bar->repaint();
    m_sinceDrawn.start();
}

} // namespace deptrix
