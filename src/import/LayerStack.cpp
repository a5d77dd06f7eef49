#include "import/LayerStack.h"

#include "core/Fixed.h"
#include "import/EffectNotes.h"
#include "import/PsdFailure.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace deptrix {

namespace {

/// A folder met on the way down the stack.
struct FolderInfo {
    const PsdLayerRecord* record;
    int parent; ///< index of the enclosing folder, -1 at the top level
    bool visible = true; ///< it and every folder around it
    bool flip = false; ///< a flip folder or inside one
    int drawnLayers = 0; ///< unclipped layers kept anywhere inside it
    bool holdsFlip = false; ///< some layer inside it belongs to a flip group
};

/// The folder being walked through, with what it passes to what it holds.
struct Level {
    int folder = -1; ///< index into the folder list, -1 for the top level
    bool hidden = false;
    int flipFolder = -1; ///< record index of the outermost flip folder around it, or -1
    long double opacity = 1.0L; ///< the folders' opacities multiplied, 0..1
    std::vector<int> pendingClipped; ///< clipped layers above, waiting for their base
    const ArtboardInfo* artboard = nullptr; ///< the artboard around it, if any
};

struct Candidate {
    const PsdLayerRecord* record;
    int flipFolder;
    int folder;
    long double folderOpacity;
    int clipBase = -1; ///< candidate index of the base
    bool dropped = false; ///< clipped to a hidden or empty layer
    std::optional<PsdRect> clip = std::nullopt; ///< the rectangle of the artboard around it
    const ArtboardInfo* background = nullptr; ///< set: stands for this artboard's background
};

/// A note with the record it concerns, so that notes can be put in stack order.
struct Note {
    int recordIndex;
    ApproximateLayer entry;
};

BlendMode OwnMode(const PsdLayerRecord& record) {
    return BlendModeFromKey(record.blendMode);
}

std::uint8_t ToByte(long double fraction) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(Round(fraction * 255.0L), 0, 255));
}

class StackWalk {
public:
    StackWalk(const std::vector<PsdLayerRecord>& records)
        : m_records(records) { }

    void run() {
        // Records run bottom to top and a folder's own record sits above its children,
        // with an end marker below them; walking from the top, a folder record opens a
        // folder and an end marker closes it.
        m_levels.push_back({});
        for (auto it = m_records.rbegin(); it != m_records.rend(); ++it) {
            const PsdLayerRecord& record = *it;
            if (record.isFolder())
                openFolder(record);
            else if (record.folder == FolderMark::EndOfFolder)
                closeFolder();
            else
                takeLayer(record);
        }
        // Folders a damaged stack leaves open end with the file.
        while (m_levels.size() > 1) closeFolder();
        // Clipped layers left at the bottom of a folder or of the file have no base;
        // editors do not offer that, and they are drawn unclipped.
        for (Level& level : m_levels) endClipping(level);
    }

    std::vector<Candidate>& candidates() { return m_candidates; }
    std::vector<FolderInfo>& folders() { return m_folders; }
    std::vector<Note>& notes() { return m_notes; }

    void note(const PsdLayerRecord& record, Approximation reason, std::optional<EffectKind> effect = {}) {
        m_notes.push_back({ record.index, { record.name(), reason, effect } });
    }

private:
    bool insideHidden() const { return m_levels.back().hidden; }

    static void endClipping(Level& level) { level.pendingClipped.clear(); }

    void openFolder(const PsdLayerRecord& record) {
        Level& level = m_levels.back();
        const bool visible = !level.hidden && !record.hidden;
        // Clipping to a folder, or of a folder to the layer below, would need the
        // folder's own composite: those layers are drawn unclipped.
        if (!level.pendingClipped.empty() && visible)
            for (int c : level.pendingClipped)
                note(*m_candidates[static_cast<std::size_t>(c)].record, Approximation::FolderClipping);
        endClipping(level);
        if (record.clipping && visible) note(record, Approximation::FolderClipping);
        if (visible && !IsKnownBlendModeKey(record.folderBlendMode))
            note(record, Approximation::UnknownBlendMode);

        Level inner;
        inner.folder = static_cast<int>(m_folders.size());
        inner.hidden = !visible;
        inner.flipFolder = level.flipFolder >= 0 ? level.flipFolder
            : IsFlipFolderName(record.name())    ? record.index
                                                 : -1;
        inner.opacity = level.opacity * (record.opacity / 255.0L);
        inner.artboard = record.artboard ? &*record.artboard : level.artboard;
        m_folders.push_back({ &record, level.folder, visible, inner.flipFolder >= 0 });
        m_levels.push_back(std::move(inner));
    }

