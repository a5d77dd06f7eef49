#include "helpdoc/HelpText.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace deptrix::helpdoc {

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

size_t Indent(const std::string& line) {
    const size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? line.size() : first;
}

bool Blank(const std::string& line) {
    return Indent(line) == line.size();
}

std::string Collapsed(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool space = std::isspace(static_cast<unsigned char>(c));
        if (space && (out.empty() || out.back() == ' ')) continue;
        out += space ? ' ' : c;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

void Append(std::string& text, const std::string& more) {
    const std::string part = Collapsed(more);
    if (part.empty()) return;
    if (!text.empty()) text += ' ';
    text += part;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

struct Block {
    size_t firstLine; ///< 1-based, for messages
    std::vector<std::string> lines;
};

std::vector<Block> Blocks(const std::vector<std::string>& lines) {
    std::vector<Block> blocks;
    bool open = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (Blank(lines[i])) {
            open = false;
            continue;
        }
        if (!open) blocks.push_back({ i + 1, {} });
        blocks.back().lines.push_back(lines[i]);
        open = true;
    }
    return blocks;
}

HelpTextError Refuse(size_t line, const std::string& problem) {
    return HelpTextError("line " + std::to_string(line) + ": " + problem);
}

void ReadUsage(const Block& block, HelpText& help) {
    const std::string prefix = "Usage: ";
    const std::string& first = block.lines.front();
    if (first.rfind(prefix, 0) != 0)
        throw Refuse(block.firstLine, "the text must begin with \"" + prefix + "\"");
    const size_t nameStart = prefix.size();
    const size_t nameEnd = std::min(first.find(' ', nameStart), first.size());
    help.program = first.substr(nameStart, nameEnd - nameStart);
    if (help.program.empty()) throw Refuse(block.firstLine, "no program name after \"" + prefix + "\"");
    help.synopses.push_back(Collapsed(first.substr(nameEnd)));
    for (size_t i = 1; i < block.lines.size(); ++i) {
        const std::string& line = block.lines[i];
        const size_t indent = Indent(line);
        const bool newForm = indent == nameStart
            && line.compare(indent, help.program.size(), help.program) == 0
            && (line.size() == indent + help.program.size() || line[indent + help.program.size()] == ' ');
        if (newForm)
            help.synopses.push_back(Collapsed(line.substr(indent + help.program.size())));
        else if (indent > nameStart)
            Append(help.synopses.back(), line);
        else
            throw Refuse(
                block.firstLine + i, "a usage line must start with " + help.program + " or continue a form");
    }
}

bool OptionBlock(const Block& block) {
    return Indent(block.lines.front()) == 2;
}

// The names and values of an entry; a lowercase word after them begins the
// description (a term one blank short of the column), which goes to `spill`.
HelpOption OptionFromTerm(const std::string& term, size_t lineNumber, std::string& spill) {
    HelpOption option;
    const std::vector<std::string> words = Words(term);
    for (size_t i = 0; i < words.size(); ++i) {
        std::string word = words[i];
        if (word.size() > 1 && word[0] == '-') {
            if (!option.placeholders.empty())
                throw Refuse(lineNumber, "option name " + word + " after a value in \"" + term + "\"");
            if (word.back() == ',') word.pop_back();
            option.names.push_back(word);
        } else if (std::islower(static_cast<unsigned char>(word[0])) && !option.names.empty()) {
            for (size_t rest = i; rest < words.size(); ++rest) Append(spill, words[rest]);
            break;
        } else {
            option.placeholders.push_back(word);
        }
    }
    if (option.names.empty() && option.placeholders.size() != 1)
        throw Refuse(lineNumber, "\"" + term + "\" is neither an option nor one argument");
    return option;
}

void ReadOptions(const Block& block, HelpText& help) {
    // The descriptions' column: where continuation lines start, else after the first
    // gap of two blanks.
    size_t column = std::string::npos;
    for (const std::string& line : block.lines)
        if (Indent(line) > 2) column = std::min(column, Indent(line));
    for (size_t i = 0; i < block.lines.size(); ++i) {
        const std::string& line = block.lines[i];
        const size_t lineNumber = block.firstLine + i;
        const size_t indent = Indent(line);
        if (indent > 2) {
            if (help.options.empty()) throw Refuse(lineNumber, "a description before the first option");
            Append(help.options.back().description, line);
            continue;
        }
        if (indent < 2) throw Refuse(lineNumber, "an option line must be indented by two blanks");
        size_t split = std::string::npos;
        if (column != std::string::npos && line.size() > column && line[column - 1] == ' '
            && line[column] != ' ')
            split = column;
        else if (const size_t gap = line.find("  ", 2); gap != std::string::npos)
            split = gap;
        const std::string term = line.substr(2, split == std::string::npos ? split : split - 2);
        std::string description;
        HelpOption option = OptionFromTerm(term, lineNumber, description);
        if (split != std::string::npos) Append(description, line.substr(split));
        option.description = description;
        help.options.push_back(std::move(option));
    }
}

// "… Exit status: 0 on success, 1 when the work fails (a, b), 2 for …": each code with
// its meaning; commas inside brackets do not separate.
void TakeExitStatus(std::string& paragraph, HelpText& help) {
    const std::string marker = "Exit status:";
    const size_t at = paragraph.find(marker);
    if (at == std::string::npos) return;
    const std::string statement = Collapsed(paragraph.substr(at + marker.size()));
    paragraph = Collapsed(paragraph.substr(0, at));
    std::vector<std::string> items(1);
    int depth = 0;
    for (size_t i = 0; i < statement.size(); ++i) {
        const char c = statement[i];
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (depth == 0 && c == ',' && i + 2 < statement.size() && statement[i + 1] == ' '
            && std::isdigit(static_cast<unsigned char>(statement[i + 2]))) {
            items.emplace_back();
            ++i;
            continue;
        }
        items.back() += c;
    }
    for (std::string& item : items) {
        item = Collapsed(item);
        if (!item.empty() && item.back() == '.') item.pop_back();
        const size_t digits = item.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string::npos || item[digits] != ' ')
            throw HelpTextError("the exit status \"" + item + "\" is not a code followed by its meaning");
        help.exitStatuses.push_back({ item.substr(0, digits), item.substr(digits + 1) });
    }
}

} // namespace

