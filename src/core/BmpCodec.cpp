#include "core/BmpCodec.h"

#include "core/BmpFileRows.h"
#include "core/ByteReader.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/PendingFile.h"
#include "core/WorkFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace deptrix {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

} // namespace

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap) {
    const int width = bitmap.width();
    const int height = bitmap.height();
    const std::size_t stride = RowStride(width, bitmap.format());
    std::vector<std::uint8_t> out = BmpHeaderBytes(width, height, bitmap.format());
    out.reserve(out.size() + stride * static_cast<std::size_t>(height));
    const std::size_t used
        = static_cast<std::size_t>(width) * static_cast<std::size_t>(bitmap.bytesPerPixel());
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = bitmap.row(y);
        out.insert(out.end(), row, row + used);
        out.insert(out.end(), stride - used, 0);
    }
    return out;
}

BmpLayout ReadBmpLayout(std::span<const std::uint8_t> head, std::uint64_t fileSize, const std::string& name) {
    auto fail = [&name](const std::string& problem) -> Error { return Error(name + ": " + problem); };
    ByteReader in(head, ByteOrder::LittleEndian);
    if (fileSize < kFileHeaderSize + kInfoHeaderSize || head.size() < kFileHeaderSize + kInfoHeaderSize)
        throw fail("not a BMP file (too short)");
    if (in.u8() != 'B' || in.u8() != 'M') throw fail("not a BMP file (bad signature)");
    in.skip(8); // file size and reserved fields are not trusted
    const std::uint32_t pixelOffset = in.u32();
    const std::uint32_t headerSize = in.u32();
    if (headerSize < kInfoHeaderSize || headerSize > fileSize - kFileHeaderSize)
        throw fail("unsupported or damaged BMP header");
    const std::int32_t width = in.i32();
    const std::int32_t signedHeight = in.i32();
    const std::uint16_t planes = in.u16();
    const std::uint16_t bitCount = in.u16();
    const std::uint32_t compression = in.u32();
    in.skip(12);
    std::uint32_t colorsUsed = in.u32();

    if (planes != 1) throw fail("damaged BMP header (planes)");
    if (compression != 0) throw fail("compressed BMP files are not supported");
    BmpLayout layout;
    switch (bitCount) {
    case 8:
        layout.format = PixelFormat::Gray8;
        break;
    case 24:
        layout.format = PixelFormat::Bgr24;
        break;
    case 32:
        layout.format = PixelFormat::Cmyk32;
        break;
    default:
        throw fail("unsupported BMP pixel depth " + std::to_string(bitCount));
    }
    if (width <= 0 || signedHeight == 0 || signedHeight == INT32_MIN) throw fail("damaged BMP header (size)");
    layout.topDown = signedHeight < 0;
    const std::int64_t height = layout.topDown ? -static_cast<std::int64_t>(signedHeight) : signedHeight;
    CheckedImageBytes(width, height, BytesPerPixel(layout.format), name.c_str());

    if (layout.format == PixelFormat::Gray8) {
        if (colorsUsed == 0) colorsUsed = 256;
        if (colorsUsed > 256) throw fail("damaged BMP colour table");
        const std::uint64_t paletteEnd
            = kFileHeaderSize + static_cast<std::uint64_t>(headerSize) + 4ull * colorsUsed;
        if (paletteEnd > fileSize) throw fail("truncated BMP colour table");
    }
    layout.width = width;
    layout.height = static_cast<int>(height);
    layout.stride = RowStride(width, layout.format);
    layout.pixelOffset = pixelOffset;
    const std::uint64_t needed
        = static_cast<std::uint64_t>(layout.stride) * static_cast<std::uint64_t>(height);
    if (pixelOffset < kFileHeaderSize + headerSize || pixelOffset > fileSize
        || needed > fileSize - pixelOffset)
        throw fail("truncated BMP pixel data");
    return layout;
}

Bitmap DecodeBmp(std::span<const std::uint8_t> bytes, const std::string& name) {
    const BmpLayout layout = ReadBmpLayout(bytes, bytes.size(), name);
    Bitmap bitmap(layout.width, layout.height, layout.format, UnfilledPixels {});
    const std::size_t used
        = static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(BytesPerPixel(layout.format));
    for (int y = 0; y < layout.height; ++y)
        std::memcpy(bitmap.row(y), bytes.data() + layout.rowOffset(y), used);
    return bitmap;
}

