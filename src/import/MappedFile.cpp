#include "import/MappedFile.h"

#include "core/FileIo.h"
#include "import/PsdFailure.h"

#include <QFile>
#include <QString>

namespace deptrix {

MappedFile::MappedFile(const std::filesystem::path& path)
    : m_file(std::make_unique<QFile>(QString::fromStdU16String(path.u16string()))) {
    const std::string name = DisplayName(path);
    if (!m_file->open(QIODevice::ReadOnly))
        FailPsd(name, "cannot open the file (" + m_file->errorString().toStdString() + ")");
    const qint64 size = m_file->size();
    if (size <= 0) return; // nothing to map; the header check reports the empty file
    uchar* data = m_file->map(0, size);
    if (!data) FailPsd(name, "cannot read the file (" + m_file->errorString().toStdString() + ")");
    m_bytes = { data, static_cast<std::size_t>(size) };
}

MappedFile::~MappedFile() = default;

} // namespace deptrix
