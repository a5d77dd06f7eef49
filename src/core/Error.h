#pragma once

#include "core/PrintableText.h"

#include <stdexcept>
#include <string>

namespace deptrix {

/// An error whose message is meant for the user as it stands: the window's command
/// wrapper shows it in a message box, the batch front end prints it. Bytes that are not
/// text (from a file name or a file's content) are escaped, never shown raw.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message)
        : std::runtime_error(PrintableText(message, true)) { }
};

/// A text that does not convert to a number ("'abc' is not a valid integer value").
class ConvertError : public Error {
public:
    using Error::Error;
};

} // namespace deptrix
