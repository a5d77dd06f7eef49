#pragma once

#include "core/Approximation.h"
#include "core/Bitmap.h"
#include "core/BlendModes.h"
#include "core/Fixed.h"
#include "core/LayerDepthMap.h"
#include "core/Outlines.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace deptrix {

struct FolderEffectSet;

/// Group codes of a layer record.
inline constexpr std::uint8_t kGroupNone = 0; ///< ordinary layer
inline constexpr std::uint8_t kGroupLastFlip = 99; ///< 1..99: member of a flip group
inline constexpr std::uint8_t kGroupOutlineBuilt = 100; ///< outline layer, per-view pictures exist
inline constexpr std::uint8_t kGroupOutlineStale = 255; ///< outline layer, per-view pictures to build

/// Most layers a document can hold: layer indices are kept in single bytes.
inline constexpr int kMaxLayers = 256;

/// Number of views of a preview (slots 1..7 of Document::Views).
inline constexpr int kViewCount = 7;

/// The layer record filled by the layer reader. The fields keep the order of the
/// reader's 56-byte record; boxes are in source pixels.
struct LayerRecord {
    std::int32_t Top = 0;
    std::int32_t Left = 0;
    std::int32_t Bottom = 0; ///< reader: bottom edge of the box
    std::int32_t Right = 0; ///< reader: right edge of the box
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Opacity = 0; ///< reader: opacity 0..255
    std::vector<std::int32_t> ChannelIds; ///< reader: channel ids as stored
    std::string StoredName; ///< reader: the layer name as stored (legacy 8-bit name)
    std::int32_t RecordIndex = 0; ///< reader: index of the layer's record in the file
    std::string UnicodeName; ///< reader: the Unicode layer name, UTF-8
    std::uint8_t Group = kGroupNone;
    std::uint8_t BaseOrder = 0; ///< depth level 0..15 that stays in place when warped
    std::uint8_t Smooth = 0; ///< smoothness of the depth map's edges, 1..9
    std::uint8_t Reserved = 0;
    Fixed Depth = 0; ///< depth scale of the layer's outlines, x10000

    // How the file's editor composites the layer. Opacity, FillOpacity and
    // FolderOpacity are already multiplied into the layer's mask, except the fill
    // opacity of a layer whose mode takes it inside the blend (blendFill()).
    BlendKey BlendModeKey = kNormalKey; ///< the layer's own blend mode, as stored
    /// The mode of the folder this layer stands for: a folder with a mode of its own
    /// whose only drawn content is this layer (and what is clipped to it) composites
    /// exactly as the layer in the folder's mode. "pass" otherwise.
    BlendKey FolderBlendModeKey = kPassThroughKey;
    bool Clipping = false; ///< the stored clipping flag
    std::int32_t ClipBase = -1; ///< index of the layer this one is clipped to; -1 unclipped
    std::uint8_t FillOpacity = 255; ///< the layer's fill opacity 0..255
    std::uint8_t FolderOpacity = 255; ///< the enclosing folders' opacities multiplied, 0..255
    /// The layer's effects, drawn into its bitmap and mask at import (null: none). Its
    /// box above is then the box of the drawn effects: the stored box grown by
    /// EffectReach on every side; its work files hold the stored box's pixels
    /// without the effects, opacity or fill, from which the print draws them again.
    std::shared_ptr<const LayerStyle> Effects;
    /// The effects of the folder this layer stands for (its only drawn layer, or a
    /// member of a flip folder), drawn after the layer's own; null: none.
    std::shared_ptr<const LayerStyle> FolderEffects;
    std::uint8_t FolderFillOpacity = 255; ///< that folder's fill opacity
    /// The folders of several layers around this one whose effects are drawn from
    /// their merged picture onto their layers' planes (DrawFolderEffectSets), innermost
    /// first; empty: none. Their layers' work files hold their pixels without them.
    std::vector<std::shared_ptr<const FolderEffectSet>> MergedFolders;
    std::int32_t EffectReach = 0; ///< source px

    bool hasEffects() const { return Effects || FolderEffects || !MergedFolders.empty(); }

