#include "cli/BatchRun.h"

#include "cli/BatchPrint.h"
#include "cli/BatchSetup.h"
#include "cli/BatchWorkFolder.h"
#include "cli/LineRecordFile.h"
#include "core/BmpCodec.h"
#include "core/Document.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/InputFiles.h"
#include "core/NumberRange.h"
#include "core/NumberText.h"
#include "core/PendingFile.h"
#include "core/PrintableText.h"
#include "core/WorkFileWriter.h"
#include "depth/DepthMapFit.h"
#include "depth/LayerDepthSource.h"
#include "depth/LineLayerSynthesis.h"
#include "files/DepthMapList.h"
#include "files/SetupFields.h"
#include "files/SetupFileWriter.h"
#include "import/DefaultOffsets.h"
#include "import/GreyPictureReader.h"
#include "import/LayerReader.h"
#include "import/PsdHeader.h"
#include "output/Anaglyph.h"
#include "output/DepthMapFile.h"
#include "output/GifExport.h"
#include "output/StereoPair.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"
#include "render/ViewSet.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <system_error>

namespace deptrix {

namespace {

/// The work files of a run: those of a temporary folder stay in the page cache (they
/// are gone before the disk would see them) and are dropped at the end, when the folder
/// goes anyway; those of the user's folder (--work) are finished.
class PendingWorkFiles {
public:
    explicit PendingWorkFiles(bool temporaryFolder)
        : m_temporaryFolder(temporaryFolder) {
        SharedWorkFileWriter().setStraightToDisk(!temporaryFolder);
    }
    ~PendingWorkFiles() {
        WorkFileWriter& writer = SharedWorkFileWriter();
        writer.setStraightToDisk(true);
        if (m_temporaryFolder) {
            writer.cancel();
            return;
        }
        try {
            writer.awaitAll();
        } catch (const Error&) {
            // Leaving on an error already: finish() reports write failures otherwise.
        }
    }
    PendingWorkFiles(const PendingWorkFiles&) = delete;
    PendingWorkFiles& operator=(const PendingWorkFiles&) = delete;

