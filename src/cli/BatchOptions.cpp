#include "cli/BatchOptions.h"

#include "core/Error.h"
#include "core/NumberRange.h"
#include "core/NumberText.h"
#include "core/TaskPool.h"
#include "output/DepthMapFile.h"
#include "print/PitchTest.h"
#include "print/PrintFields.h"
#include "print/PrintGeometry.h"
#include "render/FrameSet.h"

#include <string_view>
#include <utility>

namespace deptrix {

const char* BatchUsage() {
    return "Usage: deptrix-batch --info FILE.psd\n"
           "       deptrix-batch FILE.psd [--dump DIR] [--views DIR] [--focus ROW] [--depth FACTOR]\n"
           "                     [--offset ROW=PIXELS ...] [--gif PATH] [--anaglyph PATH] [--jps PATH]\n"
           "                     [--interlace OUT.tif [--lpi L] [--dpi D|auto] [--width INCHES] [--hscale "
           "H]\n"
           "                      [--phase P] [--reverse] [--compress none|lzw|deflate] [--bigtiff]\n"
           "                      [--frames N] [--lens vertical|horizontal] [--marks [MARGIN]]\n"
           "                      [--bleed INCHES]]\n"
           "       deptrix-batch --pitch-test OUT.tif [--lpi L] [--dpi D|auto] [--span S] [--step T]\n"
           "                     [--width INCHES] [--height INCHES] [--phase-test] [--reverse]\n"
           "       deptrix-batch FILE.psd --settings S.tw3d2 [--save-settings PATH] [--info] ...\n"
           "       deptrix-batch --project P.tw3d2 [--save-settings PATH] [--info] ...\n"
           "                     [--lines FILE] [--layer-depth N=BASE,SMOOTH,DEPTH ...]\n"
           "                     [--depthmap N PATH ...] [--depthmap16] [--work DIR]\n"
           "                     [--depth-image N=PATH[#LAYER][@doc] [--depth-invert N]\n"
           "                      [--depth-range N=BLACK,WHITE] ...] [--threads N]\n"
           "\n"
           "Imports a layered PSD the way the Deptrix window does and writes what is asked for.\n"
           "\n"
           "  --info            print the picture and its layers as one JSON object: width, height\n"
           "                    (source pixels), imageMode (3 RGB, 4 CMYK), layerCount, workScale\n"
           "                    (working pixels per source pixel), imageWidth, imageHeight, dpi;\n"
           "                    the values the views are built with (--focus, --depth, --lpi,\n"
           "                    --width and --offset included): focusRow, lpi, depthFactor,\n"
           "                    printLpi, printWidth; per layer (bottom first) index, name, top,\n"
           "                    left, width, height, parallaxPerView (how far the layer moves\n"
           "                    between neighbouring views, in lens widths at that LPI and width),\n"
           "                    group, offset and, when there is one, the blend mode other than\n"
           "                    Normal and the index of the layer it is clipped to; then, for a\n"
           "                    file the import converts (any depth but 8 bits, indexed, bitmap,\n"
           "                    duotone), colourMode as stored and as imported, for a file with\n"
           "                    artboards their number (artboards), and, if the picture draws\n"
           "                    some layers only approximately, a summary and each layer (or the\n"
           "                    file) with its reason\n"
           "  --dump DIR        write composite.bmp and per layer N (bottom = 1) layerN.bmp and\n"
           "                    layerN-mask.bmp, in working pixels\n"
           "  --views DIR       write view1.bmp .. view7.bmp (24-bit) as Preview builds them\n"
           "  --focus ROW       the focus layer's table row (1 = top layer, 0 = none;\n"
           "                    default: the import's)\n"
           "  --depth FACTOR    the depth factor (default 1.0)\n"
           "  --offset ROW=PX   the depth offset of table row ROW in source pixels (default: the\n"
           "                    import's); may be given several times\n"
           "  --gif PATH        write the animated GIF of the views\n"
           "  --anaglyph PATH   write the red/cyan anaglyph of views 2 and 6 (24-bit BMP)\n"
           "  --jps PATH        write the stereo pair of views 3 and 6 (JPEG)\n"
           "  --interlace OUT   write the interlaced print as a TIFF (BigTIFF when it may pass 4 GiB):\n"
           "                    the frames at the PSD's full resolution under lenses of --lpi\n"
           "                    at --dpi (auto: LPI x frames), --width inches wide (the height keeps\n"
           "                    the picture's proportions), each row --hscale pixels high; each defaults\n"
           "                    to its field (a settings file's, else 42.4775, 720, 5 and 4);\n"
           "                    --phase -0.5..0.5 shifts the strips, --reverse puts frame 1 first\n"
           "                    in each lens\n"
           "  --frames N        frames under each lens, 2..64 (default: the Angles value, 7): more\n"
           "                    make smoother depth and animation, 2..4 crisper flips; at auto DPI\n"
           "                    the resolution is LPI x N\n"
           "  --lens KIND       vertical (default, 3D: strips of columns) or horizontal (flips and\n"
           "                    animations: strips of rows, frame N at the top of each lens; H Scale\n"
           "                    then compresses columns)\n"
           "  --marks [MARGIN]  crop marks, alignment bars along the edges parallel to the lenses (a\n"
           "                    dark strip per lens where frame 1 lies) and a line with LPI, DPI,\n"
           "                    frames, size and phase, in a margin of MARGIN inches (default 0.25,\n"
           "                    0.1..2) around the picture\n"
           "  --bleed INCHES    extend the picture's edge pixels this far past the crop line (0..0.5;\n"
           "                    with --marks at most half the margin)\n"
           "  --compress KIND   none (default), lzw or deflate, both with the horizontal predictor;\n"
           "                    a compressed print is a classic TIFF unless it grows past 4 GiB\n"
           "  --bigtiff         write a BigTIFF whatever the size\n"
           "  --pitch-test OUT  write a pitch test sheet: one band per LPI from --lpi minus --span to\n"
           "                    --lpi plus --span (defaults 0.5) in steps of --step (default 0.05),\n"
           "                    --width x --height inches; --phase-test makes bands at --lpi with\n"
           "                    phases -0.5 .. 0.5 instead\n"
           "  --lpi L           the lens's lines per inch (default: the LPI field's, 42.4775)\n"
           "  --dpi D|auto      the printer's dots per inch, auto for LPI x 7 (default: the field's, 720)\n"
           "  --width INCHES    the width of the print or the sheet (default: the field's, 5)\n"
           "  --height INCHES   the height of the pitch test sheet (default: the field's)\n"
           "  --hscale H        each row of the print H pixels high (default: the field's, 4)\n"
           "  --phase P         shift the print's strips by P lens widths, -0.5 .. 0.5 (default 0)\n"
           "  --reverse         put view 1 at the left of each lens\n"
           "  --span S          pitch test: bands from --lpi minus S to --lpi plus S (default 0.5)\n"
           "  --step T          pitch test: T lines per inch between neighbouring bands (default 0.05)\n"
           "  --phase-test      pitch test: bands at --lpi with phases -0.5 .. 0.5 instead\n"
           "  --settings FILE   apply a settings file (.tw3d2, .tw3d) after the import, as Open\n"
           "                    settings does: its offsets, parameters and lines set the document up\n"
           "  --project FILE    open a project instead of a PSD, as Open project does: the image its\n"
           "                    first line names is imported from the project's own folder\n"
           "  --save-settings PATH  write the set-up the run uses as a settings file (.tw3d2),\n"
           "                    --offset, --focus and --depth included\n"
           "                    After --settings or --project, --info also reports angles and per\n"
           "                    layer baseOrder, smooth, depth and lines ({order, index, points:\n"
           "                    [[x, y], ...]} in working pixels)\n"
           "  --lines FILE      give layers outlines from line records as a settings file holds them:\n"
           "                    a line \"layer order line P\" (layer index from 0 at the bottom, order\n"
           "                    index 0..14), then on the next lines P + 1 points x y in working\n"
           "                    pixels; those layers get their depth from the outlines and are\n"
           "                    rebuilt before the views\n"
           "  --layer-depth N=BASE,SMOOTH,DEPTH\n"
           "                    outline parameters of layer N (bottom = 1): the order that stays in\n"
           "                    place (0..15), the smoothness (1..9) and the depth scale\n"
           "  --depthmap N PATH write the smoothed depth map of layer N (bottom = 1), near light and\n"
           "                    far dark, at the layer's size with its margins: a PNG when PATH ends\n"
           "                    in .png, else an 8-bit BMP; may be given several times. Loaded back\n"
           "                    with --depth-image it gives the same views\n"
           "  --depthmap16      write the PNG depth maps with 16 bits per sample\n"
           "  --depth-image N=PATH  give layer N its depth from a picture instead of outlines (its\n"
           "                    outlines are dropped): PNG, TIFF, JPEG, BMP, or a PSD or PSB (its\n"
           "                    merged picture, or PATH.psd#LAYER for a layer of that name), grey or\n"
           "                    colour (its luminance), near light. It is stretched over the layer's\n"
           "                    box, or with @doc at the end over the whole document, of which the\n"
           "                    layer takes its part. The layer's depth, base order and the depth\n"
           "                    factor act as for outlines; the map is not smoothed\n"
           "  --depth-invert N  the map of layer N is near where it is dark\n"
           "  --depth-range N=BLACK,WHITE  the map's values (0..255, fractions allowed) that become\n"
           "                    the farthest and the nearest level (default 0,255)\n"
           "  --work DIR        keep the work files in DIR instead of a temporary folder; DIR must\n"
           "                    be a folder of yours (not a link) that no one else may write to\n"
           "  --threads N       use N threads, 1..256 (default: one per core); the outputs are the\n"
           "                    same whatever the number\n"
           "  --version         show the program's version\n"
           "  --help            show this text\n"
           "\n"
           "Progress goes to standard error. Exit status: 0 on success, 1 when the work fails (a file\n"
           "that cannot be read or written), 2 for a command line that cannot be carried out (an\n"
           "unknown option, a missing or malformed value, no PSD, a row or layer the picture lacks,\n"
           "an output that is one of the inputs or a file without write permission). Outputs are\n"
           "written under a temporary name and renamed into place; the seven views are renamed as\n"
           "one set.\n";
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

// Base orders and smoothness of --layer-depth; layer numbers before the picture tells
// how many it has.
constexpr NumberRange kBaseOrderRange = IntegerRange(0, 15);
constexpr NumberRange kSmoothRange = IntegerRange(1, 9);
constexpr NumberRange kLayerNumberRange { 1, true, NumberRange::kNone, false };
constexpr const char* kLayerNumbering = " (layers are numbered from 1 at the bottom)";

LayerDepthOption ParseLayerDepth(const std::string& text) {
    auto refuse = [&text](const std::string& problem) {
        return UsageError("--layer-depth needs N=BASEORDER,SMOOTH,DEPTH, not '" + text + "': " + problem);
    };
    const size_t equals = text.find('=');
    const size_t first = text.find(',', equals == std::string::npos ? 0 : equals);
    const size_t second = first == std::string::npos ? first : text.find(',', first + 1);
    if (equals == std::string::npos || first == std::string::npos || second == std::string::npos)
        throw refuse("three values after the layer number");
    LayerDepthOption option;
    option.text = text;
    std::int32_t base = 0;
    std::int32_t smooth = 0;
    try {
        option.layerNumber = ParseInteger(text.substr(0, equals));
        base = ParseInteger(text.substr(equals + 1, first - equals - 1));
        smooth = ParseInteger(text.substr(first + 1, second - first - 1));
        option.depth = ParseFixed(text.substr(second + 1));
    } catch (const ConvertError& e) {
        throw refuse(e.what());
    }
    if (!kLayerNumberRange.contains(option.layerNumber))
        throw UsageError(
            OutOfRangeMessage("--layer-depth", text, "the layer", kLayerNumberRange, option.layerNumber)
            + kLayerNumbering);
    if (!kBaseOrderRange.contains(base))
        throw UsageError(OutOfRangeMessage("--layer-depth", text, "the base order", kBaseOrderRange, base));
    if (!kSmoothRange.contains(smooth))
        throw UsageError(OutOfRangeMessage("--layer-depth", text, "the smoothness", kSmoothRange, smooth));
    option.baseOrder = static_cast<std::uint8_t>(base);
    option.smooth = static_cast<std::uint8_t>(smooth);
    return option;
}

bool EndsWithPsd(const std::string& path) {
    if (path.size() < 4) return false;
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return extension == ".psd" || extension == ".psb";
}

/// "N=..." of the depth map options: the layer number and the rest.
std::pair<int, std::string> LayerAndValue(
    const std::string& option, const std::string& text, const char* form) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) throw UsageError(option + " needs " + form + ", not '" + text + "'");
    const std::int32_t layer = Checked(ParseInteger, text.substr(0, equals));
    if (!kLayerNumberRange.contains(layer))
        throw UsageError(
            OutOfRangeMessage(option, text, "the layer", kLayerNumberRange, layer) + kLayerNumbering);
    return { layer, text.substr(equals + 1) };
}

