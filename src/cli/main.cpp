// deptrix-batch: the import, the views and the outputs of Deptrix without a window.

#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/PrintableText.h"
#include "core/Progress.h"
#include "core/TaskPool.h"
#include "core/Version.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

// One progress line per step on standard error, rewritten in place on a terminal;
// elsewhere only the end of each step is reported.
class StderrProgress final : public deptrix::BatchProgress {
public:
    explicit StderrProgress(std::string name)
        : m_name(std::move(name))
        , m_terminal(isatty(2)) { }
    ~StderrProgress() override {
        if (m_terminal && !m_step.empty()) std::fputc('\n', stderr);
    }
    /// The last step finished.
    void finish() { endStep(); }
    void beginStep(const char* step) override {
        endStep();
        m_step = step;
        m_last = -1;
    }
    void note(const std::string& text) override {
        // On its own line; a terminal's progress line is drawn again after it.
        if (m_terminal && m_last >= 0) std::fputc('\n', stderr);
        m_last = -1;
        std::fprintf(stderr, "%s: %s\n", m_name.c_str(), deptrix::PrintableText(text).c_str());
    }
    void setPosition(int percent) override {
        if (percent == m_last || !m_terminal) return;
        std::fprintf(stderr, "\r%s: %s %3d%%", m_name.c_str(), m_step.c_str(), percent);
        std::fflush(stderr);
        m_last = percent;
    }

private:
    void endStep() {
        if (m_step.empty()) return;
        if (m_terminal)
            std::fputc('\n', stderr);
        else
            std::fprintf(stderr, "%s: %s done\n", m_name.c_str(), m_step.c_str());
        m_step.clear();
    }

    std::string m_name;
    bool m_terminal;
    std::string m_step;
    int m_last = -1;
};

} // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    deptrix::BatchOptions options;
    try {
        options = deptrix::ParseBatchOptions(arguments);
    } catch (const deptrix::Error& error) {
        std::cerr << "deptrix-batch: " << error.what() << "\n" << deptrix::BatchUsage();
        return deptrix::kExitUsage;
    }
    if (options.help) {
        std::cout << deptrix::BatchUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "deptrix-batch " << deptrix::kVersion << "\n";
        return 0;
    }
    // What the messages are about: the PSD, or the project that names it.
    const std::string subject = options.psdPath.empty() ? options.projectPath : options.psdPath;
    if (options.threads) deptrix::SetTaskThreads(*options.threads);
    try {
        StderrProgress progress(deptrix::PrintableText(subject));
        deptrix::RunBatch(options, std::cout, progress);
        progress.finish();
    } catch (const deptrix::UsageError& error) {
        std::cerr << "deptrix-batch: " << error.what() << "\n";
        return deptrix::kExitUsage;
    } catch (const std::exception& error) {
        // Messages about the file name it already; others get its path in front. Bytes
        // that are not text are escaped, in the path as in messages from elsewhere.
        const std::string message = deptrix::PrintableText(error.what(), true);
        const std::string name = deptrix::DisplayName(subject);
        const std::string path = deptrix::PrintableText(subject);
        std::cerr << "deptrix-batch: " << (message.find(name) == std::string::npos ? path + ": " : "")
                  << message << "\n";
        return deptrix::kExitFailure;
    }
    return 0;
}
