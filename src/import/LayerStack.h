#pragma once

#include "core/Document.h"
#include "import/PatternBlock.h"
#include "import/PsdStructure.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace deptrix {

/// A record that becomes a layer of the document, with what its place in the stack
/// of folders and clipping groups makes of it.
struct SelectedLayer {
    const PsdLayerRecord* record = nullptr;
    std::uint8_t group = 0; ///< 0 ordinary, 1..99 flip group
    int clipBase = -1; ///< index in the selection of the layer this one is clipped to, or -1
    std::uint8_t folderOpacity = 255; ///< the enclosing folders' opacities multiplied
    /// What scales the layer's mask: opacity x fill opacity (unless the layer's mode
    /// takes the fill inside the blend), and for a layer that is not clipped the
    /// folders' opacity too (a clipped layer shows through its base, which carries it
    /// already). Rounded once.
    std::uint8_t maskOpacity = 255;
    BlendKey folderBlendMode = kPassThroughKey; ///< the folder this layer stands for, or "pass"
    /// Set: the layer is this artboard's background (`record` is the artboard's folder),
    /// a plane of its colour over its background box.
    const ArtboardInfo* artboardBackground = nullptr;
    std::optional<PsdRect> clip; ///< the rectangle of the artboard the layer is in
    /// The folder whose effects this layer carries: the innermost folder with effects
    /// around it whose drawn content is this layer alone, or any flip folder, whose
    /// views show one layer at a time; null when none.
    const PsdLayerRecord* styledFolder = nullptr;
    /// The folders of several layers around it whose effects act on their merged
    /// picture (indices into LayerSelection::mergedFolders), innermost first.
    std::vector<int> mergedFolders;
};

/// A folder of several drawn layers with effects, drawn from its merged picture onto
/// its layers' planes.
struct MergedFolder {
    const PsdLayerRecord* record = nullptr;
    std::vector<int> members; ///< indices in the selection, bottom first
    int depth = 0; ///< folders around it
};

/// The layers of a file and what of the file they draw only approximately.
struct LayerSelection {
    std::vector<SelectedLayer> layers; ///< bottom to top
    std::vector<ApproximateLayer> approximations; ///< top of the file first
    std::vector<MergedFolder> mergedFolders;
};

/// Most flip groups a document can have: codes 1..99.
inline constexpr int kMaxFlipGroups = 99;

/// True for a folder name that makes a flip group: it begins with "flip" in any case.
bool IsFlipFolderName(const std::string& name);

/// Picks the records that become layers, bottom to top: visible records with pixels.
/// Left out are hidden records and everything inside a hidden folder, adjustment
/// layers, records with an empty box, layers clipped to a hidden or empty layer, and
/// the folder records and end-of-folder markers themselves.
///
/// The layers inside a folder whose name begins with "flip" (including those in
/// folders nested in it) form one flip group; groups are numbered 1, 2, ... by the
/// position of their folder from the bottom up, counting only folders that keep at
/// least one layer. Throws Error when more than 99 flip groups would result.
///
/// A layer with the clipping flag is clipped to the nearest layer below it in the same
/// folder that has no flag. A folder with a blend mode of its own whose drawn content
/// is a single layer (with what is clipped to it) hands its mode to that layer; a
/// folder of several layers leaves them their own modes, which is approximate unless
/// the folder is Normal and so are they.
///
/// An artboard (a folder with artboard data) shows its layers only inside its
/// rectangle (SelectedLayer::clip) and, unless its background is transparent, adds a
/// layer for its background below them.
///
/// The effects of a folder act on its merged picture: a folder whose drawn content is
/// one layer (or a flip folder, whose views show one layer at a time) lends them to its
/// layers (SelectedLayer::styledFolder); any other folder of several layers becomes a
/// MergedFolder, noted as drawn on its layers' planes. Folders holding a flip folder
/// keep their effects undrawn and named.
///
/// What of a layer's effects is drawn approximately is noted too; `patterns` are the
/// document's patterns (null: none).
LayerSelection SelectLayers(const std::vector<PsdLayerRecord>& records, const std::string& fileName,
    const PatternMap* patterns = nullptr);

} // namespace deptrix