    /// The name to show: the Unicode name when the file has one, else the stored one.
    const std::string& displayName() const { return UnicodeName.empty() ? StoredName : UnicodeName; }

    /// The layer's mode, or the folder's it stands for.
    BlendMode blendMode() const {
        const BlendMode folder = BlendModeFromKey(FolderBlendModeKey);
        return folder != BlendMode::PassThrough ? folder : BlendModeFromKey(BlendModeKey);
    }
    /// The mode the compositor draws the layer with.
    BlendMode drawnBlendMode() const { return DrawnMode(blendMode()); }
    /// The fill opacity the compositor applies inside the blend: the layer's own in
    /// the modes that take it there (FillActsInBlend), when the layer is drawn in its
    /// own mode; 255 otherwise, the fill being part of the mask then.
    std::uint8_t blendFill() const {
        const bool ownMode = BlendModeFromKey(FolderBlendModeKey) == BlendMode::PassThrough;
        return ownMode && FillActsInBlend(drawnBlendMode()) ? FillOpacity : 255;
    }
};

using LayerRecordList = std::vector<LayerRecord>;

using BitmapList = std::vector<Bitmap>;

/// What the program has been doing, which decides the prompt in the status bar.
enum AppStageValue : std::uint8_t {
    kStageNothingImported = 0,
    kStageImported = 1,
    kStagePreviewing = 2,
    kStagePreviewStopped = 3,
};

/// Stop counters of the preview loops: a loop ends when its counter exceeds 600.
inline constexpr std::int32_t kLoopLimit = 600;
inline constexpr std::int32_t kAnimStopValue = 601;
inline constexpr std::int32_t kLinePreviewStopValue = 605;

/// The shared state of the one open document and of the synthesis parameters.
/// Source pixels: the PSD's own grid (layer boxes, offsets, ViewLeft). Working
/// pixels: the grid of every bitmap; v source is Round(v x WorkScale / 10000).
struct Document {
    // Layer arrays, index 0 the bottom layer; equal lengths after an import. An
    // artboard's background colour is a layer of its own below the artboard's layers.
    LayerRecordList Layers;
    BitmapList LayerBitmaps; ///< Bgr24 (RGB documents) or Cmyk32 (CMYK), box size in working px
    BitmapList LayerMasks; ///< Gray8 opacity 0..255, same size as the layer bitmap
    /// Per layer, empty but for a base of clipped layers whose mask also holds effects
    /// drawn around it: its own opacity (Gray8, the mask's size), to which the layers
    /// clipped to it are bound. May be shorter than the layer arrays.
    BitmapList LayerClipShapes;

    // Image description, written by the layer reader.
    std::uint16_t LayerCount = 0;
    std::int16_t ImageMode = 0; ///< 3 RGB, 4 CMYK
    /// Colour mode of the file as stored: 0 bitmap, 1 grey, 2 indexed, 3 RGB, 4 CMYK, 8
    /// duotone; every mode but CMYK is read as RGB.
    std::int16_t SourceMode = 0;
    std::int16_t SourceDepth = 8; ///< bits per channel of the file: 1, 8, 16 or 32 (read as 8)
    std::int32_t ArtboardCount = 0; ///< artboards the file holds
    std::int32_t SourceWidth = 0;
    std::int32_t SourceHeight = 0;
    std::int32_t ImageWidth = 0;
    std::int32_t ImageHeight = 0;
    Fixed WorkScale = kFixedOne; ///< working px per source px
    Fixed SourceDpi = 0;
    Fixed SourceWidthCm = 0;
    Fixed SourceHeightCm = 0;
    Fixed AspectRatio = kFixedOne; ///< SourceWidthCm / SourceHeightCm, set by the import
    std::string PsdPath;
    std::vector<ApproximateLayer> ApproximateLayers; ///< what the import could not draw exactly
    std::vector<std::uint8_t> IccProfile; ///< the PSD's embedded colour profile, empty when none

    // Working pictures.
    Bitmap Composite;
    Bitmap Coverage;
    /// Slots 1..7 the views; slot 0 the outline editor's. The window's preview shows the
    /// views in place: it is told to let go of them before one is replaced or freed.
    std::array<Bitmap, kViewCount + 1> Views;

