#pragma once

#include "core/Progress.h"

class QProgressBar;

namespace deptrix {

/// Shows the progress of a long command in the window's progress bar at once,
/// without letting other events run in between.
class ProgressBarSink final : public Progress {
public:
    explicit ProgressBarSink(QProgressBar* bar)
        : m_bar(bar) { }
    void setPosition(int percent) override;

private:
    QProgressBar* m_bar;
};

} // namespace deptrix