    /// At the end of a run that succeeded: a work file that could not be written
    /// fails the run, naming the file.
    void finish() const {
        if (!m_temporaryFolder) SharedWorkFileWriter().awaitAll();
    }

private:
    bool m_temporaryFolder;
};

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::filesystem::path Under(const std::string& folder, const std::string& name) {
    return std::filesystem::path(folder) / name;
}

void EnsureFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw Error(folder + ": cannot create the folder (" + error.message() + ")");
}

std::size_t LayerIndex(const Document& doc, int layerNumber, const char* option, const std::string& typed) {
    const NumberRange layers = IntegerRange(1, doc.LayerCount);
    if (!layers.contains(layerNumber))
        throw UsageError(OutOfRangeMessage(option, typed, "the layer", layers, layerNumber)
            + " (the picture's layers are numbered from 1 at the bottom)");
    return static_cast<std::size_t>(layerNumber - 1);
}

/// Lines, outline parameters and depth maps asked for on the command line; every layer
/// number is checked before the first depth map is written.
void ApplyOutlineOptions(const BatchOptions& options, Document& doc) {
    for (const DepthMapOption& option : options.depthMaps)
        LayerIndex(doc, option.layerNumber, "--depthmap", option.layerText);
    for (const LayerDepthOption& option : options.layerDepths)
        LayerIndex(doc, option.layerNumber, "--layer-depth", option.text);
    for (const DepthImageOption& option : options.depthImages)
        LayerIndex(
            doc, option.layerNumber, "--depth-image", std::to_string(option.layerNumber) + "=" + option.path);
    if (!options.linesPath.empty()) ApplyLineRecords(doc, ReadLineRecords(options.linesPath, doc.LayerCount));
    for (const LayerDepthOption& option : options.layerDepths) {
        LayerRecord& layer = doc.Layers[static_cast<std::size_t>(option.layerNumber - 1)];
        layer.BaseOrder = option.baseOrder;
        layer.Smooth = option.smooth;
        layer.Depth = option.depth;
    }
    for (const DepthImageOption& option : options.depthImages) {
        const auto index = static_cast<std::size_t>(option.layerNumber - 1);
        GreyPicture picture = ReadGreyPicture(option.path, option.layerName);
        DepthMapOptions read = option.options;
        if (!read.wholeDocument) read.marginColumns = ExportedMarginColumns(doc, doc.Layers[index], picture);
        doc.setDepthMap(index, MakeLayerDepthMap(std::move(picture), option.path, option.layerName, read));
    }
    static const LineSet noLines;
    for (const DepthMapOption& option : options.depthMaps) {
        const auto index = static_cast<std::size_t>(option.layerNumber - 1);
        const LineSet& lines = index < doc.LayerLines.size() ? doc.LayerLines[index] : noLines;
        SaveDepthMap(
            LayerDepthRaster(doc, index, doc.Layers[index], lines), option.path, options.depthMaps16);
    }
}

/// The files the run reads, which no output may replace.
InputFiles BatchInputs(const BatchOptions& options, const Document& doc) {
    InputFiles inputs;
    inputs.add(options.psdPath, "the PSD");
    inputs.add(doc.PsdPath, "the PSD");
    inputs.add(options.settingsPath, "the settings file");
    inputs.add(options.projectPath, "the project");
    inputs.add(options.linesPath, "the lines file");
    for (const DepthImageOption& image : options.depthImages) inputs.add(image.path, "the depth map");
    for (const LayerDepthMap& map : doc.LayerDepthMaps)
        if (map.present()) inputs.add(map.path, "the depth map");
    if (!options.settingsPath.empty())
        inputs.add(DepthMapListPath(options.settingsPath), "the depth map list");
    if (!options.projectPath.empty()) inputs.add(DepthMapListPath(options.projectPath), "the depth map list");
    return inputs;
}

/// Every file the options write, each with the option that names it; the dump's for a
/// picture of `layerCount` layers.
std::vector<std::pair<std::string, std::filesystem::path>> BatchOutputs(
    const BatchOptions& options, int layerCount) {
    std::vector<std::pair<std::string, std::filesystem::path>> outputs;
    const auto add = [&](const char* option, const std::filesystem::path& path) {
        if (!path.empty()) outputs.emplace_back(option, path);
    };
    add("--save-settings", options.saveSettingsPath);
    if (!options.saveSettingsPath.empty()) add("--save-settings", DepthMapListPath(options.saveSettingsPath));
    for (const DepthMapOption& map : options.depthMaps) add("--depthmap", map.path);
    if (!options.dumpFolder.empty()) {
        add("--dump", Under(options.dumpFolder, "composite.bmp"));
        for (int n = 1; n <= layerCount; ++n) {
            add("--dump", Under(options.dumpFolder, "layer" + std::to_string(n) + ".bmp"));
            add("--dump", Under(options.dumpFolder, "layer" + std::to_string(n) + "-mask.bmp"));
        }
    }
    add("--pitch-test", options.pitchTestPath);
    add("--interlace", options.interlacePath);
    if (!options.viewsFolder.empty())
        for (int n = 1; n <= kViewCount; ++n)
            add("--views", Under(options.viewsFolder, "view" + std::to_string(n) + ".bmp"));
    add("--gif", options.gifPath);
    add("--anaglyph", options.anaglyphPath);
    add("--jps", options.jpsPath);
    return outputs;
}

/// Before anything is written: no output may replace an input or a read-only file.
void CheckBatchOutputs(const BatchOptions& options, const InputFiles& inputs, int layerCount) {
    for (const auto& [option, path] : BatchOutputs(options, layerCount)) {
        try {
            inputs.refuseOutput(path, option + " " + PrintableText(path.string()));
            RefuseReadOnlyTarget(path);
        } catch (const Error& error) {
            throw UsageError(error.what());
        }
    }
}

/// The values the views are built with, whether or not they are: the depth factor
/// (DepthFactor from the depth text, as Preview takes it) and the focus row.
LayerOffsets SettleSetUp(Document& doc, const SetupFields& fields) {
    const LayerOffsets offsets = ReadLayerOffsets(doc, PreviewInput(doc, fields));
    doc.FocusRow = offsets.focusRow;
    return offsets;
}

} // namespace

void ImportForBatch(const std::filesystem::path& psdPath, const std::filesystem::path& workFolder,
    Document& doc, Progress& progress, LayerPictures pictures) {
    doc.beginImport(psdPath.string());
    try {
        progress.setPosition(ReadPsd(psdPath, workFolder, doc, progress, pictures));
    } catch (const Error&) {
        doc.clearLayers();
        throw;
    }
    ApplyImportDefaults(doc);
    BuildGroupFrames(doc);
    if (pictures == LayerPictures::WorkFilesOnly) return;
    doc.ProgressSpan = 40;
    doc.ProgressBase = 60;
    CompositePass(doc, workFolder, progress);
    CmykToRgb(doc.Composite);
}

