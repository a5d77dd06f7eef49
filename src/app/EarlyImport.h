#pragma once

#include "core/Document.h"

#include <QString>
#include <exception>
#include <filesystem>
#include <thread>

namespace deptrix {

/// The picture named on the command line, read on a thread of its own while the
/// splash is shown, so that the window has the document at hand when it opens. The
/// reading fills a document of its own, copied from the window's before it starts,
/// and writes the layer files into the work folder; nothing of the window is touched
/// off its thread. The window's first import takes the result (or its failure) when
/// it is for the same file and lets it go otherwise.
class EarlyImport {
public:
    EarlyImport() = default;
    EarlyImport(const EarlyImport&) = delete;
    EarlyImport& operator=(const EarlyImport&) = delete;
    /// Waits for a reading still running.
    ~EarlyImport();

    /// Starts reading the PSD at `path` into a copy of `settings`, as an import would
    /// after Document::beginImport. The work folder must be empty of the files of
    /// any document before.
    void start(const QString& path, const Document& settings, const std::filesystem::path& workFolder);

    /// Whether a reading of `path` was started and not yet taken.
    bool holds(const QString& path) const { return m_thread.joinable() && path == m_path; }

    /// Waits for the reading and moves its document into `doc`; returns the progress
    /// position the reader ended at. A failure of the reader is thrown here, as the
    /// reader would have thrown it, and leaves `doc` as it was.
    int take(Document& doc);

    /// Waits for a reading still running and drops what it read.
    void discard();

private:
    QString m_path;
    Document m_doc;
    int m_position = 0;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace deptrix