    // Depth parameters.
    Fixed Lpi = 424775;
    std::int32_t Angles = 7;
    Fixed DepthFactor = kFixedOne;
    std::vector<Fixed> DefaultOffsets; ///< per layer, x10000 source px
    std::int32_t FocusRow = 2; ///< grid row of the focus layer, 0 none
    std::vector<std::uint8_t> UngroupedLayers; ///< ordinary layers, top-most first
    std::int32_t UngroupedCount = 0;
    std::int32_t FocusSlot = 0;
    Fixed DepthSpan = 0;
    Fixed FrontStep = kFixedOne;
    Fixed BackStep = kFixedOne;

    // Output settings (configuration, settings and project files).
    Fixed OutDpi = 7200000;
    Fixed OutWidth = 50000;
    Fixed OutHeight = 50000;
    std::uint8_t ColorMode = 2;
    std::uint8_t HScale = 4;

    // Per-view state.
    std::vector<std::int32_t> ViewLeft; ///< per layer, source px
    std::uint8_t CurrentView = 0; ///< view index 0..6 being built
    std::int32_t CentreView = 4;
    std::vector<std::vector<std::uint8_t>> GroupMembers; ///< entry g-1 for group g
    std::vector<std::array<std::uint8_t, kViewCount>> GroupFrames; ///< entry g-1 for group g
    std::int32_t ProgressSpan = 0;
    std::int32_t ProgressBase = 0;

    // Status flags.
    bool DocumentLoaded = false;
    std::uint8_t AppStage = kStageNothingImported;
    bool OutlinesStale = true;
    std::int32_t SelectedLayer = 0;
    std::int32_t AnimStep = 0;
    std::int32_t AnimStop = 0;
    std::int32_t LinePreviewStop = 0;

    // Outline editor state shared with the synthesis.
    LineSets LayerLines;
    LineSet EditLines;
    std::uint8_t CurOrder = 0;

    /// Depth maps from pictures, indexed like the layer records: a layer has either
    /// outlines or a map, and a map layer carries the outline layers' group codes.
    std::vector<LayerDepthMap> LayerDepthMaps;

    /// The map of layer `index`, or nothing when it has none.
    const LayerDepthMap* depthMapOf(std::size_t index) const {
        return index < LayerDepthMaps.size() && LayerDepthMaps[index].present() ? &LayerDepthMaps[index]
                                                                                : nullptr;
    }

    /// Whether layer `index` has outlines: a stored line of at least two points.
    bool hasLines(std::size_t index) const;

    /// Gives layer `index` its depth from `map`. A layer has outlines or a map, so its
    /// outlines are dropped (also those open in the outline editor when it is the
    /// selected layer); its views are to be built (group code 255). Throws Error for a
    /// layer outside the document, a member of a flip group (the group moves it) or a
    /// map without a picture or with options out of range.
    void setDepthMap(std::size_t index, LayerDepthMap map);

    /// Takes the map from layer `index`, which is flat again (group code 0), or an
    /// outline layer to be built (255) when it has outlines. A layer without a map is
    /// left alone.
    void clearDepthMap(std::size_t index);

    /// Start of an import: releases the previous document's pictures, recreates
    /// Composite, Coverage and view slot 0 empty, sets DocumentLoaded, AppStage 1 and
    /// PsdPath, and empties the layer arrays and line sets.
    void beginImport(const std::string& path);

    /// After the reader filled the layers: ViewLeft from each Left, and the per-layer
    /// defaults (Depth 0 -> 1.0, Smooth 0 -> 5, BaseOrder 0 -> 7).
    void applyLayerDefaults();

    /// Leaves the document consistent and empty after a failed import: no layers,
    /// nothing imported, every per-layer array empty.
    void clearLayers();

    /// Exit: releases the document's pictures and empties the per-layer arrays.
    void release();

    /// Views slots 1..7 become empty pictures (start-up and exit).
    void resetViews();

    /// True when every per-layer array agrees with LayerCount and each mask has
    /// its layer bitmap's size.
    bool consistent() const;
};

} // namespace deptrix
