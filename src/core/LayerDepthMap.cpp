#include "core/LayerDepthMap.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/TaskPool.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace deptrix {

void CheckDepthMapOptions(const DepthMapOptions& options) {
    constexpr Fixed top = 255 * kFixedOne;
    if (options.blackPoint < 0 || options.blackPoint > top || options.whitePoint < 0
        || options.whitePoint > top)
        throw Error("The black and white points of a depth map must be at least 0 and at most 255 (given "
            + FormatFixed(options.blackPoint) + " and " + FormatFixed(options.whitePoint) + ")");
    if (options.blackPoint >= options.whitePoint)
        throw Error("The black point of a depth map must lie below its white point (given "
            + FormatFixed(options.blackPoint) + " and " + FormatFixed(options.whitePoint)
            + "); for maps where near is dark, use invert");
    if (options.marginColumns < 0 || (options.wholeDocument && options.marginColumns != 0))
        throw Error("A depth map carries margin columns only over the layer's box (given "
            + std::to_string(options.marginColumns) + ")");
}

LayerDepthMap MakeLayerDepthMap(
    GreyPicture picture, std::filesystem::path path, std::string layerName, const DepthMapOptions& options) {
    LayerDepthMap map;
    map.path = std::move(path);
    map.layerName = std::move(layerName);
    map.options = options;
    if (!picture.values.empty()) {
        // Maps run to tens of millions of pixels: their parts are searched side by side.
        constexpr std::size_t kPart = std::size_t { 1 } << 20;
        const std::size_t count = picture.values.size();
        const auto parts = static_cast<int>((count + kPart - 1) / kPart);
        std::vector<std::array<std::uint16_t, 2>> extremes(static_cast<std::size_t>(parts));
        ParallelFor(parts, [&](int part) {
            const std::uint16_t* values = picture.values.data() + static_cast<std::size_t>(part) * kPart;
            const std::size_t size = std::min(kPart, count - static_cast<std::size_t>(part) * kPart);
            std::uint16_t darkest = 65535;
            std::uint16_t lightest = 0;
            for (std::size_t i = 0; i < size; ++i) {
                darkest = std::min(darkest, values[i]);
                lightest = std::max(lightest, values[i]);
            }
            extremes[static_cast<std::size_t>(part)] = { darkest, lightest };
        });
        map.darkest = 65535;
        map.lightest = 0;
        for (const auto& [darkest, lightest] : extremes) {
            map.darkest = std::min(map.darkest, darkest);
            map.lightest = std::max(map.lightest, lightest);
        }
    }
    map.picture = std::make_shared<const GreyPicture>(std::move(picture));
    return map;
}

std::string DepthMapSourceText(const LayerDepthMap& map) {
    std::string text = map.path.string();
    if (!map.layerName.empty()) text += "#" + map.layerName;
    return text;
}

} // namespace deptrix
