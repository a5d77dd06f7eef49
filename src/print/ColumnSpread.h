#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deptrix {

/// Spreads a row's distinct pixels over the columns that show them, where every column
/// shows the same pixel as the column before it or the next one: the pixels of a print
/// row, in which the columns inside a strip repeat one pixel. Sixteen bytes of the row
/// then come from at most sixteen neighbouring bytes of the pixels, so the row is made
/// sixteen bytes at a time by one byte shuffle from a table built once.
class ColumnSpread {
public:
    /// How the row is made: the processor's byte shuffle where it has one, or the
    /// portable loop over the same table (the same bytes).
    enum class Code : std::uint8_t { Best, Portable };

    /// Room the row of distinct pixels needs after its last pixel: whole 16-byte
    /// groups are read.
    static constexpr std::size_t kSlack = 16;

    /// `pixelOf[x]` is the distinct pixel column x shows: 0 for the first column,
    /// then the same or one more from column to column (checked: throws Error).
    ColumnSpread(const std::vector<std::uint32_t>& pixelOf, int channels, Code code = Code::Best);
    ColumnSpread() = default; ///< a row of no columns

    /// Writes every column's channels bytes to `out` from `pixels`, which holds the
    /// distinct pixels one after the other and kSlack bytes after them.
    void spread(const std::uint8_t* pixels, std::uint8_t* out) const;

    std::size_t heldBytes() const { return m_from.size() * sizeof(std::uint32_t) + m_offsets.size(); }

private:
    std::size_t m_rowBytes = 0;
    std::vector<std::uint32_t> m_from; ///< per 16 bytes of the row, the first pixel byte they take
    std::vector<std::uint8_t> m_offsets; ///< per 16 bytes of the row, each byte's distance from it
    bool m_shuffle = false;
};

} // namespace deptrix