void WriteBmp(PendingFile& file, const Bitmap& bitmap) {
    BmpFileRows rows(file.descriptor(), file.target(), bitmap.width(), bitmap.height(), bitmap.format());
    rows.write(0, bitmap.height(), bitmap.bits(), bitmap.stride());
}

void SaveBmp(const Bitmap& bitmap, const std::filesystem::path& path) {
    PendingFile file(path);
    WriteBmp(file, bitmap);
    file.commit();
}

void SaveWorkBmp(const Bitmap& bitmap, const std::filesystem::path& path) {
    WriteNewWorkFile(path, [&](int fd) {
        BmpFileRows rows(fd, path, bitmap.width(), bitmap.height(), bitmap.format());
        rows.write(0, bitmap.height(), bitmap.bits(), bitmap.stride());
    });
}

namespace {

/// LoadBmp into a picture `margin` (at least 0) columns wider on each side, the file's
/// pixels from column `margin` on; the margins are left to the caller.
Bitmap ReadBmpRows(const std::filesystem::path& path, std::int64_t margin) {
    AwaitWorkFile(path);
    const FileToRead file = OpenFileToRead(path, 2ull << 30);
    const std::string name = DisplayName(path);
    const std::string truncated = "truncated BMP pixel data";
    std::uint8_t head[kBmpHeadBytes];
    const auto headBytes = static_cast<std::size_t>(std::min<std::uint64_t>(file.size, kBmpHeadBytes));
    iovec headPiece { head, headBytes };
    ReadPiecesAt(file, { &headPiece, 1 }, 0, path, truncated);
    const BmpLayout layout = ReadBmpLayout({ head, headBytes }, file.size, name);
    const std::int64_t width = layout.width + 2 * std::min<std::int64_t>(margin, kMaxBitmapSide);
    if (width > kMaxBitmapSide)
        throw Error(name + ": " + std::to_string(layout.width) + " pixels wide, too wide to widen by "
            + std::to_string(margin) + " on each side");

    // The rows go from the file straight into the picture, in the file's order; each
    // row's padding goes to a scrap, so the picture's stays zero whatever the file holds.
    Bitmap bitmap(static_cast<int>(width), layout.height, layout.format, UnfilledPixels {});
    const auto bytesPerPixel = static_cast<std::size_t>(BytesPerPixel(layout.format));
    const std::size_t used = static_cast<std::size_t>(layout.width) * bytesPerPixel;
    const std::size_t at = static_cast<std::size_t>(margin) * bytesPerPixel;
    std::uint8_t scrap[4];
    const std::size_t padding = layout.stride - used;
    constexpr int kRowsAtOnce = 256;
    std::vector<iovec> pieces;
    pieces.reserve(2 * kRowsAtOnce);
    for (int stored = 0; stored < layout.height; stored += kRowsAtOnce) {
        pieces.clear();
        const int end = std::min(layout.height, stored + kRowsAtOnce);
        for (int k = stored; k < end; ++k) {
            pieces.push_back({ bitmap.row(layout.topDown ? k : layout.height - 1 - k) + at, used });
            if (padding > 0) pieces.push_back({ scrap, padding });
        }
        ReadPiecesAt(file, pieces, layout.pixelOffset + static_cast<std::uint64_t>(stored) * layout.stride,
            path, truncated);
    }
    return bitmap;
}

} // namespace

Bitmap LoadBmp(const std::filesystem::path& path) {
    return ReadBmpRows(path, 0);
}

Bitmap LoadWidenedBmp(const std::filesystem::path& path, std::int64_t margin, std::uint8_t fill) {
    if (margin < 0) throw Error(DisplayName(path) + ": cannot widen a picture by a negative margin");
    Bitmap bitmap = ReadBmpRows(path, margin);
    const auto side = static_cast<std::size_t>(margin) * static_cast<std::size_t>(bitmap.bytesPerPixel());
    const std::size_t used
        = static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.bytesPerPixel());
    for (int y = 0; y < bitmap.height() && side > 0; ++y) {
        std::memset(bitmap.row(y), fill, side);
        std::memset(bitmap.row(y) + used - side, fill, side);
    }
    return bitmap;
}

} // namespace deptrix
