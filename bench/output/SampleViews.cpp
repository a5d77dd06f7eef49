#include "SampleViews.h"

#include "core/Document.h"
#include "core/Progress.h"
#include "import/DefaultOffsets.h"
#include "import/LayerReader.h"
#include "import/LayerTable.h"
#include "render/ViewSet.h"

#include <string>

namespace deptrix::bench {

std::vector<Bitmap> SampleSceneViews(
    const std::filesystem::path& psd, const std::filesystem::path& workFolder) {
    if (!std::filesystem::exists(psd)) return {};
    std::filesystem::create_directories(workFolder);
    Document doc;
    NullProgress progress;
    doc.beginImport(psd.string());
    ReadPsd(psd, workFolder, doc, progress);
    ApplyImportDefaults(doc);
    ViewSetInput input;
    for (const LayerTableRow& row : LayerTableRows(doc)) input.offsetCells.push_back(row.offset);
    input.focusText = std::to_string(doc.FocusRow);
    GenerateViews(doc, input, workFolder, progress);
    return std::vector<Bitmap>(doc.Views.begin() + 1, doc.Views.begin() + 8);
}

} // namespace deptrix::bench
