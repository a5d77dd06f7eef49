#pragma once

#include "core/BmpCodec.h"
#include "core/Fixed.h"
#include "core/Progress.h"
#include "core/WorkFiles.h"
#include "depth/DepthQuantities.h"
#include "depth/ViewWarp.h"
#include "depth/WarpLayerViews.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace deptrix::bench {

/// The row passes of the seven views of layer 1, whose work files lie in `folder`, over
/// `raster`: only the warps are timed, not setting them up.
inline void TimeSevenViewWarps(benchmark::State& state, const std::filesystem::path& folder, Fixed sourceDpi,
    int width, const Bitmap& raster) {
    const std::int64_t margin = OutlineMargin(sourceDpi, kFixedOne);
    const Bitmap source = PadColumns(LoadBmp(folder / LayerFileName(1)), margin, 0);
    const Bitmap mask = PadColumns(LoadBmp(folder / LayerMaskFileName(1)), margin, 0);
    NullProgress progress;
    for (auto _ : state) {
        state.PauseTiming();
        LayerWarp warp(source, mask, raster, BaseLevelOf(7), LevelShift(width, kFixedOne, kFixedOne));
        state.ResumeTiming();
        for (int view = 7; view >= 1; --view) warp.warpView(view, 20, progress);
        benchmark::DoNotOptimize(warp.picture().row(0));
    }
}

} // namespace deptrix::bench
