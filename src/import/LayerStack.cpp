#include "import/LayerStack.h"

#include "import/PsdFailure.h"

#include <algorithm>
#include <map>

namespace deptrix {

namespace {

struct OpenFolder {
    bool hidden = false;
    int flipFolder = -1; ///< record index of the outermost flip folder around it, or -1
};

} // namespace

bool IsFlipFolderName(const std::string& name) {
    static constexpr char kPrefix[] = "flip";
    if (name.size() < 4) return false;
    for (int i = 0; i < 4; ++i) {
        char c = name[static_cast<std::size_t>(i)];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kPrefix[i]) return false;
    }
    return true;
}

std::vector<SelectedLayer> SelectLayers(
    const std::vector<PsdLayerRecord>& records, const std::string& fileName) {
    // Records run bottom to top and a folder's own record sits above its children,
    // with an end marker below them; walking from the top, a folder record opens a
    // folder and an end marker closes it.
    struct Candidate {
        const PsdLayerRecord* record;
        int flipFolder;
    };
    std::vector<Candidate> kept;
    std::vector<OpenFolder> folders;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const PsdLayerRecord& record = *it;
        const bool insideHidden = !folders.empty() && folders.back().hidden;
        const int flipFolder = folders.empty() ? -1 : folders.back().flipFolder;
        if (record.isFolder()) {
            OpenFolder folder;
            folder.hidden = insideHidden || record.hidden;
            folder.flipFolder = flipFolder >= 0   ? flipFolder
                : IsFlipFolderName(record.name()) ? record.index
                                                  : -1;
            folders.push_back(folder);
            continue;
        }
        if (record.folder == FolderMark::EndOfFolder) {
            // A marker without a folder (a damaged stack) closes nothing.
            if (!folders.empty()) folders.pop_back();
            continue;
        }
        if (insideHidden || record.hidden || record.adjustment || record.box.empty()) continue;
        kept.push_back({ &record, flipFolder });
    }
    std::reverse(kept.begin(), kept.end());

    // Number the flip folders that kept a layer, from the bottom folder up.
    std::map<int, std::uint8_t> groupOfFolder;
    for (const Candidate& c : kept)
        if (c.flipFolder >= 0) groupOfFolder.emplace(c.flipFolder, 0);
    if (groupOfFolder.size() > static_cast<std::size_t>(kMaxFlipGroups))
        FailPsd(fileName,
            "too many flip groups (" + std::to_string(groupOfFolder.size()) + "; at most "
                + std::to_string(kMaxFlipGroups) + ")");
    std::uint8_t next = 1;
    for (auto& entry : groupOfFolder) entry.second = next++;

    std::vector<SelectedLayer> selected;
    selected.reserve(kept.size());
    for (const Candidate& c : kept)
        selected.push_back(
            { c.record, c.flipFolder >= 0 ? groupOfFolder[c.flipFolder] : std::uint8_t { 0 } });
    return selected;
}

} // namespace deptrix
