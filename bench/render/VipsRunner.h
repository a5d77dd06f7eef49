#pragma once

#include "core/Document.h"

#include <filesystem>
#include <string>

namespace deptrix::bench {

/// The same layer stack as the compositor sees it, handed to `vips composite` as
/// native .v files (RGBA layers over a white RGB base, "over" blending, one thread).
class VipsRunner {
public:
    /// Writes the files of `doc` (an RGB document) and of a 2 x 2 stack of as many
    /// layers, used to measure the process's fixed cost. Throws Error on failure.
    VipsRunner(const Document& doc, const std::filesystem::path& folder);
    ~VipsRunner();
    VipsRunner(const VipsRunner&) = delete;
    VipsRunner& operator=(const VipsRunner&) = delete;

    /// Wall-clock seconds of one run over the full stack, or a negative value when the
    /// process failed.
    double runFull() const { return run(m_fullCommand); }
    /// The same over the tiny stack: start-up, argument parsing and file handling.
    double runTiny() const { return run(m_tinyCommand); }

    static bool available();

private:
    static double run(const std::string& command);

    std::filesystem::path m_folder;
    std::string m_fullCommand;
    std::string m_tinyCommand;
};

} // namespace deptrix::bench
