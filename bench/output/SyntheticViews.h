#pragma once

#include "core/Bitmap.h"

#include <filesystem>
#include <vector>

namespace deptrix::bench {

/// Seven views of a made-up scene, like the view set of a photographic PSD: a sky
/// gradient, textured ground with fine grain (hundreds of thousands of distinct
/// colours), shaded balls and flat-coloured signs on planes at different depths, each
/// plane shifted sideways from view to view.
std::vector<Bitmap> MakeSyntheticViews(int width, int height);

/// The seven view files vw1.gjs .. vw7.gjs of a work folder, when all are present.
std::vector<Bitmap> LoadViewFiles(const std::filesystem::path& folder);

} // namespace deptrix::bench