int LayerNumber(const std::string& option, const std::string& text) {
    const std::int32_t layer = Checked(ParseInteger, text);
    if (!kLayerNumberRange.contains(layer))
        throw UsageError(
            OutOfRangeMessage(option, text, "the layer", kLayerNumberRange, layer) + kLayerNumbering);
    return layer;
}

/// The black and white points of --depth-range N=BLACK,WHITE (`typed`), each of 0 to 255.
std::pair<Fixed, Fixed> ParseDepthRange(const std::string& typed, const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        throw UsageError("--depth-range needs N=BLACK,WHITE, not '" + typed + "'");
    const std::pair<Fixed, Fixed> points { Checked(ParseFixed, text.substr(0, comma)),
        Checked(ParseFixed, text.substr(comma + 1)) };
    constexpr NumberRange grey = IntegerRange(0, 255);
    for (const auto& [quantity, point] :
        { std::pair { "the black point", points.first }, std::pair { "the white point", points.second } })
        if (!grey.contains(FromFixed(point)))
            throw UsageError(OutOfRangeMessage("--depth-range", typed, quantity, grey, FromFixed(point)));
    return points;
}

/// Joins --depth-invert and --depth-range to the --depth-image of their layer.
void JoinDepthImageOptions(BatchOptions& options, const std::map<int, bool>& inverted,
    const std::map<int, std::pair<std::string, std::pair<Fixed, Fixed>>>& ranges) {
    auto imageOf = [&options](int layer, const char* option) -> DepthImageOption& {
        for (DepthImageOption& image : options.depthImages)
            if (image.layerNumber == layer) return image;
        throw UsageError(std::string(option) + " " + std::to_string(layer) + ": layer "
            + std::to_string(layer) + " gets no --depth-image");
    };
    for (const auto& [layer, invert] : inverted) imageOf(layer, "--depth-invert").options.invert = invert;
    for (const auto& [layer, range] : ranges) {
        DepthImageOption& image = imageOf(layer, "--depth-range");
        image.options.blackPoint = range.second.first;
        image.options.whitePoint = range.second.second;
        try {
            CheckDepthMapOptions(image.options);
        } catch (const Error& e) {
            throw UsageError("--depth-range " + range.first + ": " + e.what());
        }
    }
}

