#pragma once

#include <clocale>
#include <string>

namespace deptrix {

/// Switches the C locale for one test and restores it afterwards. `active()` is false
/// when the locale is not installed.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* name)
        : m_previous(std::setlocale(LC_ALL, nullptr)) {
        m_active = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

    bool active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active = false;
};

/// A locale whose decimal separator is a comma.
inline constexpr const char* kCommaLocale = "de_DE.UTF-8";

} // namespace deptrix
