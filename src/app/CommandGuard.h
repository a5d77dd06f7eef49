#pragma once

#include <functional>

class QWidget;

namespace deptrix {

class Platform;

/// Runs a command and shows any error it raises as a message, the way every command
/// of the window ends on failure: state changed before the error stays changed, but
/// the pointer never stays an hourglass behind the message.
class CommandGuard {
public:
    CommandGuard(Platform& platform, QWidget* parent)
        : m_platform(platform)
        , m_parent(parent) { }

    /// True when the command finished without an error.
    bool run(const std::function<void()>& command) const;
    /// A command is running (commands that play run until stopped).
    bool busy() const { return m_running > 0; }

    Platform& platform() const { return m_platform; }

private:
    Platform& m_platform;
    QWidget* m_parent;
    mutable int m_running = 0;
};

} // namespace deptrix
