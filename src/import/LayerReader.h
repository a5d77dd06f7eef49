#pragma once

#include "core/Document.h"
#include "core/Progress.h"

#include <filesystem>

namespace deptrix {

/// Reads the PSD at `psdPath` into `doc` (Layers, LayerBitmaps, LayerMasks,
/// LayerCount, ImageMode, SourceWidth/Height, ImageWidth/Height, WorkScale,
/// SourceDpi, SourceWidthCm/HeightCm) and writes for every layer n = index + 1 the
/// layer at source resolution as LayerFileName(n) and its mask as
/// LayerMaskFileName(n) (core WorkFiles.h) into `workFolder` through the shared
/// WorkFileWriter, in the background and band by band as the layer is decoded:
/// readers of those files wait for them (AwaitWorkFile). Writes still pending for
/// the document before are cancelled first. Pages of the PSD are let go as its layers
/// are decoded. Reports progress 0..60. Returns the final progress position (60). Throws Error naming the
/// file on any failure; the caller then calls doc.clearLayers().
int ReadPsd(const std::filesystem::path& psdPath, const std::filesystem::path& workFolder, Document& doc,
    Progress& progress);

} // namespace deptrix
