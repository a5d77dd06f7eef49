// The usual kind of large depth map, a 16-bit grey PNG without interlacing or
// transparency, decoded without libpng: libdeflate inflates the whole image stream at
// once, some times faster than zlib's inflating row by row, straight into the
// picture's memory, where the rows are unfiltered and put in place. Only a file whose
// every chunk checks out is decoded here; anything else, and any damage, is left to
// libpng, which reads every PNG and words every error.

#include "import/PlainGreyPng.h"

#include "core/Error.h"
#include "core/FileIo.h"
#include "import/GreyDecoders.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <vector>

namespace deptrix::grey {

namespace {

std::uint32_t BigEndian32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16
        | static_cast<std::uint32_t>(at[2]) << 8 | at[3];
}

bool IsType(const std::uint8_t* type, const char (&name)[5]) {
    return std::memcmp(type, name, 4) == 0;
}

bool IsLetter(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

/// The Paeth predictor, in selects rather than branches: on noisy maps the choice
/// changes from byte to byte.
std::uint8_t Paeth(std::uint8_t left, std::uint8_t up, std::uint8_t upLeft) {
    const int pa = std::abs(up - upLeft); // |p - left| with p = left + up - upLeft
    const int pb = std::abs(left - upLeft);
    const int pc = std::abs(left + up - 2 * upLeft);
    const std::uint8_t upOrUpLeft = pb <= pc ? up : upLeft;
    return (pa <= pb) & (pa <= pc) ? left : upOrUpLeft;
}

/// Undoes one row's filter (two bytes a pixel) from `raw` into `row`, with the row
/// above in `above` (zeros for the first). False for a filter PNG does not define.
bool Unfilter(
    int filter, const std::uint8_t* raw, const std::uint8_t* above, std::uint8_t* row, std::size_t bytes) {
    constexpr std::size_t bpp = 2;
    const std::size_t first = std::min(bpp, bytes);
    switch (filter) {
    case 0:
        std::memcpy(row, raw, bytes);
        return true;
    // The filters that take the byte to the left carry the high and the low byte's
    // running values in registers: each pixel waits only for the one before it, not
    // for a store and a load of it. Rows hold whole pixels, so `bytes` is even.
    case 1: {
        std::memcpy(row, raw, first);
        std::uint8_t high = row[0];
        std::uint8_t low = first > 1 ? row[1] : 0;
        for (std::size_t i = bpp; i + 1 < bytes; i += bpp) {
            high = static_cast<std::uint8_t>(raw[i] + high);
            low = static_cast<std::uint8_t>(raw[i + 1] + low);
            row[i] = high;
            row[i + 1] = low;
        }
        return true;
    }
    case 2:
        for (std::size_t i = 0; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(raw[i] + above[i]);
        return true;
    case 3: {
        for (std::size_t i = 0; i < first; ++i) row[i] = static_cast<std::uint8_t>(raw[i] + (above[i] >> 1));
        std::uint8_t high = row[0];
        std::uint8_t low = first > 1 ? row[1] : 0;
        for (std::size_t i = bpp; i + 1 < bytes; i += bpp) {
            high = static_cast<std::uint8_t>(raw[i] + ((high + above[i]) >> 1));
            low = static_cast<std::uint8_t>(raw[i + 1] + ((low + above[i + 1]) >> 1));
            row[i] = high;
            row[i + 1] = low;
        }
        return true;
    }
    case 4: {
        for (std::size_t i = 0; i < first; ++i) row[i] = static_cast<std::uint8_t>(raw[i] + above[i]);
        std::uint8_t high = row[0];
        std::uint8_t low = first > 1 ? row[1] : 0;
        std::uint8_t highUpLeft = above[0];
        std::uint8_t lowUpLeft = first > 1 ? above[1] : 0;
        for (std::size_t i = bpp; i + 1 < bytes; i += bpp) {
            const std::uint8_t highUp = above[i];
            const std::uint8_t lowUp = above[i + 1];
            high = static_cast<std::uint8_t>(raw[i] + Paeth(high, highUp, highUpLeft));
            low = static_cast<std::uint8_t>(raw[i + 1] + Paeth(low, lowUp, lowUpLeft));
            row[i] = high;
            row[i + 1] = low;
            highUpLeft = highUp;
            lowUpLeft = lowUp;
        }
        return true;
    }
    default:
        return false;
    }
}

/// Big-endian samples to values, each sample's bytes swapped as one 16-bit word: a
/// loop compilers turn into vector shifts, though not once inlined into the decoder.
[[gnu::noinline]] void ToValues(const std::uint8_t* samples, std::uint16_t* values, std::size_t count) {
    for (std::size_t x = 0; x < count; ++x) {
        std::uint16_t word;
        std::memcpy(&word, samples + 2 * x, 2);
        values[x] = static_cast<std::uint16_t>(word << 8 | word >> 8);
    }
}

/// DecodePlainGreyPng, joining the image data chunks in `writable` (the file's bytes
/// themselves) when given, else in a copy.
std::optional<GreyPicture> DecodePlain(std::span<const std::uint8_t> bytes, std::uint8_t* writable) {
    // The chunks: IHDR first, then ancillary chunks, one run of IDAT, IEND; every CRC
    // right, none over kPngChunkLimit (libpng's limit for chunks other than IDAT). PLTE, tRNS and any other
    // critical chunk are libpng's to handle.
    constexpr std::uint8_t kSignature[] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    if (bytes.size() < sizeof kSignature || std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0)
        return std::nullopt;
    std::size_t at = sizeof kSignature;
    std::vector<std::span<const std::uint8_t>> data;
    bool dataEnded = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    for (bool first = true;; first = false) {
        if (bytes.size() - at < 12) return std::nullopt;
        const std::uint32_t length = BigEndian32(bytes.data() + at);
        if (length > kPngChunkLimit || bytes.size() - at - 12 < length) return std::nullopt;
        const std::uint8_t* type = bytes.data() + at + 4;
        const std::uint8_t* body = type + 4;
        if (!std::all_of(type, type + 4, IsLetter)) return std::nullopt;
        if (libdeflate_crc32(0, type, length + 4) != BigEndian32(body + length)) return std::nullopt;
        at += 12 + std::size_t { length };
        if (first != IsType(type, "IHDR")) return std::nullopt;
        if (first) {
            // 16-bit grey (colour type 0), compression and filter method 0, not interlaced.
            if (length != 13 || body[8] != 16 || body[9] != 0 || body[10] != 0 || body[11] != 0
                || body[12] != 0)
                return std::nullopt;
            width = BigEndian32(body);
            height = BigEndian32(body + 4);
            continue;
        }
        if (IsType(type, "IDAT")) {
            if (dataEnded) return std::nullopt;
            data.emplace_back(body, length);
            continue;
        }
        dataEnded = !data.empty();
        if (IsType(type, "IEND")) break;
        const bool critical = (type[0] & 0x20) == 0;
        if (critical || IsType(type, "tRNS")) return std::nullopt;
    }
    if (data.empty() || width == 0 || height == 0 || width > static_cast<std::uint32_t>(kMaxBitmapSide)
        || height > static_cast<std::uint32_t>(kMaxBitmapSide)
        || std::uint64_t { width } * height * 2 > kMaxGreyPictureBytes)
        return std::nullopt;

    // The image stream in one piece: the chunk's own bytes when there is one chunk,
    // or when the file's bytes may be changed, the chunks moved down after the first.
    // Its header must declare the full window, within which zlib takes every distance.
    std::vector<std::uint8_t, PixelAllocator<std::uint8_t>> joined;
    std::span<const std::uint8_t> stream = data.front();
    if (data.size() > 1) {
        std::size_t total = 0;
        for (const auto& part : data) total += part.size();
        std::uint8_t* to = writable ? writable + (data.front().data() - bytes.data()) : nullptr;
        if (!to) {
            joined.resize(total);
            to = joined.data();
        }
        std::size_t offset = 0;
        for (const auto& part : data) {
            std::memmove(to + offset, part.data(), part.size());
            offset += part.size();
        }
        stream = { to, total };
    }
    if (stream.size() < 2 || stream[0] != 0x78) return std::nullopt;

    // Each row is a filter byte and 2 x width sample bytes. The picture holds its rows
    // with half a value per row to spare, so they are inflated into it and then moved
    // down into place: row y's values end before row y + 1's bytes begin.
    const std::size_t rowBytes = 2 * std::size_t { width };
    const std::size_t streamBytes = (rowBytes + 1) * height;
    GreyPicture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.values.resize(std::size_t { width } * height + (height + 1) / 2);
    auto* image = reinterpret_cast<std::uint8_t*>(picture.values.data());
    const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> inflater(
        libdeflate_alloc_decompressor());
    if (!inflater
        || libdeflate_zlib_decompress(
               inflater.get(), stream.data(), stream.size(), image, streamBytes, nullptr)
            != LIBDEFLATE_SUCCESS)
        return std::nullopt;
    joined = {};

    std::vector<std::uint8_t> rows(2 * rowBytes, 0);
    std::uint8_t* above = rows.data();
    std::uint8_t* row = rows.data() + rowBytes;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* raw = image + (rowBytes + 1) * y;
        if (!Unfilter(raw[0], raw + 1, above, row, rowBytes)) return std::nullopt;
        ToValues(row, picture.row(static_cast<int>(y)), width);
        std::swap(above, row);
    }
    picture.values.resize(std::size_t { width } * height);
    return picture;
}

} // namespace

std::optional<GreyPicture> DecodePlainGreyPng(std::span<const std::uint8_t> bytes) {
    return DecodePlain(bytes, nullptr);
}

std::optional<GreyPicture> DecodePlainGreyPngInPlace(std::span<std::uint8_t> bytes) {
    return DecodePlain(bytes, bytes.data());
}

bool LooksPlainGreyPng(std::span<const std::uint8_t> bytes) {
    // The signature, then IHDR's length and type, width, height, bit depth 16,
    // colour type 0, compression and filter method 0 and no interlacing.
    constexpr std::uint8_t kStart[]
        = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R' };
    constexpr std::uint8_t kForm[] = { 16, 0, 0, 0, 0 };
    return bytes.size() >= 33 && std::memcmp(bytes.data(), kStart, sizeof kStart) == 0
        && std::memcmp(bytes.data() + 24, kForm, sizeof kForm) == 0;
}

std::optional<GreyPicture> ReadPlainGreyPng(const std::filesystem::path& path, std::size_t size) {
    if (size > kMaxPlainPngFileBytes) return std::nullopt;
    std::vector<std::uint8_t, PixelAllocator<std::uint8_t>> bytes;
    try {
        const FileToRead file = OpenFileToRead(path, kMaxPlainPngFileBytes);
        if (file.size != size) return std::nullopt;
        bytes.resize(size);
        iovec whole { bytes.data(), size };
        ReadPiecesAt(file, { &whole, 1 }, 0, path, "the file ended early");
    } catch (const Error&) {
        return std::nullopt;
    }
    return DecodePlainGreyPngInPlace(bytes);
}

} // namespace deptrix::grey
