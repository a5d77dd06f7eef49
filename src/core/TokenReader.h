#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace deptrix {

/// Reads the blank-separated text files (configuration, settings, projects) the way
/// their fields are defined: a number is read after skipping blanks and line ends,
/// up to the next blank or line end; a number asked for at the end of the file reads
/// as 0; skipLine() drops the rest of the current line. A field that is not a number
/// throws Error("Invalid numeric input"). Either line end (CR LF or LF) is accepted.
class TokenReader {
public:
    explicit TokenReader(std::string text);

    /// Reads the whole file; throws Error("File not found") when it cannot be opened.
    static TokenReader FromFile(const std::filesystem::path& path);

    std::int64_t readInteger();
    long double readReal();

    /// The rest of the current line as text, then moves to the next line.
    std::string readLine();

    /// Drops the rest of the current line, including its line end.
    void skipLine();

    bool atEnd() const { return m_pos >= m_text.size(); }

    /// The text of the field read last, for messages about it.
    const std::string& lastToken() const { return m_lastToken; }

    /// Whether nothing but blanks and line ends is left.
    bool onlyBlanksLeft() const;

    /// Bytes not read yet.
    size_t remaining() const { return m_text.size() - m_pos; }

    /// Bytes read so far.
    size_t position() const { return m_pos; }

    /// The 1-based number of the line holding a position (by default the one being
    /// read), for messages.
    int lineNumber() const { return lineNumberAt(m_pos); }
    int lineNumberAt(size_t position) const;

private:
    std::string nextToken();

    std::string m_text;
    std::string m_lastToken;
    size_t m_pos = 0;
};

} // namespace deptrix
