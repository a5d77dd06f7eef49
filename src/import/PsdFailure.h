#pragma once

#include "core/Error.h"

#include <string>

namespace deptrix {

/// Throws the one error type of the reader: "<file>: <problem>".
[[noreturn]] inline void FailPsd(const std::string& fileName, const std::string& problem) {
    throw Error(fileName + ": " + problem);
}

} // namespace deptrix
