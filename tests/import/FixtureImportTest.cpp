// Every file of the fixture folder, written by other programs, against the JSON
// description an independent reader made of it.

#include "FixtureOracle.h"
#include "TestPsd.h"
#include "core/Error.h"
#include "core/Fixed.h"
#include "import/MappedFile.h"
#include "import/MergedImage.h"
#include "import/PsdFile.h"

#include <QJsonArray>
#include <gtest/gtest.h>
#include <map>

namespace deptrix::test {
namespace {

/// Files the reader must refuse, with a piece of the expected message.
const std::map<std::string, std::string>& Refused() {
    static const std::map<std::string, std::string> refused = {
        { "derived/bad_signature.psd", "not a Photoshop file" },
        { "derived/bad_version.psd", "unknown file version 3" },
        { "derived/rle_bad_rowcounts.psd", "RLE row counts exceed the channel data" },
        { "derived/truncated_channel_data.psd", "truncated layer and mask information" },
        { "derived/truncated_header.psd", "truncated file header" },
        { "derived/truncated_image_data.psd", "truncated merged image data" },
        { "derived/truncated_layer_records.psd", "truncated layer and mask information" },
        { "psd-tools/colormodes/4x4_16bit_multichannel.psd", "unsupported colour mode Multichannel" },
        { "psd-tools/colormodes/4x4_8bit_lab.psd", "unsupported colour mode Lab" },
        // Its layer and mask section is four bytes short, so the merged picture
        // that should follow it is cut.
        { "psd-tools/blend-modes/group-divider-blend-mode.psd", "truncated merged image data" },
    };
    return refused;
}

ImportedDocument ImportFile(const std::filesystem::path& file) {
    const MappedFile mapped(file);
    NullProgress progress;
    return ImportPsd(mapped.bytes(), file.filename().string(), nullptr, progress);
}

bool IsEmptyBox(const QJsonArray& bbox) {
    return bbox[2].toInt() <= bbox[0].toInt() || bbox[3].toInt() <= bbox[1].toInt();
}

/// The oracle fingerprints what a file stores; of 32-bit files the import makes sRGB
/// and of indexed ones colours (ColourModesTest checks both).
bool ColourAsStored(const QJsonObject& oracle) {
    return oracle["depth"].toInt() != 32
        && oracle["color_mode"].toInt() != static_cast<int>(ColourMode::Indexed);
}

/// True for a layer inside an artboard, which shows only within the artboard's rectangle.
bool InsideArtboard(const QJsonObject& layer, const QJsonObject& oracle) {
    const QJsonArray records = oracle["records"].toArray();
    for (const auto& parent : layer["parents"].toArray())
        if (records[parent.toObject()["record_index"].toInt()].toObject()["tagged_blocks"].toArray().contains(
                "artb"))
            return true;
    return false;
}

/// The oracle's layers that should become document layers: visible, with pixels,
/// neither folders nor adjustments.
std::vector<QJsonObject> ExpectedLayers(const QJsonObject& oracle) {
    std::vector<QJsonObject> layers;
    int lastRecord = -1;
    for (const auto& value : oracle["layers"].toArray()) {
        const QJsonObject layer = value.toObject();
        // The oracle lists a clipped layer once more after its base; one record is one layer.
        if (layer["record_index"].toInt() == lastRecord) continue;
        lastRecord = layer["record_index"].toInt();
        const QString kind = layer["kind"].toString();
        if (kind == "group" || kind == "adjustment" || !layer["visible_effective"].toBool()) continue;
        if (IsEmptyBox(layer["bbox"].toArray())) continue;
        layers.push_back(layer);
    }
    return layers;
}

/// The layer keeps its transparency channel unchanged as its opacity: no mask
/// applies and the layer, its fill and its folders are fully opaque.
bool MaskIsPlainTransparency(const QJsonObject& layer, const LayerRecord& ours) {
    if (layer["opacity"].toInt() != 255 || ours.FillOpacity != 255 || ours.FolderOpacity != 255) return false;
    const QJsonObject mask = layer["mask"].toObject();
    if (mask.isEmpty()) return true;
    const bool userApplies = layer["has_pixel_mask"].toBool() && !mask["disabled"].toBool();
    const bool realApplies = layer["has_real_mask"].toBool() && !mask["real_disabled"].toBool();
    return !userApplies && !realApplies;
}

void CheckLayerPixels(const QJsonObject& expected, const QJsonObject& oracle, const LayerRecord& ours,
    const Bitmap& colour, const Bitmap& mask, ColourMode mode) {
    const QJsonObject pixels = expected["pixels"].toObject();
    if (ColourAsStored(oracle)) {
        EXPECT_EQ(Sha256Hex(OracleColourBytes(colour, mode)),
            pixels["color"].toObject()["sha256"].toString().toStdString())
            << "colour of " << expected["name"].toString().toStdString();
    }
    if (!MaskIsPlainTransparency(expected, ours) || InsideArtboard(expected, oracle)) return;
    const QJsonObject alpha = pixels["alpha"].toObject();
    const std::vector<std::uint8_t> ours = PlaneBytes(mask);
    if (alpha.isEmpty())
        EXPECT_TRUE(std::all_of(ours.begin(), ours.end(), [](std::uint8_t v) { return v == 255; }))
            << "a layer without transparency is opaque";
    else
        EXPECT_EQ(Sha256Hex(ours), alpha["sha256"].toString().toStdString())
            << "opacity of " << expected["name"].toString().toStdString();
}

void CheckAgainstOracle(
    const std::filesystem::path& file, const ImportedDocument& doc, const QJsonObject& oracle) {
    const int width = oracle["width"].toInt();
    const int height = oracle["height"].toInt();
    const auto mode = static_cast<ColourMode>(oracle["color_mode"].toInt());
    EXPECT_EQ(doc.SourceWidth, width);
    EXPECT_EQ(doc.SourceHeight, height);
    EXPECT_EQ(doc.ImageMode, mode == ColourMode::Cmyk ? 4 : 3);
    EXPECT_EQ(doc.WorkScale, kFixedOne); // every fixture is within the working size
    const QJsonObject resolution = oracle["resolution"].toObject();
    const double ppi = resolution.isEmpty() ? 72.0 : resolution["h_res"].toDouble();
    EXPECT_EQ(doc.SourceDpi, ToFixed(ppi));

    const std::vector<QJsonObject> expected = ExpectedLayers(oracle);
    if (expected.empty()) {
        // The merged picture stands in for the missing layers.
        ASSERT_EQ(doc.Layers.size(), 1u);
        EXPECT_EQ(doc.Layers[0].Width, width);
        EXPECT_EQ(doc.Layers[0].Height, height);
        const QJsonObject composite = oracle["composite"].toObject();
        if (ColourAsStored(oracle)) {
            EXPECT_EQ(Sha256Hex(OracleColourBytes(doc.LayerBitmaps[0], mode)),
                composite["color"].toObject()["sha256"].toString().toStdString());
        }
        return;
    }
    // An artboard's background is a layer of ours standing for the artboard's folder.
    const QJsonArray records = oracle["records"].toArray();
    std::vector<std::size_t> fromRecords;
    for (std::size_t i = 0; i < doc.Layers.size(); ++i)
        if (const int divider = records[doc.Layers[i].RecordIndex].toObject()["section_divider"].toInt();
            divider != 1 && divider != 2)
            fromRecords.push_back(i);
    ASSERT_EQ(fromRecords.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const std::size_t i = fromRecords[k];
        const QJsonObject& layer = expected[k];
        const LayerRecord& ours = doc.Layers[i];
        const QJsonArray bbox = layer["bbox"].toArray();
        SCOPED_TRACE("layer " + std::to_string(i) + " '" + ours.displayName() + "'");
        EXPECT_EQ(ours.RecordIndex, layer["record_index"].toInt());
        EXPECT_EQ(ours.displayName(), layer["name"].toString().toStdString());
        EXPECT_EQ(ours.Opacity, layer["opacity"].toInt());
        // Drawn effects grow the box and change the pixels that the reference reader
        // describes without them: such layers are compared in the composite instead.
        if (ours.hasEffects()) continue;
        EXPECT_EQ(ours.Left, bbox[0].toInt());
        EXPECT_EQ(ours.Top, bbox[1].toInt());
        EXPECT_EQ(ours.Width, bbox[2].toInt() - bbox[0].toInt());
        EXPECT_EQ(ours.Height, bbox[3].toInt() - bbox[1].toInt());
        EXPECT_EQ(ours.Group, 0); // no fixture has a flip folder
        EXPECT_EQ(doc.LayerBitmaps[i].width(), ours.Width);
        EXPECT_EQ(doc.LayerMasks[i].height(), ours.Height);
        CheckLayerPixels(layer, oracle, ours, doc.LayerBitmaps[i], doc.LayerMasks[i], mode);
    }
    (void)file;
}

} // namespace

TEST(FixtureImport, EveryFileImportsAsDescribedOrIsRefusedNamingTheFile) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    int imported = 0;
    int refused = 0;
    for (const auto& file : FixtureFiles()) {
        const std::string name = FixtureName(file);
        SCOPED_TRACE(name);
        const auto refusal = Refused().find(name);
        if (refusal != Refused().end()) {
            try {
                ImportFile(file);
                ADD_FAILURE() << "imported a file that should be refused";
            } catch (const Error& error) {
                const std::string expected = file.filename().string() + ": ";
                EXPECT_EQ(std::string(error.what()).rfind(expected, 0), 0u) << error.what();
                EXPECT_NE(std::string(error.what()).find(refusal->second), std::string::npos) << error.what();
            }
            ++refused;
            continue;
        }
        ImportedDocument doc;
        try {
            doc = ImportFile(file);
        } catch (const Error& error) {
            ADD_FAILURE() << error.what();
            continue;
        }
        ++imported;
        const QJsonObject oracle = LoadOracle(file);
        if (oracle["ok"].toBool()) CheckAgainstOracle(file, doc, oracle);
    }
    EXPECT_EQ(refused, static_cast<int>(Refused().size()));
    EXPECT_GE(imported, 40);
}

