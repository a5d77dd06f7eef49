#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

class PendingFile;

/// A Windows BMP file of the picture: bottom-up rows padded to four bytes, 8-bit
/// pictures with a 256-entry grey table, 24-bit as blue-green-red, 32-bit with the
/// four bytes as stored (C, M, Y, K for CMYK pictures).
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap);

/// Where the pixels of a BMP file lie: enough to read its rows in place (from a
/// memory map) without decoding the whole file.
struct BmpLayout {
    int width = 0;
    int height = 0;
    PixelFormat format = PixelFormat::Bgr24;
    std::uint64_t pixelOffset = 0; ///< file offset of the first stored row
    std::size_t stride = 0; ///< bytes of one stored row, padding included
    bool topDown = false;

    /// File offset of picture row y (0 is the top row).
    std::uint64_t rowOffset(int y) const {
        const auto stored = static_cast<std::uint64_t>(topDown ? y : height - 1 - y);
        return pixelOffset + stored * stride;
    }
};

/// Checks the headers at the start of a BMP file of `fileSize` bytes (`head` holds at
/// least its first 54 bytes, or the whole file when it is shorter) and says where the
/// rows are. Throws Error "<name>: <problem>" for anything DecodeBmp refuses,
/// including pixel data that would reach past `fileSize`.
BmpLayout ReadBmpLayout(std::span<const std::uint8_t> head, std::uint64_t fileSize, const std::string& name);

/// Bytes of the headers ReadBmpLayout reads.
inline constexpr std::size_t kBmpHeadBytes = 54;

/// Reads an uncompressed 8, 24 or 32-bit BMP (bottom-up or top-down). 8-bit pixels
/// keep their stored values; 32-bit files become Cmyk32 pictures with the bytes as
/// stored. Throws Error "<name>: <problem>" for a truncated, inconsistent or
/// unsupported file without reading past `bytes`.
Bitmap DecodeBmp(std::span<const std::uint8_t> bytes, const std::string& name);

/// The EncodeBmp bytes written row by row into `file`, which must be open.
void WriteBmp(PendingFile& file, const Bitmap& bitmap);

/// The EncodeBmp bytes written row by row into a temporary file and renamed into place
/// (an output).
void SaveBmp(const Bitmap& bitmap, const std::filesystem::path& path);

/// The EncodeBmp bytes written row by row as a file of the private work folder,
/// created afresh (CreateWorkFile) and left under its name only when complete.
void SaveWorkBmp(const Bitmap& bitmap, const std::filesystem::path& path);

/// ReadFileBytes + DecodeBmp, naming the file in errors. A work file still being
/// written in the background is waited for first (AwaitWorkFile).
Bitmap LoadBmp(const std::filesystem::path& path);

/// LoadBmp with the picture placed at column `margin` (at least 0) of one `margin`
/// columns wider on each side, the margins set to `fill`: read so, a picture to be
/// widened is never held twice. Also throws Error, naming the file, when the widened
/// picture would be too wide.
Bitmap LoadWidenedBmp(const std::filesystem::path& path, std::int64_t margin, std::uint8_t fill);

} // namespace deptrix
