#include "import/ChannelRows.h"

#include "import/PackBits.h"
#include "import/PsdFailure.h"

#include <algorithm>
#include <limits>
#include <zlib.h>

namespace deptrix {

struct ChannelRows::Inflater {
    z_stream stream {};
    bool started = false;
    bool ended = false;
    ~Inflater() {
        if (started) inflateEnd(&stream);
    }
};

ChannelRows::ChannelRows(const PsdHeader& header, const std::string& fileName,
    std::span<const std::uint8_t> data, int width, int height, std::string what, SampleMeaning meaning)
    : m_depth(header.depth)
    , m_meaning(meaning)
    , m_fileName(fileName)
    , m_what(std::move(what))
    , m_width(width)
    , m_height(height)
    , m_rowBytes(static_cast<std::size_t>(
          StoredRowBytes(static_cast<std::uint64_t>(std::max(width, 0)), header.depth))) {
    if (width <= 0 || height <= 0) {
        m_height = 0;
        return;
    }
    if (data.size() < 2) fail("missing channel data");
    const auto compression = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    m_body = data.subspan(2);
    const std::uint64_t planeBytes
        = static_cast<std::uint64_t>(m_rowBytes) * static_cast<std::uint64_t>(height);
    switch (compression) {
    case static_cast<std::uint16_t>(Compression::Raw):
        if (planeBytes > m_body.size()) fail("truncated channel data");
        break;
    case static_cast<std::uint16_t>(Compression::Rle): {
        const int size = header.rowCountBytes();
        const auto rows = static_cast<std::uint64_t>(height);
        if (rows > m_body.size() / static_cast<std::uint64_t>(size)) fail("truncated RLE row table");
        m_rowCounts.resize(static_cast<std::size_t>(rows));
        const std::uint8_t* p = m_body.data();
        std::uint64_t total = 0;
        for (auto& count : m_rowCounts) {
            std::uint64_t v = 0;
            for (int i = 0; i < size; ++i) v = v << 8 | *p++;
            count = v;
            total += v;
        }
        m_body = m_body.subspan(static_cast<std::size_t>(rows * static_cast<std::uint64_t>(size)));
        if (total > m_body.size()) fail("RLE row counts exceed the channel data");
        break;
    }
    case static_cast<std::uint16_t>(Compression::Zip):
    case static_cast<std::uint16_t>(Compression::ZipPredicted): {
        if (m_body.size() * kMaxDeflateRatio < planeBytes) fail("ZIP data too short for the channel");
        if (m_body.size() > std::numeric_limits<uInt>::max()) fail("ZIP channel too large");
        m_inflater = std::make_unique<Inflater>();
        if (inflateInit(&m_inflater->stream) != Z_OK) fail("cannot start ZIP decoding");
        m_inflater->started = true;
        m_inflater->stream.next_in = const_cast<Bytef*>(m_body.data());
        m_inflater->stream.avail_in = static_cast<uInt>(m_body.size());
        break;
    }
    default:
        fail("unknown compression " + std::to_string(compression));
    }
    m_compression = static_cast<Compression>(compression);
    m_row.resize(m_rowBytes);
    if (m_depth != 8) m_row8.resize(static_cast<std::size_t>(width));
}

ChannelRows::~ChannelRows() = default;

void ChannelRows::fail(const std::string& problem) const {
    FailPsd(m_fileName, problem + " in " + m_what);
}

void ChannelRows::inflateRow() {
    z_stream& z = m_inflater->stream;
    if (m_inflater->ended) fail("corrupt ZIP data");
    z.next_out = m_row.data();
    z.avail_out = static_cast<uInt>(m_rowBytes);
    while (z.avail_out > 0) {
        const int result = inflate(&z, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            m_inflater->ended = true;
            if (z.avail_out > 0) fail("corrupt ZIP data");
            break;
        }
        if (result != Z_OK) fail("corrupt ZIP data");
    }
    if (m_rowsDone + 1 == m_height && !m_inflater->ended) {
        // The stream must end exactly here: one spare byte shows whether more follows.
        std::uint8_t spare = 0;
        z.next_out = &spare;
        z.avail_out = 1;
        if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.avail_out != 1) fail("corrupt ZIP data");
        m_inflater->ended = true;
    }
}

const std::uint8_t* ChannelRows::next() {
    if (m_rowsDone >= m_height) fail("more rows asked for than stored");
    const std::uint8_t* stored = nullptr;
    switch (m_compression) {
    case Compression::Raw:
        stored = m_body.data() + m_at;
        m_at += m_rowBytes;
        break;
    case Compression::Rle: {
        const std::uint64_t count = m_rowCounts[static_cast<std::size_t>(m_rowsDone)];
        const auto packed = m_body.subspan(static_cast<std::size_t>(m_at), static_cast<std::size_t>(count));
        if (!UnpackBitsRow(packed, m_row)) fail("corrupt RLE data (row " + std::to_string(m_rowsDone) + ")");
        m_at += count;
        stored = m_row.data();
        break;
    }
    case Compression::Zip:
    case Compression::ZipPredicted: {
        inflateRow();
        std::uint8_t* row = m_row.data();
        if (m_compression == Compression::ZipPredicted)
            UndoRowPrediction(row, m_rowBytes, m_depth, m_scratch);
        stored = row;
        break;
    }
    }
    ++m_rowsDone;
    if (m_depth == 8) return stored;
    SamplesToEightBits(stored, m_row8.data(), m_width, m_depth, m_meaning);
    return m_row8.data();
}

} // namespace deptrix
