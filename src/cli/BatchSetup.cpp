#include "cli/BatchSetup.h"

#include "cli/BatchRun.h"
#include "core/Document.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/NumberRange.h"
#include "core/NumberText.h"
#include "files/DepthMapList.h"
#include "files/SetupFields.h"
#include "files/SetupFileReader.h"
#include "files/SetupFileWriter.h"
#include "import/GreyPictureReader.h"
#include "import/LayerTable.h"
#include "render/ViewSet.h"

#include <ostream>

namespace deptrix {

namespace {

/// What the run will read of the layers: the print their work files, the views, the
/// composite and the dump their pictures on the working grid; outline and depth map
/// layers, which a set-up file or the command line may make, read both.
LayerPictures PicturesRead(const BatchOptions& options) {
    const bool flat = !options.setUpFromFile() && options.linesPath.empty() && options.layerDepths.empty()
        && options.depthMaps.empty() && options.depthImages.empty();
    if (!flat) return LayerPictures::WorkingGridAndFiles;
    const bool print = !options.interlacePath.empty();
    if (print && !options.needsViews() && !options.info && options.dumpFolder.empty()
        && options.saveSettingsPath.empty())
        return LayerPictures::WorkFilesOnly;
    // A work folder of the user's own keeps the files for later.
    if (!print && options.workFolder.empty()) return LayerPictures::WorkingGridOnly;
    return LayerPictures::WorkingGridAndFiles;
}

void ImportWithFields(const std::filesystem::path& psdPath, const std::filesystem::path& workFolder,
    Document& doc, SetupFields& fields, Progress& progress, LayerPictures pictures) {
    // The document keeps the full path, as the window's does; a saved set-up names it.
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(psdPath, error);
    ImportForBatch(error ? psdPath : full, workFolder, doc, progress, pictures);
    std::vector<std::string> offsets;
    std::vector<std::string> groups;
    for (const LayerTableRow& row : LayerTableRows(doc)) {
        offsets.push_back(row.offset);
        groups.push_back(row.group);
    }
    fields.showImport(std::move(offsets), std::move(groups));
}

} // namespace

void SetUpBatchDocument(const BatchOptions& options, const std::filesystem::path& workFolder, Document& doc,
    SetupFields& fields, BatchProgress& progress) {
    // The maps a settings or project file keeps beside it; one that cannot be used is
    // told and its layer stays flat.
    auto applyDepthMaps = [&](const std::filesystem::path& setupPath) {
        const DepthMapListResult maps = ApplyDepthMapList(setupPath, doc, ReadGreyPicture);
        for (const std::string& problem : maps.problems) progress.note(problem);
    };
    if (options.projectPath.empty()) {
        ImportWithFields(options.psdPath, workFolder, doc, fields, progress, PicturesRead(options));
        if (!options.settingsPath.empty()) {
            OpenSettingsFile(options.settingsPath, doc, fields);
            applyDepthMaps(options.settingsPath);
        }
        return;
    }
    const ProjectOpenResult result
        = OpenProjectFile(options.projectPath, doc, fields, [&](const std::filesystem::path& image) {
              ImportWithFields(image, workFolder, doc, fields, progress, PicturesRead(options));
          });
    if (!result.opened)
        throw Error(DisplayName(options.projectPath) + ": " + kImageMissingMessage + " ("
            + result.imagePath.string() + ")");
    applyDepthMaps(options.projectPath);
}

void ApplyCommandLineFields(const BatchOptions& options, SetupFields& fields) {
    const int rows = static_cast<int>(fields.offsetCells().size());
    for (const auto& [row, text] : options.offsets) {
        if (row < 1 || row > rows) {
            const auto typed = options.offsetArguments.find(row);
            throw UsageError(OutOfRangeMessage("--offset",
                typed != options.offsetArguments.end() ? typed->second : std::to_string(row) + "=" + text,
                "the row of the layer table", IntegerRange(1, rows), row));
        }
        fields.setOffsetCell(row, text);
    }
    if (options.focusText) {
        // The window's field would quietly make any other row "no focus layer".
        const NumberRange focusRows = IntegerRange(0, rows);
        const std::int32_t focus = ParseInteger(*options.focusText);
        if (!focusRows.contains(focus))
            throw UsageError(
                OutOfRangeMessage("--focus", *options.focusText, "the focus row", focusRows, focus)
                + " (0: no focus layer)");
        fields.setFocusText(*options.focusText);
    }
    if (options.depthText) fields.setDepthText(*options.depthText);
}

ViewSetInput PreviewInput(Document& doc, const SetupFields& fields) {
    ViewSetInput input;
    input.offsetCells = fields.offsetCells();
    input.focusText = fields.focusText();
    const std::string& depth = fields.depthText();
    doc.DepthFactor = ParseFixed(depth.empty() ? "1.0" : depth);
    return input;
}

void WriteSetupTopLevelJson(const Document& doc, std::ostream& out) {
    out << "  \"angles\": " << doc.Angles << ",\n";
}

void WriteSetupLayerJson(const Document& doc, size_t layer, std::ostream& out) {
    const LayerRecord& record = doc.Layers[layer];
    out << ", \"baseOrder\": " << static_cast<int>(record.BaseOrder)
        << ", \"smooth\": " << static_cast<int>(record.Smooth) << ", \"depth\": " << FormatFixed(record.Depth)
        << ", \"lines\": [";
    bool first = true;
    if (layer < doc.LayerLines.size()) {
        const LineSet& set = doc.LayerLines[layer];
        for (size_t order = 0; order < set.size(); ++order) {
            for (size_t index = 0; index < set[order].size(); ++index) {
                out << (first ? "" : ", ") << "{\"order\": " << order << ", \"index\": " << index
                    << ", \"points\": [";
                const Line& line = set[order][index];
                for (size_t p = 0; p < line.size(); ++p)
                    out << (p ? ", " : "") << "[" << line[p].x << ", " << line[p].y << "]";
                out << "]}";
                first = false;
            }
        }
    }
    out << "]";
}

std::string OffsetCellJson(const SetupFields& fields, int row) {
    const std::string cell = fields.offsetCell(row);
    try {
        return std::to_string(ParseInteger(cell));
    } catch (const ConvertError&) {
        std::string quoted = "\"";
        for (const char c : cell) {
            if (c == '"' || c == '\\') quoted += '\\';
            if (static_cast<unsigned char>(c) >= 0x20) quoted += c;
        }
        return quoted + "\"";
    }
}

} // namespace deptrix