void WriteInfoJson(const Document& doc, std::ostream& out, const InfoSetUp* setUp) {
    out << "{\n";
    out << "  \"width\": " << doc.SourceWidth << ",\n";
    out << "  \"height\": " << doc.SourceHeight << ",\n";
    out << "  \"imageMode\": " << doc.ImageMode << ",\n";
    out << "  \"layerCount\": " << doc.LayerCount << ",\n";
    out << "  \"workScale\": " << FormatFixed(doc.WorkScale) << ",\n";
    out << "  \"imageWidth\": " << doc.ImageWidth << ",\n";
    out << "  \"imageHeight\": " << doc.ImageHeight << ",\n";
    out << "  \"dpi\": " << FormatFixed(doc.SourceDpi) << ",\n";
    out << "  \"focusRow\": " << (setUp ? setUp->focusRow : doc.FocusRow) << ",\n";
    if (setUp) {
        out << "  \"lpi\": " << FormatFixed(setUp->lpi) << ",\n";
        if (setUp->fromFile) WriteSetupTopLevelJson(doc, out);
        out << "  \"depthFactor\": " << FormatFixed(setUp->depthFactor) << ",\n";
        out << "  \"printLpi\": " << FormatFixed(setUp->parallax.lens.lpi) << ",\n";
        out << "  \"printWidth\": " << FormatNumber(setUp->parallax.lens.widthInches) << ",\n";
    }
    out << "  \"layers\": [";
    for (size_t i = 0; i < doc.Layers.size(); ++i) {
        const LayerRecord& layer = doc.Layers[i];
        out << (i ? ",\n" : "\n") << "    {\"index\": " << i
            << ", \"name\": " << JsonString(PrintableText(layer.displayName())) << ", \"top\": " << layer.Top
            << ", \"left\": " << layer.Left << ", \"width\": " << layer.Width
            << ", \"height\": " << layer.Height;
        if (setUp && i < setUp->parallax.perLayer.size())
            out << ", \"parallaxPerView\": "
                << FormatNumber(Round(setUp->parallax.perLayer[i] * 10000.0L) / 10000.0L);
        out << ", \"group\": " << static_cast<int>(layer.Group) << ", \"offset\": ";
        if (setUp) {
            out << OffsetCellJson(*setUp->fields, static_cast<int>(doc.Layers.size() - i));
            if (setUp->fromFile) WriteSetupLayerJson(doc, i, out);
        } else {
            out << Round(doc.DefaultOffsets[i] / 10000.0L);
        }
        // Only what differs from a plain layer.
        if (const LayerDepthMap* map = doc.depthMapOf(i))
            out << ", \"depthMap\": {\"path\": " << JsonString(PrintableText(map->path.string()))
                << ", \"layer\": " << JsonString(PrintableText(map->layerName))
                << ", \"invert\": " << (map->options.invert ? "true" : "false")
                << ", \"blackPoint\": " << FormatFixed(map->options.blackPoint)
                << ", \"whitePoint\": " << FormatFixed(map->options.whitePoint)
                << ", \"wholeDocument\": " << (map->options.wholeDocument ? "true" : "false") << "}";
        if (layer.blendMode() != BlendMode::Normal)
            out << ", \"blendMode\": " << JsonString(std::string(BlendModeName(layer.blendMode())));
        if (layer.ClipBase >= 0) out << ", \"clippedTo\": " << layer.ClipBase;
        out << "}";
    }
    out << (doc.Layers.empty() ? "]" : "\n  ]");
    // Only what differs from a plain document: a file the import converts, artboards.
    const auto stored = static_cast<ColourMode>(doc.SourceMode);
    if (ImportedColourMode(stored) != stored || doc.SourceDepth != 8) {
        const auto mode = [](ColourMode m, int depth) {
            return ColourModeName(static_cast<std::uint16_t>(m)) + " " + std::to_string(depth) + "-bit";
        };
        out << ",\n  \"colourMode\": {\"stored\": " << JsonString(mode(stored, doc.SourceDepth))
            << ", \"imported\": " << JsonString(mode(ImportedColourMode(stored), 8)) << "}";
    }
    if (doc.ArtboardCount > 0) out << ",\n  \"artboards\": " << doc.ArtboardCount;
    if (!doc.ApproximateLayers.empty()) {
        out << ",\n  \"approximate\": " << JsonString(ApproximationSummary(doc.ApproximateLayers));
        out << ",\n  \"approximateLayers\": [";
        for (size_t i = 0; i < doc.ApproximateLayers.size(); ++i) {
            const ApproximateLayer& layer = doc.ApproximateLayers[i];
            out << (i ? ",\n" : "\n") << "    {\"name\": " << JsonString(layer.name)
                << ", \"reason\": " << JsonString(ApproximationDetail(layer))
                << ", \"reasonChinese\": " << JsonString(ApproximationDetail(layer, 1)) << "}";
        }
        out << "\n  ]";
    }
    out << "\n}\n";
}

