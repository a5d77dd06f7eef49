#include "core/TokenReader.h"

#include "core/Error.h"
#include "core/NumberText.h"

#include <fstream>
#include <limits>
#include <sstream>

namespace deptrix {

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

[[noreturn]] void ThrowInvalidNumber() {
    throw Error("Invalid numeric input");
}

} // namespace

TokenReader::TokenReader(std::string text)
    : m_text(std::move(text)) { }

TokenReader TokenReader::FromFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error("File not found");
    std::ostringstream contents;
    contents << in.rdbuf();
    return TokenReader(contents.str());
}

std::string TokenReader::nextToken() {
    while (m_pos < m_text.size() && IsSeparator(m_text[m_pos])) ++m_pos;
    const size_t start = m_pos;
    while (m_pos < m_text.size() && !IsSeparator(m_text[m_pos])) ++m_pos;
    m_lastToken = m_text.substr(start, m_pos - start);
    return m_lastToken;
}

std::int64_t TokenReader::readInteger() {
    const std::string token = nextToken();
    if (token.empty()) return 0;
    size_t i = 0;
    bool negative = false;
    if (token[i] == '+' || token[i] == '-') negative = token[i++] == '-';
    if (i == token.size()) ThrowInvalidNumber();
    std::int64_t value = 0;
    for (; i < token.size(); ++i) {
        const char c = token[i];
        if (c < '0' || c > '9') ThrowInvalidNumber();
        if (value > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) ThrowInvalidNumber();
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

long double TokenReader::readReal() {
    const std::string token = nextToken();
    if (token.empty()) return 0;
    try {
        return ParseReal(token);
    } catch (const ConvertError&) {
        ThrowInvalidNumber();
    }
}

std::string TokenReader::readLine() {
    const size_t start = m_pos;
    while (m_pos < m_text.size() && m_text[m_pos] != '\r' && m_text[m_pos] != '\n') ++m_pos;
    std::string line = m_text.substr(start, m_pos - start);
    skipLine();
    return line;
}

bool TokenReader::onlyBlanksLeft() const {
    for (size_t i = m_pos; i < m_text.size(); ++i)
        if (!IsSeparator(m_text[i])) return false;
    return true;
}

int TokenReader::lineNumberAt(size_t position) const {
    int line = 1;
    for (size_t i = 0; i < position && i < m_text.size(); ++i) {
        // CR LF, a lone LF and a lone CR each end one line.
        if (m_text[i] == '\n' || (m_text[i] == '\r' && (i + 1 >= m_text.size() || m_text[i + 1] != '\n')))
            ++line;
    }
    return line;
}

void TokenReader::skipLine() {
    while (m_pos < m_text.size() && m_text[m_pos] != '\r' && m_text[m_pos] != '\n') ++m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == '\r') ++m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == '\n') ++m_pos;
}

} // namespace deptrix
