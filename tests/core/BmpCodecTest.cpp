#include "core/BmpCodec.h"

#include "TestFolder.h"
#include "core/Error.h"
#include "core/FileIo.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace deptrix {
namespace {

Bitmap Noise(int w, int h, PixelFormat format, unsigned seed) {
    Bitmap b(w, h, format);
    std::mt19937 rng(seed);
    const int used = w * b.bytesPerPixel();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < used; ++x) b.row(y)[x] = static_cast<std::uint8_t>(rng());
    return b;
}

std::uint32_t Le32(const std::vector<std::uint8_t>& v, size_t at) {
    return v[at] | v[at + 1] << 8 | v[at + 2] << 16 | static_cast<std::uint32_t>(v[at + 3]) << 24;
}

TEST(BmpCodec, RoundTripsEveryFormatAtAwkwardSizes) {
    const std::pair<int, int> sizes[] = { { 1, 1 }, { 1, 7 }, { 7, 1 }, { 11, 13 }, { 301, 301 } };
    for (PixelFormat format : { PixelFormat::Gray8, PixelFormat::Bgr24, PixelFormat::Cmyk32 }) {
        for (auto [w, h] : sizes) {
            const Bitmap original = Noise(w, h, format, static_cast<unsigned>(w * 31 + h));
            const Bitmap decoded = DecodeBmp(EncodeBmp(original), "test.bmp");
            EXPECT_TRUE(decoded.samePixels(original)) << w << "x" << h << " format " << int(format);
        }
    }
}

TEST(BmpCodec, WritesBottomUpPaddedRowsAndAGreyTable) {
    Bitmap b(3, 2, PixelFormat::Gray8);
    b.row(0)[0] = 10; // top row
    b.row(1)[0] = 20; // bottom row
    const std::vector<std::uint8_t> file = EncodeBmp(b);
    ASSERT_EQ(file.size(), 14u + 40u + 1024u + 2u * 4u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), file.size());
    EXPECT_EQ(Le32(file, 10), 14u + 40u + 1024u);
    EXPECT_EQ(file[28], 8); // bits per pixel
    for (int i : { 0, 1, 128, 255 }) {
        EXPECT_EQ(file[54 + 4 * i], i);
        EXPECT_EQ(file[54 + 4 * i + 1], i);
        EXPECT_EQ(file[54 + 4 * i + 2], i);
    }
    EXPECT_EQ(file[1078], 20); // the file starts with the bottom row
    EXPECT_EQ(file[1082], 10);
}

TEST(BmpCodec, ReadsTopDownFiles) {
    Bitmap b = Noise(5, 3, PixelFormat::Bgr24, 9);
    std::vector<std::uint8_t> file = EncodeBmp(b);
    // Turn the file top-down: negate the height and reverse the row order.
    const std::int32_t negative = -3;
    std::memcpy(&file[22], &negative, 4);
    const size_t stride = 16;
    std::vector<std::uint8_t> rows(file.begin() + 54, file.end());
    for (int r = 0; r < 3; ++r)
        std::copy_n(rows.begin() + (2 - r) * stride, stride, file.begin() + 54 + r * stride);
    EXPECT_TRUE(DecodeBmp(file, "top.bmp").samePixels(b));
}

