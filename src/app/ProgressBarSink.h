#pragma once

#include "core/Progress.h"

#include <QElapsedTimer>

class QProgressBar;

namespace deptrix {

/// Shows the progress of a long command in the window's progress bar at once,
/// without letting other events run in between; a bar drawn a moment ago waits for
/// the next frame, so a command with many small steps does not spend its time drawing.
class ProgressBarSink final : public Progress {
public:
    explicit ProgressBarSink(QProgressBar* bar)
        : m_bar(bar) { }
    void setPosition(int percent) override;

private:
    QProgressBar* m_bar;
    QElapsedTimer m_sinceDrawn; ///< invalid until the bar is first drawn
};

} // namespace deptrix
