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
/// A run that knows it needs only one of the layers' two forms may leave the other:
/// with WorkFilesOnly (it only prints from the files) the layers without effects stay
/// empty pictures in `doc`; with WorkingGridOnly (nothing will read the files) no work
/// file is written.
enum class LayerPictures { WorkingGridAndFiles, WorkFilesOnly, WorkingGridOnly };
int ReadPsd(const std::filesystem::path& psdPath, const std::filesystem::path& workFolder, Document& doc,
    Progress& progress, LayerPictures pictures = LayerPictures::WorkingGridAndFiles);

} // namespace deptrix
