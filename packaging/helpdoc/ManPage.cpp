#include "helpdoc/ManPage.h"

#include <cctype>
#include <map>
#include <set>
#include <sstream>

namespace deptrix::helpdoc {

namespace {

bool WordCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || (c & 0x80);
}

std::string Bold(const std::string& text) {
    return "\\fB" + RoffText(text) + "\\fR";
}

std::string Italic(const std::string& text) {
    return "\\fI" + RoffText(text) + "\\fR";
}

// A word of a usage form: option names and literal values bold, placeholders
// (FILE.psd, ROW=PIXELS, S.tw3d2) italic, the ellipsis plain.
std::string FormWord(const std::string& word) {
    if (word == "..." || word.empty()) return RoffText(word);
    if (word[0] == '-' || std::islower(static_cast<unsigned char>(word[0]))) return Bold(word);
    return Italic(word);
}

std::string FormText(const std::string& form) {
    std::string out;
    std::string word;
    auto flush = [&] {
        out += FormWord(word);
        word.clear();
    };
    for (char c : form) {
        if (c == ' ' || c == '[' || c == ']' || c == '|') {
            flush();
            out += c;
        } else {
            word += c;
        }
    }
    flush();
    return out;
}

std::string Synopsis(const HelpText& help) {
    std::string out;
    for (const std::string& form : help.synopses) {
        out += ".SY " + RoffText(help.program) + "\n";
        if (!form.empty()) out += FormText(form) + "\n";
        out += ".YS\n";
    }
    return out;
}

std::string Paragraphs(const std::vector<std::string>& paragraphs) {
    std::string out;
    for (const std::string& paragraph : paragraphs) {
        if (!out.empty()) out += ".PP\n";
        out += RoffText(paragraph) + "\n";
    }
    return out;
}

std::string Options(const HelpText& help) {
    std::string out;
    for (const HelpOption& option : help.options) {
        std::string term;
        for (const std::string& name : option.names) term.append(term.empty() ? "" : ", ").append(Bold(name));
        for (const std::string& value : option.placeholders)
            term.append(term.empty() ? "" : " ").append(Italic(value));
        out += ".TP\n" + term + "\n" + RoffText(option.description) + "\n";
    }
    return out;
}

std::string ExitStatuses(const HelpText& help) {
    std::string out;
    for (const ExitStatus& status : help.exitStatuses)
        out += ".TP\n.B " + status.code + "\n" + RoffText(status.meaning) + "\n";
    return out;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Every --name the hand-written text mentions, as roff (\-\-name) or plain.
std::set<std::string> MentionedOptions(const std::string& page) {
    std::string plain = page;
    ReplaceAll(plain, "\\-", "-");
    std::set<std::string> names;
    for (size_t at = plain.find("--"); at != std::string::npos; at = plain.find("--", at + 2)) {
        if (at > 0 && (WordCharacter(plain[at - 1]) || plain[at - 1] == '-')) continue;
        size_t end = at + 2;
        while (end < plain.size() && (WordCharacter(plain[end]) || plain[end] == '-')) ++end;
        if (end > at + 2) names.insert(plain.substr(at, end - at));
    }
    return names;
}

} // namespace

std::string RoffText(const std::string& text) {
    std::string out;
    bool optionWord = false; // within a word that began with a dash: --phase-test
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool wordStart = i == 0 || !(WordCharacter(text[i - 1]) || text[i - 1] == '-');
        if (wordStart) optionWord = c == '-';
        if (c == '\\')
            out += "\\e";
        else if (c == '-' && (optionWord || i == 0 || !WordCharacter(text[i - 1])))
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string ManPage(const HelpText& help, const ManPageSource& source) {
    for (const std::string& name : MentionedOptions(source.page))
        if (!help.option(name))
            throw HelpTextError(
                "the page mentions " + name + ", which the --help of " + help.program + " does not list");
    const std::map<std::string, std::string> blocks = {
        { "@SYNOPSIS@", Synopsis(help) },
        { "@DESCRIPTION@", Paragraphs(help.description) },
        { "@NOTES@", Paragraphs(help.notes) },
        { "@OPTIONS@", Options(help) },
        { "@EXIT_STATUS@", ExitStatuses(help) },
    };
    std::set<std::string> used;
    std::string out;
    std::istringstream in(source.page);
    for (std::string line; std::getline(in, line);) {
        if (const auto block = blocks.find(line); block != blocks.end()) {
            out += block->second;
            used.insert(line);
            continue;
        }
        ReplaceAll(line, "@VERSION@", source.version);
        ReplaceAll(line, "@DATE@", source.date);
        out += line + "\n";
    }
    for (const auto& [placeholder, text] : blocks)
        if (!used.count(placeholder) && (placeholder != "@NOTES@" || !help.notes.empty()))
            throw HelpTextError("the page has no line " + placeholder);
    return out;
}

} // namespace deptrix::helpdoc
