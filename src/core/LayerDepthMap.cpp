#include "core/LayerDepthMap.h"

#include "core/Error.h"
#include "core/NumberText.h"

#include <algorithm>
#include <utility>

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
        // By value rather than by position, which lets the compiler take many values
        // at once: maps run to tens of millions of pixels.
        std::uint16_t darkest = 65535;
        std::uint16_t lightest = 0;
        for (const std::uint16_t value : picture.values) {
            darkest = std::min(darkest, value);
            lightest = std::max(lightest, value);
        }
        map.darkest = darkest;
        map.lightest = lightest;
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
