#pragma once

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace deptrix {

/// The program runs under the user's locale (the window toolkit adopts it at start),
/// so the tests run under the locale of the environment too. Runs that ask for a
/// particular decimal separator (DEPTRIX_TEST_DECIMAL_SEPARATOR) fail at once when
/// the locale is not installed, instead of passing under "C" unnoticed.
inline bool ExpectedDecimalSeparatorInEffect() {
    const char* expected = std::getenv("DEPTRIX_TEST_DECIMAL_SEPARATOR");
    if (expected == nullptr || *expected == 0) return true;
    const char* actual = std::localeconv()->decimal_point;
    if (std::strcmp(actual, expected) == 0) return true;
    const char* asked = std::getenv("LC_ALL");
    std::fprintf(stderr,
        "The tests were asked to run with the decimal separator '%s', but the locale %s gives '%s'; "
        "generate the locale (scripts/install-deps.sh does).\n",
        expected, asked ? asked : "(unset)", actual);
    return false;
}

} // namespace deptrix
