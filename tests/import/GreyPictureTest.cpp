// Depth map pictures of every format decode to the same 16-bit greys; damaged and
// absurd files are refused with the file's name.

#include "TaskThreads.h"
#include "TestFolder.h"
#include "TestPsd.h"
#include "core/Bitmap.h"
#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "import/GreyPictureReader.h"
#include "import/PsdWriter.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <zlib.h>

namespace deptrix {
namespace {

constexpr int kWidth = 7;
constexpr int kHeight = 5;

/// Distinct greys 0..255 over the picture, both ends included.
std::uint8_t GreyAt(int x, int y) {
    return static_cast<std::uint8_t>((x + kWidth * y) * 255 / (kWidth * kHeight - 1));
}

std::vector<std::uint8_t> Saved(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality)) << format;
    return { bytes.begin(), bytes.end() };
}

QImage GreyImage(QImage::Format format) {
    QImage image(kWidth, kHeight, format);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            image.setPixelColor(x, y, QColor(GreyAt(x, y), GreyAt(x, y), GreyAt(x, y)));
    return image;
}

/// A TIFF of the given samples (grey, or RGB when three per pixel), 8 or 16 bits.
std::vector<std::uint8_t> Tiff(const std::vector<std::uint16_t>& samples, int channels, int bits, int width,
    int height, std::uint16_t planar = PLANARCONFIG_CONTIG) {
    const test::TestFolder folder;
    const std::filesystem::path path = folder / "map.tif";
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, planar);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 2);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    const int perRow = planar == PLANARCONFIG_CONTIG ? channels : 1;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width * perRow * bits / 8));
    for (int plane = 0; plane < (planar == PLANARCONFIG_CONTIG ? 1 : channels); ++plane)
        for (int y = 0; y < height; ++y) {
            for (int i = 0; i < width * perRow; ++i) {
                const int x = i / perRow;
                const int c = planar == PLANARCONFIG_CONTIG ? i % perRow : plane;
                const std::uint16_t v = samples[static_cast<std::size_t>((y * width + x) * channels + c)];
                if (bits == 8)
                    row[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
                else
                    std::memcpy(&row[static_cast<std::size_t>(2 * i)], &v, 2);
            }
            TIFFWriteScanline(
                tiff, row.data(), static_cast<std::uint32_t>(y), static_cast<std::uint16_t>(plane));
        }
    TIFFClose(tiff);
    return ReadFileBytes(path);
}

std::vector<std::uint16_t> GreySamples(int channels) {
    std::vector<std::uint16_t> samples;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < channels; ++c) samples.push_back(GreyAt(x, y));
    return samples;
}

/// The values of a decoded picture, to compare with those expected.
std::vector<std::uint16_t> ValuesOf(const GreyPicture& picture) {
    return { picture.values.begin(), picture.values.end() };
}

std::vector<std::uint16_t> Wide(std::vector<std::uint16_t> samples) {
    for (std::uint16_t& v : samples) v = static_cast<std::uint16_t>(v * 257);
    return samples;
}

void ExpectGreys(const GreyPicture& picture, const std::string& what) {
    ASSERT_EQ(picture.width, kWidth) << what;
    ASSERT_EQ(picture.height, kHeight) << what;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(picture.row(y)[x], GreyAt(x, y) * 257) << what << " at " << x << ", " << y;
}

