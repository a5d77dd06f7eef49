#include "PrintTestSupport.h"

#include "core/FileIo.h"
#include "import/DefaultOffsets.h"
#include "import/LayerReader.h"
#include "import/PsdWriter.h"
#include "render/GroupFrames.h"

#include <gtest/gtest.h>
#include <tiffio.h>

namespace deptrix::test {

TiffFile ReadTiff(const std::filesystem::path& path) {
    TiffFile file;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff) {
        ADD_FAILURE() << "libtiff cannot open " << path;
        return file;
    }
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &file.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &file.height);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &file.samples);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &file.bits);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &file.photometric);
    TIFFGetField(tiff, TIFFTAG_INKSET, &file.inkSet);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &file.compression);
    TIFFGetField(tiff, TIFFTAG_PREDICTOR, &file.predictor);
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &file.resolutionUnit);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &file.xResolution);
    TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &file.yResolution);
    TIFFGetField(tiff, TIFFTAG_ROWSPERSTRIP, &file.rowsPerStrip);
    file.strips = TIFFNumberOfStrips(tiff);
    file.bigTiff = (TIFFIsBigTIFF(tiff) != 0);
    std::uint32_t iccBytes = 0;
    void* icc = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &iccBytes, &icc))
        file.icc.assign(
            static_cast<const std::uint8_t*>(icc), static_cast<const std::uint8_t*>(icc) + iccBytes);
    const std::size_t rowBytes = std::size_t { file.width } * file.samples;
    file.pixels.resize(rowBytes * file.height);
    for (std::uint32_t s = 0; s < file.strips; ++s) {
        const std::size_t at = rowBytes * s * file.rowsPerStrip;
        if (TIFFReadEncodedStrip(
                tiff, s, file.pixels.data() + at, static_cast<tmsize_t>(file.pixels.size() - at))
            < 0)
            ADD_FAILURE() << "libtiff cannot read strip " << s << " of " << path;
    }
    TIFFClose(tiff);
    return file;
}

std::array<std::uint8_t, 3> FrameColour(int k) {
    return { static_cast<std::uint8_t>(k * 37 % 256), static_cast<std::uint8_t>(255 - k * 7 % 200),
        static_cast<std::uint8_t>((k * 101 + 50) % 256) };
}

void ImportFlipFolder(FlipDocument& out, const Folder& folder, int layers, int width, int height) {
    PsdWriterOptions options;
    options.width = width;
    options.height = height;
    PsdWriter writer(options);
    writer.beginFolder();
    const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (int k = 0; k < layers; ++k) {
        PsdLayerSpec layer;
        layer.name = "frame " + std::to_string(k + 1);
        layer.box = { 0, 0, height, width };
        for (const std::uint8_t value : FrameColour(k)) layer.colour.emplace_back(pixels, value);
        layer.transparency.assign(pixels, 255);
        writer.addLayer(layer);
    }
    writer.endFolder(PsdFolderSpec { "flip frames" });
    const auto psd = folder / "flip.psd";
    WriteFileAtomically(psd, writer.finish());
    NullProgress progress;
    out.doc.beginImport(psd.string());
    ReadPsd(psd, folder.path(), out.doc, progress);
    ApplyImportDefaults(out.doc);
    BuildGroupFrames(out.doc);
    out.offsets = LayerOffsets { 0, 0, std::vector<std::int32_t>(static_cast<std::size_t>(layers), 0) };
}

} // namespace deptrix::test
