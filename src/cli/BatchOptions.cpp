#include "cli/BatchOptions.h"

#include "core/Error.h"
#include "core/NumberText.h"

namespace deptrix {

const char* BatchUsage() {
    return "Usage: deptrix-batch --info FILE.psd\n"
           "       deptrix-batch FILE.psd [--dump DIR] [--views DIR] [--focus ROW] [--depth FACTOR]\n"
           "                     [--offset ROW=PIXELS ...] [--gif PATH] [--anaglyph PATH] [--jps PATH]\n"
           "       deptrix-batch FILE.psd --settings S.tw3d2 [--save-settings PATH] [--info] ...\n"
           "       deptrix-batch --project P.tw3d2 [--save-settings PATH] [--info] ...\n"
           "                     [--lines FILE] [--layer-depth N=BASE,SMOOTH,DEPTH ...]\n"
           "                     [--depthmap N PATH ...] [--work DIR]\n"
           "\n"
           "Imports a layered PSD the way the Deptrix window does and writes what is asked for.\n"
           "\n"
           "  --info            print the picture and its layers as one JSON object: width, height\n"
           "                    (source pixels), imageMode (3 RGB, 4 CMYK), layerCount, workScale\n"
           "                    (working pixels per source pixel), imageWidth, imageHeight, dpi,\n"
           "                    focusRow, per layer (bottom first) index, name, top, left, width,\n"
           "                    height, group, the default offset and, when there is one, the\n"
           "                    blend mode other than Normal and the index of the layer it is\n"
           "                    clipped to; then, if the picture draws some layers only\n"
           "                    approximately, a summary and each layer with its reason\n"
           "  --dump DIR        write composite.bmp and per layer N (bottom = 1) layerN.bmp and\n"
           "                    layerN-mask.bmp, in working pixels\n"
           "  --views DIR       write view1.bmp .. view7.bmp (24-bit) as Preview builds them\n"
           "  --focus ROW       the focus layer's table row (1 = top layer; default: the import's)\n"
           "  --depth FACTOR    the depth factor (default 1.0)\n"
           "  --offset ROW=PX   the depth offset of table row ROW in source pixels (default: the\n"
           "                    import's); may be given several times\n"
           "  --gif PATH        write the animated GIF of the views\n"
           "  --anaglyph PATH   write the red/cyan anaglyph of views 2 and 6 (24-bit BMP)\n"
           "  --jps PATH        write the stereo pair of views 3 and 6 (JPEG)\n"
           "  --settings FILE   apply a settings file (.tw3d2, .tw3d) after the import, as Open\n"
           "                    settings does: its offsets, parameters and lines set the document up\n"
           "  --project FILE    open a project instead of a PSD, as Open project does: the image its\n"
           "                    first line names is imported from the project's own folder\n"
           "  --save-settings PATH  write the document's set-up as a settings file (.tw3d2)\n"
           "                    After --settings or --project, --info also reports lpi (the LPI\n"
           "                    field's value, which the next preview uses), angles, depthFactor,\n"
           "                    and per layer the table's offset, baseOrder, smooth, depth and\n"
           "                    lines ({order, index, points: [[x, y], ...]} in working pixels)\n"
           "  --lines FILE      give layers outlines from line records as a settings file holds them:\n"
           "                    a line \"layer order line P\" (layer index from 0 at the bottom, order\n"
           "                    index 0..14), then on the next lines P + 1 points x y in working\n"
           "                    pixels; those layers get their depth from the outlines and are\n"
           "                    rebuilt before the views\n"
           "  --layer-depth N=BASE,SMOOTH,DEPTH\n"
           "                    outline parameters of layer N (bottom = 1): the order that stays in\n"
           "                    place (0..15), the smoothness (1..9) and the depth scale\n"
           "  --depthmap N PATH write the smoothed depth map of layer N (bottom = 1) as an 8-bit BMP,\n"
           "                    near light and far dark; may be given several times\n"
           "  --work DIR        keep the work files in DIR instead of a temporary folder\n"
           "  --help            show this text\n"
           "\n"
           "Progress goes to standard error; the exit status is 0 on success and 1 on any failure.\n";
}

namespace {

LayerDepthOption ParseLayerDepth(const std::string& text) {
    auto refuse = [&text](const std::string& problem) {
        return Error("--layer-depth needs N=BASEORDER,SMOOTH,DEPTH, not '" + text + "': " + problem);
    };
    const size_t equals = text.find('=');
    const size_t first = text.find(',', equals == std::string::npos ? 0 : equals);
    const size_t second = first == std::string::npos ? first : text.find(',', first + 1);
    if (equals == std::string::npos || first == std::string::npos || second == std::string::npos)
        throw refuse("three values after the layer number");
    LayerDepthOption option;
    try {
        option.layerNumber = ParseInteger(text.substr(0, equals));
        const std::int32_t base = ParseInteger(text.substr(equals + 1, first - equals - 1));
        const std::int32_t smooth = ParseInteger(text.substr(first + 1, second - first - 1));
        option.depth = ParseFixed(text.substr(second + 1));
        if (base < 0 || base > 15) throw refuse("the base order must be 0..15");
        if (smooth < 1 || smooth > 9) throw refuse("the smoothness must be 1..9");
        option.baseOrder = static_cast<std::uint8_t>(base);
        option.smooth = static_cast<std::uint8_t>(smooth);
    } catch (const ConvertError& e) {
        throw refuse(e.what());
    }
    if (option.layerNumber < 1) throw refuse("layers are numbered from 1");
    return option;
}

} // namespace

BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    auto value = [&](size_t& i) -> const std::string& {
        if (i + 1 >= arguments.size()) throw Error(arguments[i] + " needs a value");
        return arguments[++i];
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--info") {
            options.info = true;
        } else if (a == "--dump") {
            options.dumpFolder = value(i);
        } else if (a == "--views") {
            options.viewsFolder = value(i);
        } else if (a == "--focus") {
            options.focusText = value(i);
        } else if (a == "--depth") {
            options.depthText = value(i);
        } else if (a == "--offset") {
            const std::string& pair = value(i);
            const size_t equals = pair.find('=');
            if (equals == std::string::npos) throw Error("--offset needs ROW=PIXELS, not '" + pair + "'");
            const std::int32_t row = ParseInteger(pair.substr(0, equals));
            options.offsets[row] = pair.substr(equals + 1);
        } else if (a == "--gif") {
            options.gifPath = value(i);
        } else if (a == "--anaglyph") {
            options.anaglyphPath = value(i);
        } else if (a == "--jps") {
            options.jpsPath = value(i);
        } else if (a == "--settings") {
            options.settingsPath = value(i);
        } else if (a == "--project") {
            options.projectPath = value(i);
        } else if (a == "--save-settings") {
            options.saveSettingsPath = value(i);
        } else if (a == "--lines") {
            options.linesPath = value(i);
        } else if (a == "--layer-depth") {
            options.layerDepths.push_back(ParseLayerDepth(value(i)));
        } else if (a == "--depthmap") {
            DepthMapOption map;
            map.layerNumber = ParseInteger(value(i));
            map.path = value(i);
            options.depthMaps.push_back(map);
        } else if (a == "--work") {
            options.workFolder = value(i);
        } else if (!a.empty() && a[0] == '-') {
            throw Error("unknown option " + a);
        } else if (options.psdPath.empty()) {
            options.psdPath = a;
        } else {
            throw Error("more than one PSD given: " + options.psdPath + " and " + a);
        }
    }
    if (options.help) return options;
    if (!options.projectPath.empty()) {
        if (!options.psdPath.empty() || !options.settingsPath.empty())
            throw Error("--project names its own PSD: give no PSD and no --settings with it");
    } else if (options.psdPath.empty()) {
        throw Error("no PSD file given");
    }
    if (!options.info && options.dumpFolder.empty() && !options.needsViews()
        && options.saveSettingsPath.empty() && options.depthMaps.empty())
        throw Error("nothing to do: give --info, --dump, --views, --gif, --anaglyph, --jps, --save-settings "
                    "or --depthmap");
    return options;
}

} // namespace deptrix
