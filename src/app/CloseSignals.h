#pragma once

#include <QObject>

class QSocketNotifier;

namespace deptrix {

/// Turns SIGTERM, SIGHUP and SIGINT (a logout or shutdown, `kill`, Ctrl+C in the
/// terminal that started the program) into closeRequested() on the event loop. The
/// handler itself only writes a byte to a socket pair; at the first request the event
/// loop sets an alarm, so a close that has not ended the program kDeadlineSeconds later
/// ends it the hard way. One object per process; the signals take their usual effect again when it
/// goes.
class CloseSignals : public QObject {
    Q_OBJECT
public:
    static constexpr unsigned kDeadlineSeconds = 3;

    explicit CloseSignals(QObject* parent = nullptr);
    ~CloseSignals() override;

signals:
    void closeRequested();

private:
    void drain();

    int m_readEnd = -1;
    bool m_deadlineSet = false;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace deptrix