std::string ErrorOf(const std::vector<std::uint8_t>& bytes, const std::string& layer = {}) {
    try {
        DecodeGreyPicture(bytes, "map.dat", layer);
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

TEST(GreyPicture, EveryFormatGivesTheSameGreys) {
    Bitmap grey8(kWidth, kHeight, PixelFormat::Gray8);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) grey8.row(y)[x] = GreyAt(x, y);
    PsdWriterOptions options = test::RgbOptions(kWidth, kHeight);
    options.mode = ColourMode::Grayscale;
    options.depth = 16;
    PsdWriter psd(options);
    PsdPlane plane;
    for (std::uint16_t v : GreySamples(1)) plane.push_back(static_cast<std::uint16_t>(v * 257));
    psd.setMergedImage({ plane }, false);

    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files {
        { "8-bit grey PNG", Saved(GreyImage(QImage::Format_Grayscale8), "PNG") },
        { "16-bit grey PNG", Saved(GreyImage(QImage::Format_Grayscale16), "PNG") },
        { "RGB PNG", Saved(GreyImage(QImage::Format_RGB888), "PNG") },
        { "16-bit RGBA PNG", Saved(GreyImage(QImage::Format_RGBA64), "PNG") },
        { "palette PNG",
            Saved(GreyImage(QImage::Format_RGB888).convertToFormat(QImage::Format_Indexed8), "PNG") },
        { "8-bit BMP", EncodeBmp(grey8) },
        { "24-bit BMP", Saved(GreyImage(QImage::Format_RGB888), "BMP") },
        { "8-bit grey TIFF", Tiff(GreySamples(1), 1, 8, kWidth, kHeight) },
        { "16-bit RGB TIFF in planes",
            Tiff(Wide(GreySamples(3)), 3, 16, kWidth, kHeight, PLANARCONFIG_SEPARATE) },
        { "16-bit PSD", psd.finish() },
    };
    for (const auto& [what, bytes] : files) ExpectGreys(DecodeGreyPicture(bytes, what), what);
}

TEST(GreyPicture, SixteenBitSamplesKeepTheirPrecision) {
    // Values no 8-bit picture holds, and colour whose luminance is exact.
    const std::vector<std::uint16_t> values { 0, 1, 300, 32767, 40000, 65534, 65535 };
    QImage png(7, 1, QImage::Format_Grayscale16);
    std::vector<std::uint16_t> rgb;
    for (int x = 0; x < 7; ++x) {
        reinterpret_cast<std::uint16_t*>(png.scanLine(0))[x] = values[static_cast<std::size_t>(x)];
        rgb.insert(rgb.end(), 3, values[static_cast<std::size_t>(x)]);
    }
    const GreyPicture fromPng = DecodeGreyPicture(Saved(png, "PNG"), "map.png");
    const GreyPicture fromTiff = DecodeGreyPicture(Tiff(rgb, 3, 16, 7, 1), "map.tif");
    EXPECT_EQ(ValuesOf(fromPng), values);
    EXPECT_EQ(ValuesOf(fromTiff), values);
}

TEST(GreyPicture, PngRowsDecodedBesideTheirConversionComeOutInPlace) {
    // 8-bit files go through libpng in bands of rows: decoded on one thread, made
    // grey on another.
    QImage image(37, 90, QImage::Format_Grayscale8);
    const auto grey = [](int x, int y) { return static_cast<std::uint8_t>((x * 7 + y * 3) % 256); };
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.scanLine(y)[x] = grey(x, y);
    const std::vector<std::uint8_t> file = Saved(image, "PNG");
    const test::ScopedTaskThreads threads(2);
    const GreyPicture picture = DecodeGreyPicture(file, "map.png");
    ASSERT_EQ(picture.height, 90);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(picture.row(y)[x], Widen8(grey(x, y))) << x << ", " << y;
    const std::vector<std::uint8_t> cut(
        file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() * 2 / 3));
    EXPECT_EQ(ErrorOf(cut).rfind("map.dat: damaged PNG file (", 0), 0u) << ErrorOf(cut);
}

TEST(GreyPicture, ColourBecomesLuminanceAndTransparencyGoesToBlack) {
    QImage image(3, 1, QImage::Format_RGBA8888);
    image.setPixelColor(0, 0, QColor(255, 0, 0));
    image.setPixelColor(1, 0, QColor(0, 0, 255));
    image.setPixelColor(2, 0, QColor(200, 200, 200, 0));
    const GreyPicture picture = DecodeGreyPicture(Saved(image, "PNG"), "map.png");
    EXPECT_EQ(ValuesOf(picture), (std::vector<std::uint16_t> { 76 * 257, 29 * 257, 0 }));
}