TEST(BmpCodec, EveryTruncationIsRejectedCleanly) {
    for (PixelFormat format : { PixelFormat::Gray8, PixelFormat::Bgr24, PixelFormat::Cmyk32 }) {
        const std::vector<std::uint8_t> file = EncodeBmp(Noise(5, 3, format, 4));
        for (size_t length = 0; length < file.size(); ++length) {
            const std::vector<std::uint8_t> cut(
                file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            try {
                DecodeBmp(cut, "cut.gjs");
                ADD_FAILURE() << "accepted a file cut at " << length;
            } catch (const Error& e) {
                EXPECT_EQ(std::string(e.what()).rfind("cut.gjs: ", 0), 0u) << e.what();
            }
        }
    }
}

TEST(BmpCodec, InconsistentHeadersAreRejected) {
    const std::vector<std::uint8_t> good = EncodeBmp(Noise(4, 4, PixelFormat::Bgr24, 1));
    auto patched = [&](size_t at, std::uint32_t value) {
        std::vector<std::uint8_t> v = good;
        std::memcpy(&v[at], &value, 4);
        return v;
    };
    EXPECT_THROW(DecodeBmp(patched(0, 0x4d41), "x"), Error); // signature
    EXPECT_THROW(DecodeBmp(patched(10, 0xFFFFFFF0u), "x"), Error); // pixel offset past the end
    EXPECT_THROW(DecodeBmp(patched(14, 0x7FFFFFFF), "x"), Error); // header size
    EXPECT_THROW(DecodeBmp(patched(18, 0), "x"), Error); // width 0
    EXPECT_THROW(DecodeBmp(patched(18, 100000), "x"), Error); // huge width
    EXPECT_THROW(DecodeBmp(patched(22, 0x80000000u), "x"), Error); // height INT_MIN
    EXPECT_THROW(DecodeBmp(patched(22, 30000), "x"), Error); // more rows than data
    EXPECT_THROW(DecodeBmp(patched(28, 16), "x"), Error); // 16 bits per pixel
    EXPECT_THROW(DecodeBmp(patched(30, 1), "x"), Error); // RLE compression
}

TEST(BmpCodec, SaveAndLoadThroughFiles) {
    // A folder of its own: the binary also runs whole beside its single tests.
    const test::TestFolder folder;
    const Bitmap b = Noise(9, 4, PixelFormat::Cmyk32, 3);
    SaveBmp(b, folder / "vw1.gjs");
    EXPECT_TRUE(LoadBmp(folder / "vw1.gjs").samePixels(b));
    // Written row by row, a filled picture of padded rows gives EncodeBmp's bytes.
    Bitmap filled(5, 3, PixelFormat::Bgr24);
    filled.fill(201);
    SaveBmp(filled, folder / "view1.bmp");
    EXPECT_EQ(ReadFileBytes(folder / "view1.bmp"), EncodeBmp(filled));
    // Large outputs (an odd width leaves padding) give the same bytes; a disk that fills
    // up halfway is reported, and the file from before is kept.
    for (PixelFormat format : { PixelFormat::Bgr24, PixelFormat::Gray8 }) {
        const Bitmap large = Noise(1001, 1500, format, 5);
        SaveBmp(large, folder / "view2.bmp");
        EXPECT_EQ(ReadFileBytes(folder / "view2.bmp"), EncodeBmp(large)) << int(format);
    }
    {
        const test::ScopedFileIoHooks full(test::FillingDisk(ENOSPC, 700000, "view2"));
        try {
            SaveBmp(Noise(1001, 1500, PixelFormat::Bgr24, 6), folder / "view2.bmp");
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("not enough space"), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(ReadFileBytes(folder / "view2.bmp"), EncodeBmp(Noise(1001, 1500, PixelFormat::Gray8, 5)));
    std::filesystem::remove(folder / "vw1.gjs");
    try {
        LoadBmp(folder / "missing.gjs");
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("missing.gjs"), std::string::npos);
    }
}

TEST(BmpCodec, LoadingAFileReadsWhatDecodingItsBytesReads) {
    // Loading reads the rows straight from the file in batches: every format, either
    // row order, more rows than one batch, and padding bytes the writer left dirty,
    // which must not reach the picture's own padding.
    const test::TestFolder folder;
    for (PixelFormat format : { PixelFormat::Gray8, PixelFormat::Bgr24, PixelFormat::Cmyk32 }) {
        for (const bool topDown : { false, true }) {
            const Bitmap original = Noise(1001, 600, format, 8);
            std::vector<std::uint8_t> file = EncodeBmp(original);
            const std::size_t start = Le32(file, 10);
            const std::size_t stride = RowStride(1001, format);
            if (topDown) {
                const std::int32_t negative = -600;
                std::memcpy(&file[22], &negative, 4);
                std::vector<std::uint8_t> rows(file.begin() + static_cast<std::ptrdiff_t>(start), file.end());
                for (std::size_t r = 0; r < 600; ++r)
                    std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>((599 - r) * stride), stride,
                        file.begin() + static_cast<std::ptrdiff_t>(start + r * stride));
            }
            for (std::size_t r = 0; r < 600; ++r)
                for (std::size_t at = 1001u * static_cast<std::size_t>(original.bytesPerPixel()); at < stride;
                     ++at)
                    file[start + r * stride + at] = 0xEE;
            WriteFileAtomically(folder / "layer.gjs", file);
            const Bitmap loaded = LoadBmp(folder / "layer.gjs");
            EXPECT_TRUE(loaded.samePixels(original)) << int(format) << topDown;
            const std::size_t used = 1001u * static_cast<std::size_t>(original.bytesPerPixel());
            for (int y = 0; y < loaded.height() && stride > used; y += 97)
                EXPECT_EQ(loaded.row(y)[stride - 1], 0) << int(format) << " row " << y;
            // Widened as it is read: the file's rows between margins of the fill, the
            // row padding still zero (1001 + 2 x 7 columns leave some at every depth).
            const Bitmap widened = LoadWidenedBmp(folder / "layer.gjs", 7, 0xA5);
            ASSERT_EQ(widened.width(), 1015);
            ASSERT_EQ(widened.height(), 600);
            const std::size_t side = 7u * static_cast<std::size_t>(original.bytesPerPixel());
            const std::size_t wideStride = RowStride(1015, format);
            for (int y = 0; y < 600; ++y) {
                const std::uint8_t* row = widened.row(y);
                ASSERT_TRUE(std::all_of(row, row + side, [](std::uint8_t b) { return b == 0xA5; })) << y;
                ASSERT_TRUE(std::equal(row + side, row + side + used, original.row(y))) << y;
                ASSERT_TRUE(std::all_of(row + side + used, row + 2 * side + used, [](std::uint8_t b) {
                    return b == 0xA5;
                })) << y;
                ASSERT_TRUE(std::all_of(row + 2 * side + used, row + wideStride, [](std::uint8_t b) {
                    return b == 0;
                })) << y;
            }
        }
    }
    // A margin that would make the picture wider than any is refused, naming the file.
    try {
        LoadWidenedBmp(folder / "layer.gjs", 16000, 0);
        ADD_FAILURE() << "widened past the largest picture";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("layer.gjs: ", 0), 0u) << e.what();
    }
    const std::vector<std::uint8_t> file = EncodeBmp(Noise(5, 3, PixelFormat::Bgr24, 4));
    for (std::size_t length = 0; length < file.size(); ++length) {
        WriteFileAtomically(folder / "cut.gjs", { file.data(), length });
        try {
            LoadBmp(folder / "cut.gjs");
            ADD_FAILURE() << "accepted a file cut at " << length;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("cut.gjs: ", 0), 0u) << e.what();
        }
    }
}

} // namespace
} // namespace deptrix
