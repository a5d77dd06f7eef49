#include "app/CloseSignals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace deptrix {

namespace {

constexpr std::array kSignals { SIGTERM, SIGHUP, SIGINT };

int g_writeEnd = -1;

// Nothing but a write on a non-blocking socket: the rest happens on the event loop.
void Handle(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

CloseSignals::CloseSignals(QObject* parent)
    : QObject(parent) {
    int ends[2];
    // Without the socket pair the signals keep their usual effect.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0) return;
    m_readEnd = ends[0];
    g_writeEnd = ends[1];
    m_notifier = new QSocketNotifier(m_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CloseSignals::drain);
    struct sigaction action { };
    action.sa_handler = Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

CloseSignals::~CloseSignals() {
    if (m_readEnd < 0) return;
    for (const int signal : kSignals) std::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(g_writeEnd);
    g_writeEnd = -1;
    ::close(m_readEnd);
}

void CloseSignals::drain() {
    char bytes[64];
    while (::read(m_readEnd, bytes, sizeof bytes) > 0) { }
    // A close that has not ended the program by then (a command that does not give
    // way) ends it the hard way; the recovery copy is written at the request itself.
    if (!m_deadlineSet) {
        m_deadlineSet = true;
        ::alarm(kDeadlineSeconds);
    }
    emit closeRequested();
}

} // namespace deptrix
