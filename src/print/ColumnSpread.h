#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace deptrix {

/// Makes a print row from a few rows of distinct bytes: every byte of the row is one
/// byte of the source, and the sixteen bytes of each group of the row come from at most
/// two stretches of sixteen source bytes (the rounded lens values of the strips the
/// group shows, and the mixes across their edges). Each group is then made by two byte
/// shuffles from a table built once; the rare group that takes its bytes from further
/// apart is copied byte by byte.
class ColumnSpread {
public:
    /// How the row is made: the processor's byte shuffle where it has one, or the
    /// portable loop over the same table (the same bytes).
    enum class Code : std::uint8_t { Best, Portable };

    /// Room the source needs after its last byte: whole 16-byte stretches are read.
    static constexpr std::size_t kSlack = 16;

    /// `pixelOf[x]` is the distinct pixel column x shows, the pixels lying one after
    /// the other: 0 for the first column, then the same or one more from column to
    /// column (checked: throws Error).
    ColumnSpread(const std::vector<std::uint32_t>& pixelOf, int channels, Code code = Code::Best);
    ColumnSpread() = default; ///< a row of no columns

    /// `byteOf[i]` is the source byte that byte i of the row takes, anywhere.
    static ColumnSpread FromBytes(const std::vector<std::uint32_t>& byteOf, Code code = Code::Best);

    /// Writes the row to `out` from `source`, which holds every byte the row takes and
    /// kSlack bytes after the last of them.
    void spread(const std::uint8_t* source, std::uint8_t* out) const;

    std::size_t heldBytes() const {
        return m_windows.size() * sizeof(Windows) + m_order.size() + m_scattered.size() * sizeof(Scattered);
    }

private:
    /// Where a group's two stretches start.
    struct Windows {
        std::uint32_t first = 0;
        std::uint32_t second = 0;
    };
    /// A group whose bytes lie further apart than two stretches: each byte's source.
    struct Scattered {
        std::size_t group = 0;
        std::array<std::uint32_t, 16> byteOf {};
    };

    std::size_t m_rowBytes = 0;
    std::vector<Windows> m_windows; ///< per group of 16 bytes of the row
    /// Per group, 32 bytes: for each of its bytes the place in the first stretch, then
    /// in the second; 0x80 where the byte comes from the other one.
    std::vector<std::uint8_t> m_order;
    std::vector<Scattered> m_scattered;
    bool m_shuffle = false;
    bool m_avx2 = false; ///< the shuffle in the 256-bit instructions' encoding
};

} // namespace deptrix
