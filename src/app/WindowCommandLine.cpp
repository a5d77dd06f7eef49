#include "app/WindowCommandLine.h"

namespace deptrix {

const char* WindowUsage() {
    return "Usage: deptrix [FILE]\n"
           "       deptrix --help | --version\n"
           "\n"
           "Opens the Deptrix window, which turns a layered PSD into the seven views of a lenticular\n"
           "or flip picture, plays them and writes anaglyphs, stereo pairs, GIFs and print files.\n"
           "\n"
           "  FILE              a PSD or PSB to import, or a project (.tw3d2, .tw3d) to open, once the\n"
           "                    window is on screen\n"
           "  -v, --version     show the program's version\n"
           "  -h, --help        show this text\n"
           "\n"
           "The window also takes Qt's own options, such as -platform NAME and -style NAME.\n"
           "Exit status: 0 when the window is closed, 2 for a command line it cannot carry out (an\n"
           "unknown option, more than one file).\n";
}

WindowCommandLine ParseWindowCommandLine(const QStringList& arguments) {
    WindowCommandLine line;
    auto refuse = [&line](const QString& problem) {
        if (line.error.isEmpty()) line.error = problem;
    };
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            line.help = true;
        } else if (!optionsEnded && (argument == "--version" || argument == "-v")) {
            line.version = true;
        } else if (!optionsEnded && argument.startsWith('-') && argument.size() > 1) {
            refuse("unknown option " + argument);
        } else if (line.file.isEmpty()) {
            line.file = argument;
        } else {
            refuse("more than one file given: " + line.file + " and " + argument);
        }
    }
    return line;
}

} // namespace deptrix