TEST(GreyPicture, JpegsAreReadAndTheirDamageRefused) {
    const std::vector<std::uint8_t> jpeg = Saved(GreyImage(QImage::Format_Grayscale8), "JPEG", 100);
    const GreyPicture picture = DecodeGreyPicture(jpeg, "map.jpg");
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) EXPECT_NEAR(picture.row(y)[x] / 257, GreyAt(x, y), 2);
    const std::vector<std::uint8_t> cut(
        jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2));
    EXPECT_NE(ErrorOf(cut).find("map.dat: damaged JPEG file"), std::string::npos) << ErrorOf(cut);
}

TEST(GreyPicture, PsdLayersAreFoundByNameAndPlacedOnTheCanvas) {
    PsdWriter writer(test::RgbOptions(6, 4));
    writer.addLayer(test::SolidLayer("Depth", { 1, 2, 3, 5 }, { 100, 100, 100 }));
    writer.addLayer(test::SolidLayer("Paint", { 0, 0, 4, 6 }, { 10, 20, 30 }));
    // The topmost "Depth" is used: 200 at a fifth of its opacity over black.
    writer.addLayer(test::SolidLayer("Depth", { 0, 1, 2, 3 }, { 200, 200, 200 }, 51));
    const std::vector<std::uint8_t> file = writer.finish();
    const GreyPicture picture = DecodeGreyPicture(file, "scene.psd", "Depth");
    ASSERT_EQ(picture.width, 6);
    std::vector<std::uint16_t> expected(24, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 1; x < 3; ++x) expected[static_cast<std::size_t>(6 * y + x)] = 200 * 257 / 5;
    EXPECT_EQ(ValuesOf(picture), expected);
    EXPECT_EQ(ErrorOf(file, "Sky"), "map.dat: the file has no layer named \"Sky\"");

    PsdWriter flat(test::RgbOptions(2, 2));
    flat.setMergedImage({ test::Flat(4, 9), test::Flat(4, 9), test::Flat(4, 9) }, false);
    const std::vector<std::uint8_t> noLayers = flat.finish();
    EXPECT_EQ(ValuesOf(DecodeGreyPicture(noLayers, "flat.psd")), std::vector<std::uint16_t>(4, 9 * 257));
    EXPECT_EQ(ErrorOf(noLayers, "Depth"), "map.dat: the file has no layers (asked for the layer \"Depth\")");
    EXPECT_NE(ErrorOf(Saved(GreyImage(QImage::Format_Grayscale8), "PNG"), "Depth").find("only a PSD or PSB"),
        std::string::npos);
}

/// A PNG chunk with its length and CRC.
void AppendChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(length >> shift));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    const auto crc = static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size())));
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(crc >> shift));
}

