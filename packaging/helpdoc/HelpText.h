#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace deptrix::helpdoc {

/// One entry of the option list: `--views DIR`, `-h, --help`, or an argument such as `FILE`.
struct HelpOption {
    std::vector<std::string> names; ///< "-h", "--help"; empty for an argument
    std::vector<std::string> placeholders; ///< the values that follow: "DIR"; "N", "PATH"
    std::string description; ///< its lines joined by single blanks
};

/// One code of the exit status sentence: "0" and "on success".
struct ExitStatus {
    std::string code;
    std::string meaning;
};

/// A --help text in the layout both programs print: a usage block ("Usage: NAME ..."
/// with one line per form, deeper-indented lines continuing a form), paragraphs, one
/// block of options indented by two blanks with their descriptions in a column, and
/// closing paragraphs, one of which states the exit status ("Exit status: 0 on ...,
/// 1 when ...").
struct HelpText {
    std::string program;
    std::vector<std::string> synopses; ///< each form after the program name, blanks collapsed
    std::vector<std::string> description; ///< the paragraphs before the options
    std::vector<HelpOption> options;
    std::vector<std::string> notes; ///< the paragraphs after the options, exit status taken out
    std::vector<ExitStatus> exitStatuses;

    /// The entry with this option name, or null.
    const HelpOption* option(const std::string& name) const;
};

/// A help text that does not have the layout above.
class HelpTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Reads a help text. Throws HelpTextError naming the line and what is missing.
HelpText ParseHelpText(const std::string& text);

/// For an option given as `--opt a|b|c` in a usage form: the literal values among the
/// alternatives ("auto" of `D|auto`); empty when the forms give none.
std::vector<std::string> LiteralChoices(const HelpText& help, const std::string& name);

} // namespace deptrix::helpdoc
