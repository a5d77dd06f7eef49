#include "app/EarlyImport.h"

#include "app/TextAndPaths.h"
#include "core/Progress.h"
#include "import/LayerReader.h"

#include <utility>

namespace deptrix {

EarlyImport::~EarlyImport() {
    discard();
}

void EarlyImport::start(
    const QString& path, const Document& settings, const std::filesystem::path& workFolder) {
    discard();
    m_path = path;
    m_doc = settings;
    m_doc.beginImport(path.toStdString());
    m_position = 0;
    m_failure = nullptr;
    const std::filesystem::path file = ToPath(path);
    m_thread = std::thread([this, file, workFolder] {
        try {
            NullProgress progress;
            m_position = ReadPsd(file, workFolder, m_doc, progress);
        } catch (...) {
            m_failure = std::current_exception();
        }
    });
}

int EarlyImport::take(Document& doc) {
    m_thread.join();
    m_path.clear();
    const std::exception_ptr failure = std::exchange(m_failure, nullptr);
    if (failure) {
        m_doc = Document();
        std::rethrow_exception(failure);
    }
    doc = std::move(m_doc);
    m_doc = Document();
    return m_position;
}

void EarlyImport::discard() {
    if (m_thread.joinable()) m_thread.join();
    m_path.clear();
    m_failure = nullptr;
    m_doc = Document();
}

} // namespace deptrix
