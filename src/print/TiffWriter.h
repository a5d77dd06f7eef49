#pragma once

#include "print/PrintGeometry.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace deptrix {

/// The most a classic TIFF can address.
inline constexpr std::uint64_t kClassicTiffLimit = 0xFFFFFFFFull;

/// What a print file holds.
struct TiffLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int channels = 3; ///< 3: RGB; 4: CMYK ink (separated, 255 full ink)
    long double xResolution = 72; ///< pixels per inch
    long double yResolution = 72;
    TiffCompression compression = TiffCompression::None;
    int rowsPerStrip = 64;
    bool bigTiff = false;
    std::vector<std::uint8_t> iccProfile; ///< embedded when not empty
    /// The size a classic TIFF may reach: kClassicTiffLimit (tests lower it).
    std::uint64_t classicLimit = kClassicTiffLimit;
};

/// Most rows of one strip.
inline constexpr int kMaxRowsPerStrip = 64;

/// Rows per strip for rows of `rowBytes`: at most 64, fewer for very wide rows so a
/// strip stays a few megabytes.
int RowsPerStrip(std::size_t rowBytes);

/// An upper bound of the size of the file `layout` describes (without deciding
/// between TIFF and BigTIFF): pixel data (allowing for compression that expands),
/// strip tables, tags and profile.
std::uint64_t TiffSizeBound(const TiffLayout& layout);

/// Whether the file could pass 4 GiB, which classic TIFF cannot address.
bool NeedsBigTiff(const TiffLayout& layout);

/// An upper bound of one full strip's compressed bytes.
std::uint64_t TiffStripBound(const TiffLayout& layout);

/// The bytes a file needs besides its strips: strip tables, tags and profile.
std::uint64_t TiffDirectoryBytes(const TiffLayout& layout);

/// Writes a TIFF (or BigTIFF) strip by strip into an open file descriptor, 8 bits
/// per sample, pixels interleaved, top row first. Errors become Error naming
/// `target`; a full disk is "NAME: cannot write the file: not enough space in FOLDER".
/// An uncompressed layout that may pass the classic limit must be a BigTIFF; whether a
/// compressed one fits is for the caller to watch (fileBytes()).
class TiffStripWriter {
public:
    TiffStripWriter(int descriptor, const std::filesystem::path& target, const TiffLayout& layout);
    ~TiffStripWriter();
    TiffStripWriter(const TiffStripWriter&) = delete;
    TiffStripWriter& operator=(const TiffStripWriter&) = delete;

    /// The next strip: `rows` rows (rowsPerStrip, fewer only for the last strip),
    /// each width x channels bytes, one after the other.
    void writeStrip(const std::uint8_t* pixels, int rows);

    /// Whether strips are placed rather than written in turn: uncompressed strips have
    /// known places, so threads can write them side by side.
    bool placesStrips() const;

    /// Writes strip number `strip` (`rows` rows, as for writeStrip) at its place in
    /// the file. Safe to call from several threads at once for different strips.
    void placeStrip(std::uint32_t strip, const std::uint8_t* pixels, int rows) const;

    /// Enters the next strip, of `rows` rows and already placed, into the TIFF.
    void enterPlacedStrip(int rows);

    /// Writes the directory and closes the TIFF (not the descriptor).
    void finish();

    /// The file's size so far, leaving out placed strips not yet entered.
    std::uint64_t fileBytes() const;

    struct State; ///< the descriptor and what went wrong, shared with libtiff's callbacks

private:
    [[noreturn]] void fail(const char* what);
    std::uint64_t bytesOf(int rows) const; ///< of `rows` rows
    std::uint64_t placeOf(std::uint32_t strip) const;

    std::unique_ptr<State> m_state;
    TiffLayout m_layout;
    std::filesystem::path m_target;
    std::uint32_t m_nextStrip = 0;
    struct Free {
        void operator()(std::uint8_t* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<std::uint8_t, Free> m_standIn; ///< what libtiff is given for a placed strip
};

} // namespace deptrix