void RunBatch(const BatchOptions& options, std::ostream& out, BatchProgress& progress) {
    const PendingWorkFiles pending(options.workFolder.empty());
    if (options.psdPath.empty() && options.projectPath.empty()) {
        // A pitch test sheet needs no picture: the fields as start-up shows them.
        CheckBatchOutputs(options, InputFiles(), 0);
        Document doc;
        SetupFields fields(doc);
        ApplyPrintFieldOptions(options, fields);
        if (!options.pitchTestPath.empty()) RunPitchTest(options, fields, progress);
        return;
    }
    std::optional<BatchWorkFolder> temporary;
    std::filesystem::path work = options.workFolder;
    if (work.empty()) {
        temporary.emplace();
        work = temporary->path();
    } else {
        PrepareNamedWorkFolder(options.workFolder);
    }
    Document doc;
    SetupFields fields(doc);
    progress.beginStep(options.projectPath.empty() ? "import" : "project");
    SetUpBatchDocument(options, work, doc, fields, progress);
    CheckBatchOutputs(options, BatchInputs(options, doc), doc.LayerCount);
    ApplyCommandLineFields(options, fields);
    ApplyOutlineOptions(options, doc);
    ApplyPrintFieldOptions(options, fields);
    if (options.info || !options.saveSettingsPath.empty()) {
        const LayerOffsets offsets = SettleSetUp(doc, fields);
        if (options.info) {
            InfoSetUp info { &fields, options.setUpFromFile(), offsets.focusRow, doc.DepthFactor,
                FieldLpi(doc, fields), { BatchBudgetSettings(options, fields, doc), {} } };
            info.parallax.perLayer = ParallaxPerView(doc, offsets, doc.DepthFactor, info.parallax.lens);
            WriteInfoJson(doc, out, &info);
        }
        if (!options.saveSettingsPath.empty()) {
            SaveSetupFile(options.saveSettingsPath, doc, fields, nullptr);
            SaveDepthMapList(options.saveSettingsPath, doc);
        }
    }

    if (!options.dumpFolder.empty()) {
        EnsureFolder(options.dumpFolder);
        SaveBmp(doc.Composite, Under(options.dumpFolder, "composite.bmp"));
        for (size_t i = 0; i < doc.LayerBitmaps.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            SaveBmp(doc.LayerBitmaps[i], Under(options.dumpFolder, "layer" + n + ".bmp"));
            SaveBmp(doc.LayerMasks[i], Under(options.dumpFolder, "layer" + n + "-mask.bmp"));
        }
    }

    if (!options.pitchTestPath.empty()) RunPitchTest(options, fields, progress);
    if (!options.needsViews() && options.interlacePath.empty()) {
        pending.finish();
        return;
    }
    // The print, like the views, needs the outline layers brought up to date first.
    ViewSetInput input;
    const bool outlines = std::any_of(doc.Layers.begin(), doc.Layers.end(), [](const LayerRecord& layer) {
        return layer.Group == kGroupOutlineStale || layer.Group == kGroupOutlineBuilt;
    });
    if (outlines) progress.beginStep("outlines");
    RefreshOutlineLayers(
        doc, [&] { input = PreviewInput(doc, fields); }, work, progress);
    if (!options.interlacePath.empty())
        RunInterlace(options, doc, fields, ReadLayerOffsets(doc, input), work, progress);
    if (!options.needsViews()) {
        pending.finish();
        return;
    }
    progress.beginStep("views");
    // All seven view files or none: a full disk must not leave a set that looks
    // complete. Each is written as soon as it is built; the document keeps only the
    // views the outputs below take from memory, so the others share one buffer.
    PendingFileSet viewFiles;
    ViewOutlet outlet;
    if (!options.viewsFolder.empty()) {
        EnsureFolder(options.viewsFolder);
        outlet.built = [&](int n, const Bitmap& view) {
            viewFiles.add(Under(options.viewsFolder, "view" + std::to_string(n) + ".bmp"),
                [&](PendingFile& file) { WriteBmp(file, view); });
        };
    }
    outlet.keep = [&](int n) {
        return !options.gifPath.empty() || (!options.anaglyphPath.empty() && (n == 2 || n == 6))
            || (!options.jpsPath.empty() && (n == 3 || n == 6));
    };
    // Nothing reads the view files of a run's own temporary folder: every output below
    // takes the views from memory.
    GenerateViews(doc, input, work, progress, temporary ? ViewWorkFiles::Skip : ViewWorkFiles::Write, outlet);
    if (!options.viewsFolder.empty()) viewFiles.commit();
    if (!options.gifPath.empty()) {
        progress.beginStep("GIF");
        // The views just built are the current ones: no need to read their files back.
        ExportGif(std::span<const Bitmap>(doc.Views).subspan(1, kViewCount), options.gifPath, progress);
    }
    if (!options.anaglyphPath.empty())
        SaveBmp(MakeAnaglyph(doc.Views[2], doc.Views[6]), options.anaglyphPath);
    if (!options.jpsPath.empty()) {
        const std::vector<std::uint8_t> jpeg = EncodeJpeg(SideBySide(doc.Views[3], doc.Views[6]), 90);
        WriteFileAtomically(options.jpsPath, jpeg);
    }
    pending.finish();
}

} // namespace deptrix