TEST(FixtureImport, FilesTheReferenceReaderRejectsStillImport) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    // Tagged blocks signed "8ELE" inside a metadata block; the second record is a
    // hue/saturation adjustment, which is left out.
    const ImportedDocument eightEle = ImportFile(FixturesDir() / "psd-tools/2layer_8ele_tblocks.psd");
    ASSERT_EQ(eightEle.Layers.size(), 1u);
    EXPECT_EQ(eightEle.Layers[0].displayName(), "pixel");

    // Unicode names with a trailing NUL, and a last record that counts padding it
    // does not hold: the channel data starts two bytes before where it says.
    const ImportedDocument luni = ImportFile(FixturesDir() / "rust-psd/luni.psd");
    ASSERT_EQ(luni.Layers.size(), 3u);
    EXPECT_EQ(luni.Layers[0].UnicodeName, "1");
    EXPECT_EQ(
        luni.Layers[1].UnicodeName, "2 \xE3\x81\xAE\xE3\x82\xB3\xE3\x83\x94\xE3\x83\xBC"); // "2 のコピー"
    EXPECT_EQ(luni.Layers[1].StoredName, "2 ????");
    for (std::size_t i = 0; i < 3; ++i) {
        // Every channel holds one RLE row of a single 0xff.
        EXPECT_EQ(Rgb(luni.LayerBitmaps[i], 0, 0), (std::array<int, 3> { 255, 255, 255 }));
        EXPECT_EQ(luni.LayerMasks[i].row(0)[0], 255);
    }
}

