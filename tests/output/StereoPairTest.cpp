#include "output/StereoPair.h"

#include "TestPictures.h"
#include "core/Error.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <stdexcept>

namespace deptrix {
namespace {

using testing::Photo;
using testing::Solid;

/// What libjpeg's decoder sees in a JPEG file.
struct DecodedJpeg {
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    bool baseline = false; // every quantisation value fits the 8 bits baseline allows
    unsigned luminanceTable[DCTSIZE2] = {}; // natural order
    Bitmap picture;
};

struct DecoderTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void DecoderFailed(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<DecoderTrap*>(cinfo->err)->jump, 1);
}

bool Decode(const std::vector<std::uint8_t>& bytes, DecodedJpeg& out) {
    jpeg_decompress_struct cinfo;
    DecoderTrap trap;
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = DecoderFailed;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    out.width = static_cast<int>(cinfo.image_width);
    out.height = static_cast<int>(cinfo.image_height);
    out.components = cinfo.num_components;
    out.progressive = cinfo.progressive_mode;
    out.baseline = true;
    for (int i = 0; i < DCTSIZE2; ++i) out.luminanceTable[i] = cinfo.quant_tbl_ptrs[0]->quantval[i];
    for (int t = 0; t < NUM_QUANT_TBLS; ++t)
        if (cinfo.quant_tbl_ptrs[t])
            for (int i = 0; i < DCTSIZE2; ++i)
                out.baseline = out.baseline && cinfo.quant_tbl_ptrs[t]->quantval[i] <= 255;
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    out.picture = Bitmap(out.width, out.height, PixelFormat::Bgr24);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.picture.row(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

DecodedJpeg DecodeOrFail(const std::vector<std::uint8_t>& bytes) {
    DecodedJpeg decoded;
    if (!Decode(bytes, decoded)) throw std::runtime_error("libjpeg cannot decode the file");
    return decoded;
}

/// The luminance table of the JPEG standard's example, scaled as libjpeg scales it
/// for a quality (natural order).
std::vector<unsigned> StandardLuminanceTable(int quality) {
    static const unsigned base[DCTSIZE2] = { 16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
        14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24,
        35, 55, 64, 81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99 };
    const unsigned scale = quality < 50 ? 5000u / quality : 200u - 2u * quality;
    std::vector<unsigned> table;
    for (unsigned v : base) table.push_back(std::clamp((v * scale + 50) / 100, 1u, 255u));
    return table;
}

TEST(SideBySide, PlacesTheLeftViewThenTheRightView) {
    const Bitmap left = Photo(5, 3, 1);
    const Bitmap right = Photo(5, 3, 2);
    const Bitmap pair = SideBySide(left, right);
    ASSERT_EQ(pair.width(), 10);
    ASSERT_EQ(pair.height(), 3);
    for (int y = 0; y < 3; ++y) {
        EXPECT_TRUE(std::equal(left.row(y), left.row(y) + 15, pair.row(y))) << "row " << y;
        EXPECT_TRUE(std::equal(right.row(y), right.row(y) + 15, pair.row(y) + 15)) << "row " << y;
    }
}

TEST(SideBySide, ClipsALargerRightViewAndLeavesMissingPartsBlack) {
    const Bitmap pair = SideBySide(Solid(2, 2, 9, 9, 9), Solid(3, 1, 200, 100, 50));
    ASSERT_EQ(pair.width(), 4);
    ASSERT_EQ(pair.height(), 2);
    const std::uint8_t top[] = { 9, 9, 9, 9, 9, 9, 50, 100, 200, 50, 100, 200 };
    const std::uint8_t bottom[] = { 9, 9, 9, 9, 9, 9, 0, 0, 0, 0, 0, 0 };
    EXPECT_TRUE(std::equal(std::begin(top), std::end(top), pair.row(0)));
    EXPECT_TRUE(std::equal(std::begin(bottom), std::end(bottom), pair.row(1)));
}

TEST(EncodeJpeg, WritesABaselineColourFileOfQualityNinety) {
    const Bitmap pair = SideBySide(Photo(61, 37, 3), Solid(61, 37, 250, 20, 20));
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(pair);
    const DecodedJpeg decoded = DecodeOrFail(jpeg);
    EXPECT_EQ(decoded.width, 122);
    EXPECT_EQ(decoded.height, 37);
    EXPECT_EQ(decoded.components, 3);
    EXPECT_FALSE(decoded.progressive);
    EXPECT_TRUE(decoded.baseline);
    // The start-of-frame marker of a baseline file is FF C0.
    bool baselineMarker = false;
    for (std::size_t i = 2; i + 1 < jpeg.size() && !baselineMarker; ++i)
        baselineMarker = jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0;
    EXPECT_TRUE(baselineMarker);
    const std::vector<unsigned> expected = StandardLuminanceTable(90);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), decoded.luminanceTable));
    // Colours survive: blue stays in the byte of blue.
    EXPECT_LT(testing::MeanAbsoluteDifference(decoded.picture, pair), 4.0);
    const std::uint8_t* redHalf = decoded.picture.row(18) + 3 * 90;
    EXPECT_NEAR(redHalf[2], 250, 6);
    EXPECT_NEAR(redHalf[0], 20, 6);
}

TEST(EncodeJpeg, FollowsTheQualityItIsGiven) {
    const DecodedJpeg decoded = DecodeOrFail(EncodeJpeg(Photo(16, 16, 4), 50));
    const std::vector<unsigned> expected = StandardLuminanceTable(50);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), decoded.luminanceTable));
}

TEST(EncodeJpeg, GrowsItsBufferForLargePictures) {
    // Grain compresses badly: the file outgrows the first 64 KiB output chunk twice,
    // and every byte must still be in place.
    const Bitmap photo = Photo(1800, 1400, 8);
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(photo);
    EXPECT_GT(jpeg.size(), 150'000u);
    const DecodedJpeg decoded = DecodeOrFail(jpeg);
    EXPECT_EQ(decoded.width, 1800);
    EXPECT_EQ(decoded.height, 1400);
    EXPECT_LT(testing::MeanAbsoluteDifference(decoded.picture, photo), 3.0);
}

TEST(StereoPair, RefusesWhatCannotBeEncoded) {
    const Bitmap wide = Solid(20000, 1, 0, 0, 0);
    try {
        SideBySide(wide, wide);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("too wide"), std::string::npos) << error.what();
    }
    EXPECT_THROW(SideBySide(Bitmap(4, 4, PixelFormat::Gray8), Solid(4, 4, 1, 1, 1)), Error);
    EXPECT_THROW(EncodeJpeg(Bitmap()), Error);
    EXPECT_THROW(EncodeJpeg(Bitmap(4, 4, PixelFormat::Gray8)), Error);
    EXPECT_THROW(EncodeJpeg(Solid(4, 4, 1, 1, 1), 0), Error);
    EXPECT_THROW(EncodeJpeg(Solid(4, 4, 1, 1, 1), 101), Error);
}

} // namespace
} // namespace deptrix
