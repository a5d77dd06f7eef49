#include "app/CommandGuard.h"

#include "app/Platform.h"

#include <QString>
#include <exception>
#include <new>

namespace deptrix {

bool CommandGuard::run(const std::function<void()>& command) const {
    QString message;
    struct Running {
        int& count;
        explicit Running(int& c)
            : count(++c) { }
        ~Running() { --count; }
    } running(m_running);
    try {
        command();
        return true;
    } catch (const std::bad_alloc&) {
        message = "Out of memory";
    } catch (const std::exception& error) {
        message = QString::fromUtf8(error.what());
    }
    m_platform.setBusyCursor(false);
    m_platform.showError(m_parent, message);
    return false;
}

} // namespace deptrix