TEST(FixtureImport, MergedPicturesDecodeToTheDescribedComposite) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    int checked = 0;
    for (const auto& file : FixtureFiles()) {
        const QJsonObject oracle = LoadOracle(file);
        const QJsonObject composite = oracle["composite"].toObject();
        const std::string expected = composite["color"].toObject()["sha256"].toString().toStdString();
        if (!oracle["ok"].toBool() || expected.empty() || Refused().count(FixtureName(file))
            || !ColourAsStored(oracle))
            continue;
        SCOPED_TRACE(FixtureName(file));
        const MappedFile mapped(file);
        const PsdFile psd = ParsePsd(mapped.bytes(), file.filename().string());
        const MergedPicture merged = DecodeMergedImage(psd, std::size_t { 1 } << 31);
        EXPECT_EQ(Sha256Hex(OracleColourBytes(merged.colour, psd.header.mode)), expected);
        const QJsonArray extra = composite["extra_channels"].toArray();
        if (psd.mergedHasTransparency && !extra.isEmpty()) {
            EXPECT_EQ(
                Sha256Hex(PlaneBytes(merged.alpha)), extra[0].toObject()["sha256"].toString().toStdString());
        }
        ++checked;
    }
    EXPECT_GE(checked, 30);
}

TEST(FixtureImport, PrintedSizeFollowsTheStoredResolution) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    // 1154 x 1061 px stored as 300 ppi (typed in pixels per centimetre, which only
    // changes the unit shown): 9.7705 x 8.9831 cm.
    const ImportedDocument artboard = ImportFile(FixturesDir() / "psd-tools/artboard.psd");
    EXPECT_EQ(artboard.SourceDpi, 3000000);
    EXPECT_EQ(artboard.SourceWidthCm, 97705);
    EXPECT_EQ(artboard.SourceHeightCm, 89831);
    // 101 x 55 px at 72 ppi: 3.5631 x 1.9403 cm.
    const ImportedDocument twoLayers = ImportFile(FixturesDir() / "psd-tools/2layers.psd");
    EXPECT_EQ(twoLayers.SourceDpi, 720000);
    EXPECT_EQ(twoLayers.SourceWidthCm, 35631);
    EXPECT_EQ(twoLayers.SourceHeightCm, 19403);
}

} // namespace deptrix::test
