#include "print/LayerFile.h"

#include "core/Error.h"
#include "core/FileIo.h"
#include "core/WorkFileWriter.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace deptrix {

LayerFile::LayerFile(const std::filesystem::path& path)
    : m_file(std::make_unique<QFile>(QString::fromStdU16String(path.u16string())))
    , m_name(DisplayName(path)) {
    AwaitWorkFile(path);
    if (!m_file->open(QIODevice::ReadOnly))
        throw Error(m_name + ": cannot open the file (" + m_file->errorString().toStdString() + ")");
    const qint64 size = m_file->size();
    std::vector<std::uint8_t> head(kBmpHeadBytes);
    const qint64 got = m_file->read(reinterpret_cast<char*>(head.data()), static_cast<qint64>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<qint64>(got, 0)));
    m_layout = ReadBmpLayout(head, static_cast<std::uint64_t>(std::max<qint64>(size, 0)), m_name);
}

LayerFile::~LayerFile() = default;

void LayerFile::loadRows(std::int64_t first, int count) {
    m_band = nullptr;
    const auto top = static_cast<int>(std::clamp<std::int64_t>(first, 0, m_layout.height));
    const auto bottom = static_cast<int>(std::clamp<std::int64_t>(first + count, 0, m_layout.height)) - 1;
    if (top > bottom) return;
    const std::uint64_t a = m_layout.rowOffset(top);
    const std::uint64_t b = m_layout.rowOffset(bottom);
    const std::uint64_t start = std::min(a, b);
    const std::uint64_t length = std::max(a, b) + m_layout.stride - start;
    if (m_buffer.size() < length) m_buffer.resize(length);
    const int descriptor = m_file->handle();
    for (std::uint64_t done = 0; done < length;) {
        const ssize_t got
            = ::pread(descriptor, m_buffer.data() + done, length - done, static_cast<off_t>(start + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0)
            throw Error(m_name + ": cannot read the file ("
                + (got < 0 ? std::string(std::strerror(errno)) : std::string("it ends early")) + ")");
        done += static_cast<std::uint64_t>(got);
    }
    m_band = m_buffer.data();
    m_bandOffset = start;
}

std::unique_ptr<LayerFile> OpenWorkFile(const std::filesystem::path& path) {
    return std::make_unique<LayerFile>(path);
}

} // namespace deptrix