std::vector<std::uint8_t> PngDeclaring(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> png { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    std::vector<std::uint8_t> header;
    for (const std::uint32_t side : { width, height })
        for (int shift = 24; shift >= 0; shift -= 8)
            header.push_back(static_cast<std::uint8_t>(side >> shift));
    header.insert(header.end(), { 16, 0, 0, 0, 0 });
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", { 0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01 });
    AppendChunk(png, "IEND", {});
    return png;
}

TEST(GreyPicture, DamagedEmptyAndAbsurdFilesAreRefusedNamingTheFile) {
    EXPECT_EQ(ErrorOf(PngDeclaring(100000, 100000)),
        "map.dat: the picture is 100000 x 100000 pixels, larger than a depth map may be (at most 32767 "
        "pixels a "
        "side and 268 million pixels)");
    EXPECT_NE(ErrorOf(PngDeclaring(0, 0)).find("map.dat: damaged PNG file"), std::string::npos);
    EXPECT_EQ(ErrorOf({}), "map.dat: the file is empty");
    EXPECT_EQ(ErrorOf({ 'G', 'I', 'F', '8' }),
        "map.dat: not a picture a depth map can be read from (PNG, TIFF, JPEG, BMP, PSD or PSB)");

    // Cut short anywhere, a file is refused or, past its last pixel, read whole: never
    // a picture with made-up rows.
    for (const auto& whole : { Saved(GreyImage(QImage::Format_Grayscale16), "PNG"),
             Tiff(GreySamples(1), 1, 8, kWidth, kHeight) }) {
        for (std::size_t length = 0; length < whole.size(); ++length) {
            const std::vector<std::uint8_t> cut(
                whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            try {
                ExpectGreys(DecodeGreyPicture(cut, "cut"), "cut at " + std::to_string(length));
            } catch (const Error& e) {
                EXPECT_EQ(std::string(e.what()).rfind("cut: ", 0), 0u) << e.what();
            }
        }
    }
}

// Small files declaring large pictures are refused from what their bytes can hold,
// not after decoding hundreds of millions of made-up pixels.

TEST(GreyPicture, TiffOfAnUnknownCompressionIsRefused) {
    try {
        ReadGreyPicture(DEPTRIX_SOURCE_DIR "/tests/import/data/tiff-small-file-large-picture.tif");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
            "tiff-small-file-large-picture.tif: TIFF compression 65412 cannot be read");
    }
}

/// An uncompressed 8-bit grey TIFF in two strips of `stripBytes` bytes each, the first
/// at `dataOffset` (the second after it).
std::vector<std::uint8_t> TiffDeclaring(
    std::uint16_t width, std::uint16_t height, std::uint16_t dataOffset, std::uint16_t stripBytes) {
    std::vector<std::uint8_t> file { 'I', 'I', 42, 0, 16, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8 };
    const auto put = [&file](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    const auto pair = [](std::uint32_t first, std::uint32_t second) { return first | second << 16; };
    // Tag, count of shorts, the shorts inline.
    const std::vector<std::array<std::uint32_t, 3>> entries { { 256, 1, width }, { 257, 1, height },
        { 258, 1, 8 }, { 259, 1, 1 }, { 262, 1, 1 }, { 273, 2, pair(dataOffset, dataOffset + stripBytes) },
        { 277, 1, 1 }, { 278, 1, (height + 1u) / 2 }, { 279, 2, pair(stripBytes, stripBytes) } };
    put(static_cast<std::uint32_t>(entries.size()), 2);
    for (const auto& [tag, count, value] : entries) {
        put(tag, 2);
        put(3, 2);
        put(count, 4);
        put(value, 4);
    }
    put(0, 4);
    return file;
}

TEST(GreyPicture, TiffWhoseDataCannotHoldItsPictureIsRefused) {
    EXPECT_EQ(ErrorOf(TiffDeclaring(30000, 8000, 8, 4)),
        "map.dat: the TIFF file holds 8 bytes of pixels, too few for a picture of 30000 x 8000 pixels");
    EXPECT_EQ(ErrorOf(TiffDeclaring(30000, 8000, 8, 1000)),
        "map.dat: the TIFF file ends before its picture does (strip 1 of 2 is not in the file)");
    EXPECT_EQ(ErrorOf(TiffDeclaring(30000, 8000, 8, 100)),
        "map.dat: the TIFF file ends before its picture does (strip 2 of 2 is not in the file)");
    EXPECT_EQ(ErrorOf(TiffDeclaring(2, 4, 8, 4)), "no error");
}

TEST(GreyPicture, MissingFilesAreNamed) {
    try {
        ReadGreyPicture("/nonexistent-folder/depth.png");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("depth.png: cannot open the file"), std::string::npos)
            << e.what();
    }
}

} // namespace
} // namespace deptrix