    void closeFolder() {
        // A marker without a folder (a damaged stack) closes nothing.
        if (m_levels.size() <= 1) return;
        Level& level = m_levels.back();
        endClipping(level);
        // An artboard's background lies beneath everything it holds.
        const PsdLayerRecord& folder = *m_folders[static_cast<std::size_t>(level.folder)].record;
        if (folder.artboard && !level.hidden && !folder.artboard->transparent
            && !folder.artboard->backgroundBox.empty()) {
            const int outerFlip = m_levels[m_levels.size() - 2].flipFolder;
            m_candidates.push_back({ &folder, outerFlip, level.folder, level.opacity });
            m_candidates.back().background = &*folder.artboard;
        }
        m_levels.pop_back();
    }

    void takeLayer(const PsdLayerRecord& record) {
        Level& level = m_levels.back();
        const bool visible = !level.hidden && !record.hidden;
        if (record.adjustment) {
            // The layers clipped to an adjustment show wherever its mask lets it act,
            // usually everywhere: they are drawn unclipped.
            if (visible) note(record, Approximation::AdjustmentLayer);
            if (!record.clipping) endClipping(level);
            return;
        }
        const bool drawn = visible && !record.box.empty();
        if (record.clipping) {
            if (!drawn) return;
            level.pendingClipped.push_back(add(record, level));
            return;
        }
        if (!drawn) {
            // A hidden or empty base hides what is clipped to it.
            for (int c : level.pendingClipped) m_candidates[static_cast<std::size_t>(c)].dropped = true;
            level.pendingClipped.clear();
            return;
        }
        const int base = add(record, level);
        for (int c : level.pendingClipped) m_candidates[static_cast<std::size_t>(c)].clipBase = base;
        level.pendingClipped.clear();
    }

    int add(const PsdLayerRecord& record, const Level& level) {
        m_candidates.push_back({ &record, level.flipFolder, level.folder, level.opacity });
        if (level.artboard) m_candidates.back().clip = level.artboard->rect;
        return static_cast<int>(m_candidates.size()) - 1;
    }