const HelpOption* HelpText::option(const std::string& name) const {
    for (const HelpOption& entry : options)
        if (std::find(entry.names.begin(), entry.names.end(), name) != entry.names.end()) return &entry;
    return nullptr;
}

HelpText ParseHelpText(const std::string& text) {
    const std::vector<Block> blocks = Blocks(Lines(text));
    if (blocks.empty()) throw HelpTextError("the help text is empty");
    HelpText help;
    ReadUsage(blocks.front(), help);
    for (size_t b = 1; b < blocks.size(); ++b) {
        const Block& block = blocks[b];
        if (OptionBlock(block)) {
            if (!help.options.empty()) throw Refuse(block.firstLine, "a second block of options");
            ReadOptions(block, help);
            continue;
        }
        std::string paragraph;
        for (const std::string& line : block.lines) Append(paragraph, line);
        if (help.options.empty()) {
            help.description.push_back(paragraph);
        } else {
            TakeExitStatus(paragraph, help);
            if (!paragraph.empty()) help.notes.push_back(paragraph);
        }
    }
    if (help.options.empty()) throw HelpTextError("the help text lists no options");
    if (help.exitStatuses.empty())
        throw HelpTextError(
            "the help text states no exit status (a paragraph after the options with \"Exit status:\")");
    return help;
}

std::vector<std::string> LiteralChoices(const HelpText& help, const std::string& name) {
    std::vector<std::string> choices;
    for (const std::string& form : help.synopses) {
        const std::vector<std::string> words = Words(form);
        for (size_t i = 0; i + 1 < words.size(); ++i) {
            std::string word = words[i];
            word.erase(0, word.find_first_not_of('['));
            if (word != name || words[i + 1].find('|') == std::string::npos) continue;
            std::string alternatives = words[i + 1];
            alternatives.erase(alternatives.find_last_not_of(']') + 1);
            std::istringstream in(alternatives);
            for (std::string choice; std::getline(in, choice, '|');) {
                const bool literal = !choice.empty() && std::all_of(choice.begin(), choice.end(), [](char c) {
                    return std::islower(static_cast<unsigned char>(c))
                        || std::isdigit(static_cast<unsigned char>(c));
                });
                if (literal && std::find(choices.begin(), choices.end(), choice) == choices.end())
                    choices.push_back(choice);
            }
        }
    }
    return choices;
}

} // namespace deptrix::helpdoc
