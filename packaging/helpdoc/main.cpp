// deptrix-helpdoc: the manual page and the bash completion of a program, made from its
// --help text at build time so that neither can fall behind the options.
//
//   deptrix-helpdoc man HELP.txt PAGE.in VERSION DATE OUTPUT
//   deptrix-helpdoc bash-completion HELP.txt SCRIPT.in OUTPUT

#include "helpdoc/BashCompletion.h"
#include "helpdoc/HelpText.h"
#include "helpdoc/ManPage.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Written whole under a temporary name made afresh (never through a link left in its
// place), so a failed run leaves no half a page behind.
void WriteFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    std::remove(temporary.c_str());
    std::FILE* out = std::fopen(temporary.c_str(), "wbx");
    if (!out) throw std::runtime_error(temporary + ": cannot be created");
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written) {
        std::remove(temporary.c_str());
        throw std::runtime_error(temporary + ": cannot be written");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        throw std::runtime_error(path + ": cannot be written");
}

int Usage() {
    std::cerr << "usage: deptrix-helpdoc man HELP.txt PAGE.in VERSION DATE OUTPUT\n"
                 "       deptrix-helpdoc bash-completion HELP.txt SCRIPT.in OUTPUT\n";
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) return Usage();
    const std::string& helpPath = arguments.size() > 1 ? arguments[1] : std::string();
    // Which file a complaint is about: the help text while it is read, then the source.
    std::string subject = helpPath;
    try {
        if (arguments[0] == "man" && arguments.size() == 6) {
            const auto help = deptrix::helpdoc::ParseHelpText(ReadFile(helpPath));
            subject = arguments[2];
            const deptrix::helpdoc::ManPageSource source { ReadFile(arguments[2]), arguments[3],
                arguments[4] };
            WriteFile(arguments[5], deptrix::helpdoc::ManPage(help, source));
        } else if (arguments[0] == "bash-completion" && arguments.size() == 4) {
            const auto help = deptrix::helpdoc::ParseHelpText(ReadFile(helpPath));
            subject = arguments[2];
            WriteFile(arguments[3], deptrix::helpdoc::BashCompletion(help, ReadFile(arguments[2])));
        } else {
            return Usage();
        }
    } catch (const deptrix::helpdoc::HelpTextError& error) {
        std::cerr << "deptrix-helpdoc: " << subject << ": " << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "deptrix-helpdoc: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
