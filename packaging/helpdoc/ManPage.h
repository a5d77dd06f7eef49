#pragma once

#include "helpdoc/HelpText.h"

#include <string>

namespace deptrix::helpdoc {

/// What a manual page is built from besides the help text.
struct ManPageSource {
    /// roff with placeholders on lines of their own (@SYNOPSIS@, @DESCRIPTION@,
    /// @OPTIONS@, @EXIT_STATUS@, and @NOTES@ for the paragraphs after the options) and
    /// within lines (@VERSION@, @DATE@); the rest (name, examples, files) is written
    /// by hand.
    std::string page;
    std::string version;
    std::string date; ///< YYYY-MM-DD
};

/// The manual page of the program the help text describes. Throws HelpTextError when
/// the source lacks a placeholder or mentions an option the help text does not list,
/// so the hand-written parts cannot fall behind the options.
std::string ManPage(const HelpText& help, const ManPageSource& source);

/// Text as roff takes it in a line of text: backslashes escaped, dashes that begin a
/// word and every dash of an option name as minus signs (so a line never breaks
/// inside --phase-test), hyphens inside other words left alone,
/// and a leading dot or apostrophe kept from being read as a request.
std::string RoffText(const std::string& text);

} // namespace deptrix::helpdoc
