#include "helpdoc/BashCompletion.h"

#include <sstream>

namespace deptrix::helpdoc {

namespace {

bool Names(const std::string& placeholder, const char* what) {
    return placeholder.find(what) != std::string::npos;
}

std::string ValueKind(const HelpText& help, const HelpOption& option, const std::string& placeholder) {
    if (option.placeholders.size() == 1) {
        std::string choices;
        for (const std::string& choice : LiteralChoices(help, option.names.back()))
            choices.append(choices.empty() ? "" : ",").append(choice);
        if (!choices.empty()) return choices;
    }
    if (Names(placeholder, "DIR")) return "dir";
    if (Names(placeholder, "FILE") || Names(placeholder, "PATH") || Names(placeholder, "OUT")) return "file";
    return "-";
}

void ReplaceLine(std::string& script, const std::string& placeholder, const std::string& text) {
    const std::string line = placeholder + "\n";
    const size_t at = script.find(line);
    if (at == std::string::npos) throw HelpTextError("the completion script has no line " + placeholder);
    script.replace(at, line.size(), text);
}

} // namespace

std::string BashCompletion(const HelpText& help, const std::string& script) {
    std::string names;
    std::string values;
    for (const HelpOption& option : help.options) {
        for (const std::string& name : option.names) names += "    " + name + "\n";
        if (option.names.empty() || option.placeholders.empty()) continue;
        std::string kinds;
        for (const std::string& placeholder : option.placeholders)
            kinds.append(kinds.empty() ? "" : " ").append(ValueKind(help, option, placeholder));
        for (const std::string& name : option.names) values += "    [" + name + "]=\"" + kinds + "\"\n";
    }
    std::string out = script;
    ReplaceLine(out, "@OPTIONS@", names);
    ReplaceLine(out, "@VALUES@", values);
    return out;
}

} // namespace deptrix::helpdoc
