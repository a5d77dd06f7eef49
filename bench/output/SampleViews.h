#pragma once

#include "core/Bitmap.h"

#include <filesystem>
#include <vector>

namespace deptrix::bench {

/// The seven views of the bundled sample scene as a Preview right after its import
/// makes them (default offsets and focus), or nothing when the file is missing.
/// `workFolder` receives the import's and the view set's work files.
std::vector<Bitmap> SampleSceneViews(
    const std::filesystem::path& psd, const std::filesystem::path& workFolder);

} // namespace deptrix::bench
