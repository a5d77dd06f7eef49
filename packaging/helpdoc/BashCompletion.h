#pragma once

#include "helpdoc/HelpText.h"

#include <string>

namespace deptrix::helpdoc {

/// The bash completion script of the program the help text describes. `script` is the
/// completion function written by hand, with @OPTIONS@ where the option names go and
/// @VALUES@ where the table of what follows each option goes: for every option that
/// takes values, one word per value, `dir` (a folder), `file`, a list of the literal
/// choices separated by commas, or `-` (typed, not completed). A placeholder named DIR
/// is a folder, one naming a FILE, PATH or OUT a file.
std::string BashCompletion(const HelpText& help, const std::string& script);

} // namespace deptrix::helpdoc
