// 16-bit grey PNG files decoded without libpng: every row filter undone exactly, and
// every file that is not plain and intact left to libpng.

#include "import/PlainGreyPng.h"

#include "TestFolder.h"
#include "core/Error.h"
#include "import/GreyPictureReader.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

namespace deptrix {
namespace {

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    Put32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    Put32(out, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    if (std::abs(p - a) <= std::abs(p - b) && std::abs(p - a) <= std::abs(p - c)) return a;
    return std::abs(p - b) <= std::abs(p - c) ? b : c;
}

/// A picture of random values and its file: row y filtered with filter y % 5, the
/// image stream split into IDAT chunks of `chunkBytes`, an ancillary chunk before.
struct PlainPng {
    std::vector<std::uint16_t> values;
    std::vector<std::uint8_t> file;
    std::vector<std::uint8_t> stream; ///< the filtered rows before compression
};

PlainPng MakePng(int width, int height, std::size_t chunkBytes, std::uint32_t seed = 5) {
    PlainPng png;
    std::mt19937 random(seed);
    const std::size_t rowBytes = 2 * static_cast<std::size_t>(width);
    std::vector<std::uint8_t> above(rowBytes, 0);
    for (int y = 0; y < height; ++y) {
        std::vector<std::uint8_t> row(rowBytes);
        for (int x = 0; x < width; ++x) {
            // Smooth with noise, so that every filter meets carries and borrows.
            const auto v = static_cast<std::uint16_t>(x * 900 + y * 300 + random() % 700);
            png.values.push_back(v);
            row[2 * static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(v >> 8);
            row[2 * static_cast<std::size_t>(x) + 1] = static_cast<std::uint8_t>(v);
        }
        const int filter = y % 5;
        png.stream.push_back(static_cast<std::uint8_t>(filter));
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= 2 ? row[i - 2] : 0;
            const int b = above[i];
            const int c = i >= 2 ? above[i - 2] : 0;
            const int predicted = filter == 1 ? a
                : filter == 2                 ? b
                : filter == 3                 ? (a + b) / 2
                : filter == 4                 ? Paeth(a, b, c)
                                              : 0;
            png.stream.push_back(static_cast<std::uint8_t>(row[i] - predicted));
        }
        above = row;
    }
    uLongf size = compressBound(static_cast<uLong>(png.stream.size()));
    std::vector<std::uint8_t> compressed(size);
    compress(compressed.data(), &size, png.stream.data(), static_cast<uLong>(png.stream.size()));
    compressed.resize(size);

    png.file = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    std::vector<std::uint8_t> header;
    Put32(header, static_cast<std::uint32_t>(width));
    Put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), { 16, 0, 0, 0, 0 });
    AppendChunk(png.file, "IHDR", header);
    AppendChunk(png.file, "tEXt", { 'K', 0, 'v' });
    for (std::size_t at = 0; at < compressed.size(); at += chunkBytes)
        AppendChunk(png.file, "IDAT",
            { compressed.begin() + static_cast<std::ptrdiff_t>(at),
                compressed.begin()
                    + static_cast<std::ptrdiff_t>(std::min(compressed.size(), at + chunkBytes)) });
    AppendChunk(png.file, "IEND", {});
    return png;
}

std::vector<std::uint16_t> ValuesOf(const GreyPicture& picture) {
    return { picture.values.begin(), picture.values.end() };
}

TEST(PlainGreyPng, UndoesEveryFilterExactly) {
    for (const auto& [width, height, chunk] : std::vector<std::array<int, 3>> {
             { 1, 1, 100 }, { 1, 7, 3 }, { 7, 1, 100 }, { 11, 13, 50 }, { 301, 31, 8192 } }) {
        const PlainPng png = MakePng(width, height, static_cast<std::size_t>(chunk));
        const std::optional<GreyPicture> plain = grey::DecodePlainGreyPng(png.file);
        ASSERT_TRUE(plain) << width << " x " << height;
        EXPECT_EQ(plain->width, width);
        EXPECT_EQ(plain->height, height);
        EXPECT_EQ(ValuesOf(*plain), png.values) << width << " x " << height;
    }
}

TEST(PlainGreyPng, LeavesAnythingElseToLibpng) {
    const PlainPng png = MakePng(11, 13, 40);
    // The header's data begins at byte 16, its CRC at 29; the text chunk's data at 41.
    const auto withHeader = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> file = png.file;
        file[16 + at] = value;
        const auto crc = static_cast<std::uint32_t>(crc32(0, file.data() + 12, 17));
        for (int i = 0; i < 4; ++i)
            file[29 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        return file;
    };
    ASSERT_TRUE(grey::DecodePlainGreyPng(withHeader(8, 16)));
    // 8 bits, colour, interlaced; a broken CRC in the text chunk; a file cut short.
    EXPECT_FALSE(grey::DecodePlainGreyPng(withHeader(8, 8)));
    EXPECT_FALSE(grey::DecodePlainGreyPng(withHeader(9, 2)));
    EXPECT_FALSE(grey::DecodePlainGreyPng(withHeader(12, 1)));
    std::vector<std::uint8_t> badText = png.file;
    badText[43] = 'w';
    EXPECT_FALSE(grey::DecodePlainGreyPng(badText));
    for (std::size_t length = 0; length < png.file.size(); length += 7)
        EXPECT_FALSE(grey::DecodePlainGreyPng({ png.file.data(), length })) << length;

    // A row filter PNG does not have, with every checksum made right: libpng words
    // the error.
    PlainPng badFilter = png;
    badFilter.stream[0] = 5;
    uLongf size = compressBound(static_cast<uLong>(badFilter.stream.size()));
    std::vector<std::uint8_t> compressed(size);
    compress(compressed.data(), &size, badFilter.stream.data(), static_cast<uLong>(badFilter.stream.size()));
    compressed.resize(size);
    std::vector<std::uint8_t> file(png.file.begin(), png.file.begin() + 8 + 25);
    AppendChunk(file, "IDAT", compressed);
    AppendChunk(file, "IEND", {});
    EXPECT_FALSE(grey::DecodePlainGreyPng(file));
    try {
        DecodeGreyPicture(file, "map.png");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("map.png: damaged PNG file (", 0), 0u) << e.what();
    }
}

TEST(PlainGreyPng, FilesReadWholeJoinTheirChunksWhereTheyLie) {
    const test::TestFolder folder;
    const auto write = [&](const std::vector<std::uint8_t>& bytes) {
        const std::filesystem::path path = folder / "map.png";
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    };
    // Chunks of a few bytes each, so every one is moved down over the gaps between them.
    const PlainPng png = MakePng(301, 31, 37);
    const std::optional<GreyPicture> read = grey::ReadPlainGreyPng(write(png.file), png.file.size());
    ASSERT_TRUE(read);
    EXPECT_EQ(ValuesOf(*read), png.values);
    // A damaged image data chunk is not decoded here: libpng reads the file and names it.
    std::vector<std::uint8_t> damaged = png.file;
    damaged[damaged.size() - 40] ^= 1;
    EXPECT_FALSE(grey::ReadPlainGreyPng(write(damaged), damaged.size()));
    try {
        ReadGreyPicture(folder / "map.png");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("map.png: ", 0), 0u) << e.what();
    }
}

} // namespace
} // namespace deptrix
