#include "cli/BatchOptions.h"

#include "core/Error.h"
#include "core/NumberText.h"

namespace deptrix {

const char* BatchUsage() {
    return "Usage: deptrix-batch --info FILE.psd\n"
           "       deptrix-batch FILE.psd [--dump DIR] [--views DIR] [--focus ROW] [--depth FACTOR]\n"
           "                     [--offset ROW=PIXELS ...] [--gif PATH] [--anaglyph PATH] [--jps PATH]\n"
           "\n"
           "Imports a layered PSD the way the Deptrix window does and writes what is asked for.\n"
           "\n"
           "  --info            print the picture and its layers as one JSON object: width, height\n"
           "                    (source pixels), imageMode (3 RGB, 4 CMYK), layerCount, workScale\n"
           "                    (working pixels per source pixel), imageWidth, imageHeight, dpi,\n"
           "                    focusRow, and per layer (bottom first) index, name, top, left, width,\n"
           "                    height, group and the default offset\n"
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
           "  --help            show this text\n"
           "\n"
           "Progress goes to standard error. Exit status: 0 on success, 1 when the work fails (a file\n"
           "that cannot be read or written), 2 for a command line that cannot be carried out (an\n"
           "unknown option, a missing or malformed value, no PSD, a row the layer table lacks).\n";
}

namespace {

// A value the run would refuse later is refused with the rest of the command line.
template <typename Parse> auto Checked(Parse parse, const std::string& text) {
    try {
        return parse(text);
    } catch (const ConvertError& error) {
        throw UsageError(error.what());
    }
}

} // namespace

BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    auto value = [&](size_t& i) -> const std::string& {
        if (i + 1 >= arguments.size()) throw UsageError(arguments[i] + " needs a value");
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
            Checked(ParseInteger, *options.focusText);
        } else if (a == "--depth") {
            options.depthText = value(i);
            Checked(ParseFixed, *options.depthText);
        } else if (a == "--offset") {
            const std::string& pair = value(i);
            const size_t equals = pair.find('=');
            if (equals == std::string::npos)
                throw UsageError("--offset needs ROW=PIXELS, not '" + pair + "'");
            const std::int32_t row = Checked(ParseInteger, pair.substr(0, equals));
            options.offsets[row] = pair.substr(equals + 1);
            Checked(ParseInteger, options.offsets[row]);
        } else if (a == "--gif") {
            options.gifPath = value(i);
        } else if (a == "--anaglyph") {
            options.anaglyphPath = value(i);
        } else if (a == "--jps") {
            options.jpsPath = value(i);
        } else if (!a.empty() && a[0] == '-') {
            throw UsageError("unknown option " + a);
        } else if (options.psdPath.empty()) {
            options.psdPath = a;
        } else {
            throw UsageError("more than one PSD given: " + options.psdPath + " and " + a);
        }
    }
    if (!options.help && options.psdPath.empty()) throw UsageError("no PSD file given");
    if (!options.help && !options.info && options.dumpFolder.empty() && !options.needsViews())
        throw UsageError("nothing to do: give --info, --dump, --views, --gif, --anaglyph or --jps");
    return options;
}

} // namespace deptrix
