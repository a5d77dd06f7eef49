#pragma once

#include "import/PsdStructure.h"
#include "import/SampleDepth.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// The rows of one stored layer channel (raw, RLE, ZIP or ZIP with prediction, 1, 8,
/// 16 or 32 bits per sample), decoded one at a time from the top, so that a channel of any
/// size needs memory for one row. Sizes are checked against the stored data when it
/// is opened, before anything is decoded; inflating never produces more than the
/// rows the channel should hold. Errors read "<file>: <problem> in <what>".
class ChannelRows {
public:
    /// `data` starts with the 2-byte compression field; `meaning` says how samples
    /// deeper than 8 bits become 8 bits.
    ChannelRows(const PsdHeader& header, const std::string& fileName, std::span<const std::uint8_t> data,
        int width, int height, std::string what, SampleMeaning meaning);
    ~ChannelRows();
    ChannelRows(const ChannelRows&) = delete;
    ChannelRows& operator=(const ChannelRows&) = delete;

    /// The next row as `width` 8-bit samples (see SamplesToEightBits), valid until
    /// the next call. Throws past the last row.
    const std::uint8_t* next();
    /// Rows handed out so far.
    int rowsDone() const { return m_rowsDone; }

private:
    [[noreturn]] void fail(const std::string& problem) const;
    void inflateRow();

    int m_depth;
    SampleMeaning m_meaning;
    std::string m_fileName;
    std::string m_what;
    Compression m_compression = Compression::Raw;
    std::span<const std::uint8_t> m_body; ///< after the compression field (and RLE table)
    int m_width;
    int m_height;
    std::size_t m_rowBytes;
    int m_rowsDone = 0;
    std::uint64_t m_at = 0; ///< raw and RLE: bytes of m_body used
    std::vector<std::uint64_t> m_rowCounts; ///< RLE
    std::vector<std::uint8_t> m_row; ///< one stored row
    std::vector<std::uint8_t> m_row8; ///< one row reduced to 8 bits
    std::vector<std::uint8_t> m_scratch; ///< undoing 32-bit prediction
    struct Inflater;
    std::unique_ptr<Inflater> m_inflater; ///< ZIP
};

} // namespace deptrix
