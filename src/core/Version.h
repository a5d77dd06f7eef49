#pragma once

namespace deptrix {

/// The program's version, the project's version in CMake: --version, the window's
/// caption and the packages show it.
extern const char* const kVersion;

} // namespace deptrix
