#include "import/ChannelDecoder.h"

#include "import/PackBits.h"
#include "import/PsdFailure.h"

#include <limits>
#include <zlib.h>

namespace deptrix {

ChannelDecoder::ChannelDecoder(const PsdHeader& header, std::string fileName)
    : m_header(header)
    , m_fileName(std::move(fileName)) { }

void ChannelDecoder::fail(const std::string& problem, const std::string& what) const {
    FailPsd(m_fileName, problem + " in " + what);
}

std::size_t ChannelDecoder::rowBytes(int width) const {
    return static_cast<std::size_t>(StoredRowBytes(static_cast<std::uint64_t>(width), m_header.depth));
}

void ChannelDecoder::emitRow(
    int y, const std::uint8_t* stored, int width, SampleMeaning meaning, const ChannelRowSink& sink) {
    if (m_header.depth == 8) {
        sink(y, stored);
        return;
    }
    m_row8.resize(static_cast<std::size_t>(width));
    SamplesToEightBits(stored, m_row8.data(), width, m_header.depth, meaning);
    sink(y, m_row8.data());
}

void ChannelDecoder::decodeRaw(std::span<const std::uint8_t> data, int width, int height,
    const std::string& what, SampleMeaning meaning, const ChannelRowSink& sink) {
    const std::size_t stride = rowBytes(width);
    if (static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height) > data.size())
        fail("truncated channel data", what);
    for (int y = 0; y < height; ++y)
        emitRow(y, data.data() + static_cast<std::size_t>(y) * stride, width, meaning, sink);
}

std::vector<std::uint64_t> ChannelDecoder::readRowCounts(
    std::span<const std::uint8_t> data, std::uint64_t count, const std::string& what) const {
    const int size = m_header.rowCountBytes();
    if (count > data.size() / static_cast<std::uint64_t>(size)) fail("truncated RLE row table", what);
    std::vector<std::uint64_t> counts(static_cast<std::size_t>(count));
    const std::uint8_t* p = data.data();
    for (auto& c : counts) {
        std::uint64_t v = 0;
        for (int i = 0; i < size; ++i) v = v << 8 | *p++;
        c = v;
    }
    return counts;
}

std::uint64_t ChannelDecoder::decodeRle(std::span<const std::uint64_t> rowCounts,
    std::span<const std::uint8_t> data, int width, int height, const std::string& what, SampleMeaning meaning,
    const ChannelRowSink& sink) {
    std::uint64_t total = 0;
    for (int y = 0; y < height; ++y) {
        total += rowCounts[static_cast<std::size_t>(y)];
        if (total > data.size()) fail("RLE row counts exceed the channel data", what);
    }
    m_row.resize(rowBytes(width));
    std::uint64_t at = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint64_t count = rowCounts[static_cast<std::size_t>(y)];
        const auto packed = data.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(count));
        if (!UnpackBitsRow(packed, m_row)) fail("corrupt RLE data (row " + std::to_string(y) + ")", what);
        emitRow(y, m_row.data(), width, meaning, sink);
        at += count;
    }
    return total;
}

void ChannelDecoder::decodeZip(std::span<const std::uint8_t> data, bool predicted, int width, int height,
    const std::string& what, const RowMeaning& meaning, const ChannelRowSink& sink) {
    const std::size_t stride = rowBytes(width);
    const std::uint64_t planeBytes = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height);
    if (data.size() * kMaxDeflateRatio < planeBytes) fail("ZIP data too short for the channel", what);
    if (data.size() > std::numeric_limits<uInt>::max() || planeBytes > std::numeric_limits<uInt>::max())
        fail("ZIP channel too large", what);
    m_plane.resize(static_cast<std::size_t>(planeBytes));

    z_stream z {};
    if (inflateInit(&z) != Z_OK) fail("cannot start ZIP decoding", what);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = m_plane.data();
    z.avail_out = static_cast<uInt>(planeBytes);
    const int result = inflate(&z, Z_FINISH);
    const uLong produced = z.total_out;
    inflateEnd(&z);
    if (result != Z_STREAM_END || produced != planeBytes) fail("corrupt ZIP data", what);

    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = m_plane.data() + static_cast<std::size_t>(y) * stride;
        if (predicted) UndoRowPrediction(row, stride, m_header.depth, m_scratch);
        emitRow(y, row, width, meaning(y), sink);
    }
}

} // namespace deptrix
