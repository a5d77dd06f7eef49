#include "app/ProgressBarSink.h"

#include <QProgressBar>
#include <algorithm>

namespace deptrix {

void ProgressBarSink::setPosition(int percent) {
    const int value = std::clamp(percent, m_bar->minimum(), m_bar->maximum());
    if (value == m_bar->value()) return;
    m_bar->setValue(value);
    if (m_bar->isVisible()) m_bar->repaint();
}

} // namespace deptrix
