#include "cli/BatchRun.h"

#include "cli/BatchPrint.h"
#include "cli/BatchSetup.h"
#include "cli/LineRecordFile.h"
#include "core/BmpCodec.h"
#include "core/Document.h"
#include "core/Error.h"
#include "core/FileIo.h"
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
#include "output/Anaglyph.h"
#include "output/DepthMapFile.h"
#include "output/GifExport.h"
#include "output/StereoPair.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"
#include "render/ViewSet.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <system_error>

namespace deptrix {

namespace {

// A private folder for the work files of one run, removed at the end.
class TemporaryFolder {
public:
    TemporaryFolder() {
        // mkdtemp makes a new folder, owner-only from the start; a name someone else
        // made first is never used.
        std::string pattern = (std::filesystem::temp_directory_path() / "deptrix-batch-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw Error("cannot create a work folder in " + DisplayFolder(pattern) + " ("
                + std::generic_category().message(errno) + ")");
        m_path = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

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

std::size_t LayerIndex(const Document& doc, int layerNumber, const char* option) {
    if (layerNumber < 1 || layerNumber > doc.LayerCount)
        throw UsageError(std::string(option) + ": there is no layer " + std::to_string(layerNumber)
            + " (the picture has " + std::to_string(doc.LayerCount) + ", numbered from 1 at the bottom)");
    return static_cast<std::size_t>(layerNumber - 1);
}

/// Lines, outline parameters and depth maps asked for on the command line.
void ApplyOutlineOptions(const BatchOptions& options, Document& doc) {
    if (!options.linesPath.empty()) ApplyLineRecords(doc, ReadLineRecords(options.linesPath, doc.LayerCount));
    for (const LayerDepthOption& option : options.layerDepths) {
        LayerRecord& layer = doc.Layers[LayerIndex(doc, option.layerNumber, "--layer-depth")];
        layer.BaseOrder = option.baseOrder;
        layer.Smooth = option.smooth;
        layer.Depth = option.depth;
    }
    for (const DepthImageOption& option : options.depthImages) {
        const std::size_t index = LayerIndex(doc, option.layerNumber, "--depth-image");
        GreyPicture picture = ReadGreyPicture(option.path, option.layerName);
        DepthMapOptions read = option.options;
        if (!read.wholeDocument) read.marginColumns = ExportedMarginColumns(doc, doc.Layers[index], picture);
        doc.setDepthMap(index, MakeLayerDepthMap(std::move(picture), option.path, option.layerName, read));
    }
    static const LineSet noLines;
    for (const DepthMapOption& option : options.depthMaps) {
        const std::size_t index = LayerIndex(doc, option.layerNumber, "--depthmap");
        const LineSet& lines = index < doc.LayerLines.size() ? doc.LayerLines[index] : noLines;
        SaveDepthMap(
            LayerDepthRaster(doc, index, doc.Layers[index], lines), option.path, options.depthMaps16);
    }
}

} // namespace

void ImportForBatch(const std::filesystem::path& psdPath, const std::filesystem::path& workFolder,
    Document& doc, Progress& progress) {
    doc.beginImport(psdPath.string());
    try {
        progress.setPosition(ReadPsd(psdPath, workFolder, doc, progress));
    } catch (const Error&) {
        doc.clearLayers();
        throw;
    }
    ApplyImportDefaults(doc);
    BuildGroupFrames(doc);
    doc.ProgressSpan = 40;
    doc.ProgressBase = 60;
    CompositePass(doc, workFolder, progress);
    CmykToRgb(doc.Composite);
}

std::vector<std::string> OffsetCells(const Document& doc, const std::map<int, std::string>& overrides) {
    const int rows = doc.LayerCount;
    std::vector<std::string> cells;
    for (int r = 1; r <= rows; ++r) {
        const size_t layer = static_cast<size_t>(rows - r);
        cells.push_back(std::to_string(Round(doc.DefaultOffsets[layer] / 10000.0L)));
    }
    for (const auto& [row, text] : overrides) {
        if (row < 1 || row > rows)
            throw UsageError("--offset row " + std::to_string(row) + " is not a row of the layer table (1.."
                + std::to_string(rows) + ")");
        cells[static_cast<size_t>(row - 1)] = text;
    }
    return cells;
}

void WriteInfoJson(
    const Document& doc, std::ostream& out, const SetupFields* setup, const ParallaxInfo* parallax) {
    out << "{\n";
    out << "  \"width\": " << doc.SourceWidth << ",\n";
    out << "  \"height\": " << doc.SourceHeight << ",\n";
    out << "  \"imageMode\": " << doc.ImageMode << ",\n";
    out << "  \"layerCount\": " << doc.LayerCount << ",\n";
    out << "  \"workScale\": " << FormatFixed(doc.WorkScale) << ",\n";
    out << "  \"imageWidth\": " << doc.ImageWidth << ",\n";
    out << "  \"imageHeight\": " << doc.ImageHeight << ",\n";
    out << "  \"dpi\": " << FormatFixed(doc.SourceDpi) << ",\n";
    out << "  \"focusRow\": " << doc.FocusRow << ",\n";
    if (setup) WriteSetupTopLevelJson(doc, *setup, out);
    if (parallax) {
        out << "  \"printLpi\": " << FormatFixed(parallax->lens.lpi) << ",\n";
        out << "  \"printWidth\": " << FormatNumber(parallax->lens.widthInches) << ",\n";
    }
    out << "  \"layers\": [";
    for (size_t i = 0; i < doc.Layers.size(); ++i) {
        const LayerRecord& layer = doc.Layers[i];
        out << (i ? ",\n" : "\n") << "    {\"index\": " << i
            << ", \"name\": " << JsonString(PrintableText(layer.displayName())) << ", \"top\": " << layer.Top
            << ", \"left\": " << layer.Left << ", \"width\": " << layer.Width
            << ", \"height\": " << layer.Height;
        if (parallax && i < parallax->perLayer.size())
            out << ", \"parallaxPerView\": "
                << FormatNumber(Round(parallax->perLayer[i] * 10000.0L) / 10000.0L);
        out << ", \"group\": " << static_cast<int>(layer.Group) << ", \"offset\": ";
        if (setup) {
            out << OffsetCellJson(*setup, static_cast<int>(doc.Layers.size() - i));
            WriteSetupLayerJson(doc, i, out);
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
    if (!doc.ApproximateLayers.empty()) {
        out << ",\n  \"approximate\": " << JsonString(ApproximationSummary(doc.ApproximateLayers));
        out << ",\n  \"approximateLayers\": [";
        for (size_t i = 0; i < doc.ApproximateLayers.size(); ++i) {
            const ApproximateLayer& layer = doc.ApproximateLayers[i];
            out << (i ? ",\n" : "\n") << "    {\"name\": " << JsonString(layer.name)
                << ", \"reason\": " << JsonString(std::string(ApproximationText(layer.reason))) << "}";
        }
        out << "\n  ]";
    }
    out << "\n}\n";
}

void RunBatch(const BatchOptions& options, std::ostream& out, BatchProgress& progress) {
    std::optional<TemporaryFolder> temporary;
    const PendingWorkFiles pending(options.workFolder.empty());
    std::filesystem::path work = options.workFolder;
    if (options.psdPath.empty() && options.projectPath.empty()) {
        // A pitch test sheet needs no picture: the fields as start-up shows them.
        Document doc;
        SetupFields fields(doc);
        if (!options.pitchTestPath.empty()) RunPitchTest(options, fields, progress);
        return;
    }
    if (work.empty()) {
        temporary.emplace();
        work = temporary->path();
    } else {
        EnsureFolder(options.workFolder);
    }
    Document doc;
    SetupFields fields(doc);
    progress.beginStep(options.projectPath.empty() ? "import" : "project");
    SetUpBatchDocument(options, work, doc, fields, progress);
    ApplyOutlineOptions(options, doc);
    ApplyPrintFieldOptions(options, fields);
    if (options.info) {
        // Measured at the depth the views would be built with, leaving the document's
        // own depth factor for the JSON and the saved set-up.
        const Fixed kept = doc.DepthFactor;
        const ViewSetInput input = PreviewInput(options, doc, fields);
        const Fixed previewDepth = doc.DepthFactor;
        doc.DepthFactor = kept;
        ParallaxInfo parallax { BatchBudgetSettings(fields), {} };
        parallax.perLayer = ParallaxPerView(doc, ReadLayerOffsets(doc, input), previewDepth, parallax.lens);
        WriteInfoJson(doc, out, options.setUpFromFile() ? &fields : nullptr, &parallax);
    }
    if (!options.saveSettingsPath.empty()) {
        SaveSetupFile(options.saveSettingsPath, doc, fields, nullptr);
        SaveDepthMapList(options.saveSettingsPath, doc);
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
        doc, [&] { input = PreviewInput(options, doc, fields); }, work, progress);
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