// A number option is refused with the command line when the run would refuse it: its
// text as typed, what it is and the values it may take.
void CheckRange(const std::string& option, const std::string& text, const char* quantity,
    const NumberRange& range, long double kept) {
    if (!range.contains(kept)) throw UsageError(OutOfRangeMessage(option, text, quantity, range, kept));
}

// The print and sheet options, converted as the run converts them.
void CheckPrintOptions(const BatchOptions& o) {
    const auto fixedField = [](const std::string& text) { return FromFixed(Checked(ParseFieldFixed, text)); };
    const auto fixedFile = [](const std::string& text) { return FromFixed(Checked(ParseFixed, text)); };
    if (o.lpiText) CheckRange("--lpi", *o.lpiText, "the LPI", kLpiRange, fixedField(*o.lpiText));
    if (o.dpiText && !IsAutoDpiText(*o.dpiText))
        CheckRange("--dpi", *o.dpiText, "the DPI", kDpiRange, fixedField(*o.dpiText));
    if (o.widthText)
        CheckRange("--width", *o.widthText, "the print width in inches", kPrintInchesRange,
            Checked([](const std::string& text) { return ParseFieldReal(text); }, *o.widthText));
    if (o.heightText)
        CheckRange("--height", *o.heightText, "the sheet height in inches", kPrintInchesRange,
            Checked(ParseReal, *o.heightText));
    if (o.hScaleText)
        CheckRange("--hscale", *o.hScaleText, "H Scale", kHScaleRange, Checked(ParseInteger, *o.hScaleText));
    if (o.phaseText) CheckRange("--phase", *o.phaseText, "the phase", kPhaseRange, fixedFile(*o.phaseText));
    if (o.spanText)
        CheckRange("--span", *o.spanText, "the pitch span", kPitchSpanRange, fixedFile(*o.spanText));
    if (o.stepText)
        CheckRange("--step", *o.stepText, "the pitch step", kPitchStepRange, fixedFile(*o.stepText));
}

