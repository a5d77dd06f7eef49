#pragma once

#include "core/Document.h"
#include "core/Outlines.h"
#include "core/Progress.h"

#include <cstddef>
#include <filesystem>
#include <functional>

namespace deptrix {

/// Makes the seven per-view pictures of an outline or depth map layer: the smoothed
/// depth raster (LayerDepthRaster: from the layer's map when it has one, else from
/// `lines`), warped into the files of WarpLayerViews for layer number index + 1.
/// Progress is set to 20 after the smoothing and runs to 100 while warping. The
/// layer record is read as it stands; its Group, BaseOrder, Smooth and Depth are the
/// caller's to set beforehand.
///
/// Throws Error for a layer index outside the document and whatever the raster or
/// the warping throws; files already written stay.
void SynthesiseLineLayer(Document& doc, std::size_t layerIndex, const LineSet& lines,
    const std::filesystem::path& workFolder, Progress& progress);

/// The outline layers' part of Preview, around its reading of the depth and LPI
/// fields (`readDepthFields`, which sets DepthFactor and Lpi or throws):
/// 1. when a document is loaded and OutlinesStale is set, every layer with Group 100
///    gets 255; OutlinesStale is cleared either way;
/// 2. readDepthFields();
/// 3. every layer with Group 255, in ascending index order, gets 100 and is
///    synthesised from its depth map or its entry of LayerLines with the depth factor
///    just read.
/// An error ends the refresh where it happens: layers set to 100 before keep it.
void RefreshOutlineLayers(Document& doc, const std::function<void()>& readDepthFields,
    const std::filesystem::path& workFolder, Progress& progress);

} // namespace deptrix
