#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace deptrix {

/// The files a command reads, known by device and inode, so that no output replaces
/// one of them whatever the spelling of its path: a link, "./", another folder's hard
/// link all name the same file.
class InputFiles {
public:
    struct Input {
        std::string role; ///< what the file is to the command: "the PSD", "the settings file"
        std::filesystem::path path; ///< as the command was given it
        dev_t device = 0;
        ino_t inode = 0;
    };

    /// Remembers `path` as an input; a path that names no file yet is left out.
    void add(const std::filesystem::path& path, std::string role);

    /// The input that `output` names, or nullptr.
    const Input* sameFileAs(const std::filesystem::path& output) const;

    /// Throws Error when `output` names an input: "<output> is the same file as
    /// <role> <path>: ...", `outputLabel` standing for the output.
    void refuseOutput(const std::filesystem::path& output, const std::string& outputLabel) const;

private:
    std::vector<Input> m_inputs;
};

/// The message for an output that would replace an input.
std::string OutputReplacesInputMessage(const std::string& outputLabel, const InputFiles::Input& input);

} // namespace deptrix