/// An option's value in inches, refused with its range when outside low .. high.
long double InchesInRange(const std::string& option, const std::string& text, const char* quantity,
    long double low, long double high) {
    const long double value = Checked(ParseReal, text);
    const NumberRange range { low, true, high, true };
    if (!range.contains(value))
        throw UsageError(OutOfRangeMessage(option, text, quantity, range, value, " inches"));
    return value;
}

bool IsNumber(const std::string& text) {
    try {
        ParseReal(text);
        return true;
    } catch (const ConvertError&) {
        return false;
    }
}

} // namespace

DepthImageOption ParseDepthImage(const std::string& text) {
    auto [layer, source] = LayerAndValue("--depth-image", text, "N=PATH");
    DepthImageOption image;
    image.layerNumber = layer;
    constexpr std::string_view wholeDocument = "@doc";
    if (source.size() > wholeDocument.size() && source.ends_with(wholeDocument)) {
        image.options.wholeDocument = true;
        source.resize(source.size() - wholeDocument.size());
    }
    const std::size_t hash = source.rfind('#');
    if (hash != std::string::npos && hash + 1 < source.size() && EndsWithPsd(source.substr(0, hash))) {
        image.layerName = source.substr(hash + 1);
        source.resize(hash);
    }
    if (source.empty()) throw UsageError("--depth-image needs N=PATH, not '" + text + "'");
    image.path = source;
    return image;
}

BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    std::map<int, bool> inverted;
    std::map<int, std::pair<std::string, std::pair<Fixed, Fixed>>> ranges; // as typed, and read
    auto value = [&](size_t& i) -> const std::string& {
        if (i + 1 >= arguments.size()) throw UsageError(arguments[i] + " needs a value");
        return arguments[++i];
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--version") {
            options.version = true;
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
            options.offsetArguments[row] = pair;
            Checked(ParseInteger, options.offsets[row]);
        } else if (a == "--gif") {
            options.gifPath = value(i);
        } else if (a == "--anaglyph") {
            options.anaglyphPath = value(i);
        } else if (a == "--jps") {
            options.jpsPath = value(i);
        } else if (a == "--interlace") {
            options.interlacePath = value(i);
        } else if (a == "--pitch-test") {
            options.pitchTestPath = value(i);
        } else if (a == "--lpi") {
            options.lpiText = value(i);
        } else if (a == "--dpi") {
            options.dpiText = value(i);
        } else if (a == "--width") {
            options.widthText = value(i);
        } else if (a == "--height") {
            options.heightText = value(i);
        } else if (a == "--hscale") {
            options.hScaleText = value(i);
        } else if (a == "--phase") {
            options.phaseText = value(i);
        } else if (a == "--span") {
            options.spanText = value(i);
        } else if (a == "--step") {
            options.stepText = value(i);
        } else if (a == "--compress") {
            options.compression = value(i);
            if (options.compression != "none" && options.compression != "lzw"
                && options.compression != "deflate")
                throw UsageError("--compress takes none, lzw or deflate, not '" + options.compression + "'");
        } else if (a == "--reverse") {
            options.reverse = true;
        } else if (a == "--phase-test") {
            options.phaseTest = true;
        } else if (a == "--bigtiff") {
            options.bigTiff = true;
        } else if (a == "--frames") {
            const std::string& text = value(i);
            options.frames = Checked(ParseInteger, text);
            if (!IsFrameCount(options.frames))
                throw UsageError(OutOfRangeMessage(
                    a, text, "the frame count", IntegerRange(kMinFrames, kMaxFrames), options.frames));
        } else if (a == "--lens") {
            const std::string& kind = value(i);
            if (kind != "vertical" && kind != "horizontal")
                throw UsageError("--lens takes vertical or horizontal, not '" + kind + "'");
            options.horizontalLenses = kind == "horizontal";
        } else if (a == "--marks") {
            options.marks = true;
            // The margin is optional: a number after --marks is it.
            if (i + 1 < arguments.size() && IsNumber(arguments[i + 1])) {
                const std::string& text = arguments[++i];
                options.marginInches
                    = InchesInRange(a, text, "the margin", kMinMarginInches, kMaxMarginInches);
            }
        } else if (a == "--bleed") {
            options.bleedText = value(i);
            options.bleedInches = InchesInRange(a, *options.bleedText, "the bleed", 0, kMaxBleedInches);
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
            map.layerText = value(i);
            map.layerNumber = Checked(ParseInteger, map.layerText);
            if (!kLayerNumberRange.contains(map.layerNumber))
                throw UsageError(OutOfRangeMessage("--depthmap", map.layerText, "the layer",
                                     kLayerNumberRange, map.layerNumber)
                    + kLayerNumbering);
            map.path = value(i);
            options.depthMaps.push_back(map);
        } else if (a == "--depthmap16") {
            options.depthMaps16 = true;
        } else if (a == "--depth-image") {
            DepthImageOption image = ParseDepthImage(value(i));
            for (const DepthImageOption& other : options.depthImages)
                if (other.layerNumber == image.layerNumber)
                    throw UsageError("--depth-image: layer " + std::to_string(image.layerNumber)
                        + " is given two depth maps");
            options.depthImages.push_back(image);
        } else if (a == "--depth-invert") {
            inverted[LayerNumber(a, value(i))] = true;
        } else if (a == "--depth-range") {
            const std::string& typed = value(i);
            const auto [layer, range] = LayerAndValue(a, typed, "N=BLACK,WHITE");
            ranges[layer] = { typed, ParseDepthRange(typed, range) };
        } else if (a == "--work") {
            options.workFolder = value(i);
        } else if (a == "--threads") {
            const std::string& text = value(i);
            const std::int32_t threads = Checked(ParseInteger, text);
            if (!IntegerRange(1, kMaxTaskThreads).contains(threads))
                throw UsageError(OutOfRangeMessage(
                    a, text, "the thread count", IntegerRange(1, kMaxTaskThreads), threads));
            options.threads = threads;
        } else if (!a.empty() && a[0] == '-') {
            throw UsageError("unknown option " + a);
        } else if (options.psdPath.empty()) {
            options.psdPath = a;
        } else {
            throw UsageError("more than one PSD given: " + options.psdPath + " and " + a);
        }
    }
    if (options.help || options.version) return options;
    JoinDepthImageOptions(options, inverted, ranges);
    if (options.depthMaps16 && options.depthMaps.empty())
        throw UsageError("--depthmap16 sets how --depthmap writes PNG files; give --depthmap N PATH.png");
    for (const DepthMapOption& map : options.depthMaps)
        if (options.depthMaps16 && !IsPngPath(map.path))
            throw UsageError(
                "--depthmap16: " + map.path + " is not a .png file; 16-bit depth maps are PNG files");
    CheckPrintOptions(options);
    if (options.marks && options.bleedInches > options.marginInches / 2)
        throw UsageError(OutOfRangeMessage("--bleed", *options.bleedText, "the bleed",
            NumberRange { 0, true, options.marginInches / 2, true }, options.bleedInches,
            " inches, half the margin, to leave room for the marks"));
    // A pitch test sheet needs no picture.
    const bool sheetOnly
        = !options.pitchTestPath.empty() && options.psdPath.empty() && options.projectPath.empty();
    if (!options.projectPath.empty()) {
        if (!options.psdPath.empty() || !options.settingsPath.empty())
            throw UsageError("--project names its own PSD: give no PSD and no --settings with it");
    } else if (options.psdPath.empty() && !sheetOnly) {
        throw UsageError("no PSD file given");
    }
    if (!sheetOnly && !options.info && options.dumpFolder.empty() && !options.needsViews()
        && options.saveSettingsPath.empty() && options.depthMaps.empty() && options.interlacePath.empty()
        && options.pitchTestPath.empty())
        throw UsageError(
            "nothing to do: give --info, --dump, --views, --gif, --anaglyph, --jps, --save-settings, "
            "--depthmap, --interlace or --pitch-test");
    return options;
}

} // namespace deptrix