    const std::vector<PsdLayerRecord>& m_records;
    std::vector<Level> m_levels;
    std::vector<Candidate> m_candidates; ///< top of the file first
    std::vector<FolderInfo> m_folders;
    std::vector<Note> m_notes;
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

LayerSelection SelectLayers(
    const std::vector<PsdLayerRecord>& records, const std::string& fileName, const PatternMap* patterns) {
    StackWalk walk(records);
    walk.run();
    std::vector<Candidate>& candidates = walk.candidates();
    std::vector<FolderInfo>& folders = walk.folders();

    // How many unclipped layers each folder draws decides whether it can stand as
    // one layer in its own mode.
    for (const Candidate& c : candidates) {
        if (c.dropped) continue;
        for (int f = c.folder; f >= 0; f = folders[static_cast<std::size_t>(f)].parent) {
            folders[static_cast<std::size_t>(f)].holdsFlip |= c.flipFolder >= 0;
            if (c.clipBase < 0) ++folders[static_cast<std::size_t>(f)].drawnLayers;
        }
    }

    // Bottom to top, as the document holds them.
    std::vector<int> order;
    for (int i = static_cast<int>(candidates.size()) - 1; i >= 0; --i)
        if (!candidates[static_cast<std::size_t>(i)].dropped) order.push_back(i);
    std::map<int, int> selectionIndex;
    for (std::size_t i = 0; i < order.size(); ++i) selectionIndex[order[i]] = static_cast<int>(i);

    std::map<int, std::uint8_t> groupOfFolder;
    for (int i : order) {
        const Candidate& c = candidates[static_cast<std::size_t>(i)];
        if (c.flipFolder >= 0) groupOfFolder.emplace(c.flipFolder, 0);
    }
    if (groupOfFolder.size() > static_cast<std::size_t>(kMaxFlipGroups))
        FailPsd(fileName,
            "too many flip groups (" + std::to_string(groupOfFolder.size()) + "; at most "
                + std::to_string(kMaxFlipGroups) + ")");
    std::uint8_t next = 1;
    for (auto& entry : groupOfFolder) entry.second = next++;

    std::set<int> clipBases;
    for (int i : order)
        if (candidates[static_cast<std::size_t>(i)].clipBase >= 0)
            clipBases.insert(candidates[static_cast<std::size_t>(i)].clipBase);

    // A folder's effects act on its merged picture: they are drawn on its layer when
    // it has one (or one per view, a flip folder); over several layers, from their
    // merged picture onto their planes; around a flip folder, whose views differ, not.
    LayerSelection selection;
    std::set<int> styledFolders;
    std::map<int, int> mergedIndex; ///< folder -> index in selection.mergedFolders
    for (std::size_t f = 0; f < folders.size(); ++f) {
        const FolderInfo& folder = folders[f];
        if (!folder.visible || !folder.record->style.shows() || folder.drawnLayers == 0) continue;
        const bool draws = folder.record->style.draws();
        if (draws && (folder.drawnLayers == 1 || folder.flip)) {
            styledFolders.insert(static_cast<int>(f));
        } else if (draws && !folder.holdsFlip) {
            int depth = 0;
            for (int p = folder.parent; p >= 0; p = folders[static_cast<std::size_t>(p)].parent) ++depth;
            mergedIndex[static_cast<int>(f)] = static_cast<int>(selection.mergedFolders.size());
            selection.mergedFolders.push_back({ folder.record, {}, depth });
            walk.note(*folder.record, Approximation::FolderEffectsOnLayers);
        } else {
            walk.note(*folder.record, Approximation::LayerEffects);
            continue;
        }
        for (const auto& [reason, effect] : EffectNotes(*folder.record, patterns, false))
            walk.note(*folder.record, reason, effect);
    }

    std::set<int> notedFolders;
    std::set<int> outerStyled;
    for (int i : order) {
        const Candidate& c = candidates[static_cast<std::size_t>(i)];
        const PsdLayerRecord& record = *c.record;
        SelectedLayer layer;
        layer.record = &record;
        layer.artboardBackground = c.background;
        layer.clip = c.clip;
        layer.group = c.flipFolder >= 0 ? groupOfFolder[c.flipFolder] : std::uint8_t { 0 };
        layer.folderOpacity = ToByte(c.folderOpacity);
        const bool clipped = c.clipBase >= 0;
        if (clipped) layer.clipBase = selectionIndex.at(c.clipBase);
        if (!c.background)
            for (int f = c.folder; f >= 0; f = folders[static_cast<std::size_t>(f)].parent)
                if (const auto merged = mergedIndex.find(f); merged != mergedIndex.end()) {
                    layer.mergedFolders.push_back(merged->second);
                    selection.mergedFolders[static_cast<std::size_t>(merged->second)].members.push_back(
                        static_cast<int>(selection.layers.size()));
                }

        if (!clipped && !c.background) {
            // The innermost folder with effects lends them; effects of folders further
            // out are named.
            for (int f = c.folder; f >= 0; f = folders[static_cast<std::size_t>(f)].parent) {
                if (!styledFolders.count(f)) continue;
                if (!layer.styledFolder)
                    layer.styledFolder = folders[static_cast<std::size_t>(f)].record;
                else if (outerStyled.insert(f).second)
                    walk.note(*folders[static_cast<std::size_t>(f)].record, Approximation::LayerEffects);
            }
        }
        BlendMode mode = c.background ? BlendMode::Normal : OwnMode(record);
        if (!clipped) {
            // Innermost folder first: a folder of one layer composites exactly as that
            // layer in the folder's mode, whatever the layer's own mode (alone in the
            // folder it blends with nothing).
            for (int f = c.folder; f >= 0; f = folders[static_cast<std::size_t>(f)].parent) {
                const FolderInfo& folder = folders[static_cast<std::size_t>(f)];
                const BlendMode folderMode = BlendModeFromKey(folder.record->folderBlendMode);
                if (folderMode == BlendMode::PassThrough) continue;
                if (folder.drawnLayers == 1) {
                    layer.folderBlendMode = folder.record->folderBlendMode;
                    mode = folderMode;
                } else if ((folderMode != BlendMode::Normal || DrawnMode(mode) != BlendMode::Normal)
                    && notedFolders.insert(f).second) {
                    walk.note(*folder.record, Approximation::FolderComposite);
                }
            }
        }
        if (c.background) {
            // The artboard's own opacity is part of its level's.
            layer.maskOpacity = ToByte(c.folderOpacity);
            selection.layers.push_back(layer);
            continue;
        }
        // In a few modes the fill opacity weakens the blend itself; the compositor
        // applies it there (LayerRecord::blendFill) instead of through the mask.
        const bool fillInBlend = BlendModeFromKey(layer.folderBlendMode) == BlendMode::PassThrough
            && FillActsInBlend(DrawnMode(mode));
        layer.maskOpacity = ToByte(record.opacity / 255.0L
            * (fillInBlend ? 1.0L : record.fillOpacity / 255.0L) * (clipped ? 1.0L : c.folderOpacity));
        for (const auto& [reason, effect] : EffectNotes(record, patterns, clipBases.count(i) > 0))
            walk.note(record, reason, effect);
        if (!IsKnownBlendModeKey(record.blendMode)) walk.note(record, Approximation::UnknownBlendMode);
        if (mode == BlendMode::Dissolve) walk.note(record, Approximation::Dissolve);
        selection.layers.push_back(layer);
    }

    std::vector<Note>& notes = walk.notes();
    std::stable_sort(notes.begin(), notes.end(),
        [](const Note& a, const Note& b) { return a.recordIndex > b.recordIndex; });
    for (Note& n : notes) selection.approximations.push_back(std::move(n.entry));
    return selection;
}

} // namespace deptrix
