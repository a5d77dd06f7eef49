#pragma once

#include <QString>
#include <QStringList>

namespace deptrix {

/// What `deptrix` was asked to do on its command line.
struct WindowCommandLine {
    bool help = false;
    bool version = false;
    QString file; ///< a PSD, PSB or project to open at start; empty for none
    QString error; ///< why the command line cannot be carried out; empty when it can
};

/// Reads the arguments after the program name, once Qt has taken its own options
/// (-platform, -style, ...) out. --help and --version win over any error, so that they
/// can be answered from the raw arguments before the window system is opened.
WindowCommandLine ParseWindowCommandLine(const QStringList& arguments);

/// The text of --help.
const char* WindowUsage();

/// Exit status for a command line that cannot be carried out.
inline constexpr int kWindowExitUsage = 2;

} // namespace deptrix
