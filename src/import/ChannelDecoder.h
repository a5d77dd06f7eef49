#pragma once

#include "import/PsdStructure.h"
#include "import/SampleDepth.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// Receives decoded rows top to bottom: row index and `width` samples of 8 bits
/// (deeper samples already converted by SamplesToEightBits).
using ChannelRowSink = std::function<void(int y, const std::uint8_t* samples)>;

/// How the samples of stored row `y` are to be read, for data that holds several
/// channels one after another.
using RowMeaning = std::function<SampleMeaning(int y)>;

/// Decodes channel data of the merged picture into 8-bit rows: raw, RLE (PackBits), ZIP
/// and ZIP with prediction, 1, 8, 16 or 32 bits per sample (layers use ChannelRows). Scratch buffers are kept
/// between channels so that decoding a layer allocates once. Errors read
/// "<file>: <problem> in <what>".
class ChannelDecoder {
public:
    ChannelDecoder(const PsdHeader& header, std::string fileName);

    /// Raw rows: `data` holds at least height rows.
    void decodeRaw(std::span<const std::uint8_t> data, int width, int height, const std::string& what,
        SampleMeaning meaning, const ChannelRowSink& sink);

    /// PackBits rows whose byte counts are `rowCounts[y]`, packed one after another
    /// from the start of `data`. Returns the bytes used.
    std::uint64_t decodeRle(std::span<const std::uint64_t> rowCounts, std::span<const std::uint8_t> data,
        int width, int height, const std::string& what, SampleMeaning meaning, const ChannelRowSink& sink);

    /// One zlib stream of exactly height rows, with or without per-row prediction.
    void decodeZip(std::span<const std::uint8_t> data, bool predicted, int width, int height,
        const std::string& what, const RowMeaning& meaning, const ChannelRowSink& sink);

    /// Reads `count` RLE row counts (2 or 4 bytes each by file version) from `data`.
    std::vector<std::uint64_t> readRowCounts(
        std::span<const std::uint8_t> data, std::uint64_t count, const std::string& what) const;

private:
    [[noreturn]] void fail(const std::string& problem, const std::string& what) const;
    /// Hands one stored row to the sink, converting deeper samples to 8 bits first.
    void emitRow(
        int y, const std::uint8_t* stored, int width, SampleMeaning meaning, const ChannelRowSink& sink);
    std::size_t rowBytes(int width) const;

    PsdHeader m_header;
    std::string m_fileName;
    std::vector<std::uint8_t> m_row; ///< one stored row
    std::vector<std::uint8_t> m_row8; ///< one row reduced to 8 bits
    std::vector<std::uint8_t> m_plane; ///< a whole inflated ZIP channel
    std::vector<std::uint8_t> m_scratch; ///< undoing 32-bit prediction
};

} // namespace deptrix
