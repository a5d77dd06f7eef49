#include "core/InputFiles.h"

#include "core/Error.h"
#include "core/PrintableText.h"

#include <sys/stat.h>

namespace deptrix {

void InputFiles::add(const std::filesystem::path& path, std::string role) {
    struct stat status { };
    if (path.empty() || ::stat(path.c_str(), &status) != 0) return;
    m_inputs.push_back({ std::move(role), path, status.st_dev, status.st_ino });
}

const InputFiles::Input* InputFiles::sameFileAs(const std::filesystem::path& output) const {
    // The file a link leads to: writing "through" a link to an input is as bad as
    // writing to the input, even though the rename would only replace the link.
    struct stat status { };
    if (output.empty() || ::stat(output.c_str(), &status) != 0) return nullptr;
    for (const Input& input : m_inputs)
        if (input.device == status.st_dev && input.inode == status.st_ino) return &input;
    return nullptr;
}

void InputFiles::refuseOutput(const std::filesystem::path& output, const std::string& outputLabel) const {
    if (const Input* input = sameFileAs(output)) throw Error(OutputReplacesInputMessage(outputLabel, *input));
}

std::string OutputReplacesInputMessage(const std::string& outputLabel, const InputFiles::Input& input) {
    return outputLabel + " is the same file as " + input.role + " " + PrintableText(input.path.string())
        + ": an output may not replace an input, so nothing was written";
}

} // namespace deptrix
