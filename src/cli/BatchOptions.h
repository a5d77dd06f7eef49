#pragma once

#include "core/Error.h"
#include "core/Fixed.h"
#include "core/LayerDepthMap.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace deptrix {

/// --layer-depth N=BASEORDER,SMOOTH,DEPTH: the outline parameters of layer number N.
struct LayerDepthOption {
    std::string text; ///< as typed, for messages
    int layerNumber = 0; ///< 1 the bottom layer
    std::uint8_t baseOrder = 7; ///< 0..15
    std::uint8_t smooth = 5; ///< 1..9
    Fixed depth = kFixedOne;
};

/// --depthmap N PATH: where to write the depth raster of layer number N.
struct DepthMapOption {
    std::string layerText; ///< N as typed, for messages
    int layerNumber = 0; ///< 1 the bottom layer
    std::string path;
};

/// --depth-image N=PATH[#LAYER][@doc] with --depth-invert N and --depth-range
/// N=BLACK,WHITE: a depth map picture for layer number N.
struct DepthImageOption {
    int layerNumber = 0; ///< 1 the bottom layer
    std::string path;
    std::string layerName; ///< a layer of a PSD or PSB; empty for its merged picture
    DepthMapOptions options;
};

/// What the batch front end was asked to do.
struct BatchOptions {
    bool help = false;
    bool version = false;
    bool info = false;
    std::string psdPath;
    std::string dumpFolder;
    std::string viewsFolder;
    std::optional<std::string> focusText; ///< as typed into the focus field
    std::optional<std::string> depthText; ///< as typed into the depth field
    std::map<int, std::string> offsets; ///< table row -> offset text
    std::map<int, std::string> offsetArguments; ///< table row -> ROW=PIXELS as typed, for messages
    std::string gifPath;
    std::string anaglyphPath;
    std::string jpsPath;
    std::string settingsPath; ///< applied after the import, as Open settings does
    std::string projectPath; ///< opened as Open project does, instead of a PSD
    std::string saveSettingsPath; ///< the set-up written as a settings file

    /// Whether a settings or project file sets the document up.
    bool setUpFromFile() const { return !settingsPath.empty() || !projectPath.empty(); }
    std::string linesPath; ///< line records to give the layers outlines
    std::vector<LayerDepthOption> layerDepths;
    std::vector<DepthMapOption> depthMaps;
    bool depthMaps16 = false; ///< --depthmap16: PNG depth maps with 16 bits per sample
    std::vector<DepthImageOption> depthImages;
    std::string workFolder; ///< kept afterwards; empty: a temporary folder
    std::optional<int> threads; ///< --threads; unset: one per core

    // Print files: the interlaced print and the pitch test sheet, with their settings
    // as typed (defaults: the configuration's).
    std::string interlacePath;
    std::string pitchTestPath;
    std::optional<std::string> lpiText;
    std::optional<std::string> dpiText; ///< a number or "auto"
    std::optional<std::string> widthText; ///< inches
    std::optional<std::string> heightText; ///< inches, pitch test only
    std::optional<std::string> hScaleText;
    std::optional<std::string> phaseText;
    std::optional<std::string> spanText;
    std::optional<std::string> stepText;
    std::string compression; ///< none, lzw or deflate; empty for none
    bool reverse = false;
    bool phaseTest = false;
    bool bigTiff = false;
    int frames = 0; ///< --frames; 0: the Angles value
    bool horizontalLenses = false; ///< --lens horizontal
    bool marks = false;
    long double marginInches = 0.25L; ///< --marks MARGIN
    long double bleedInches = 0;
    std::optional<std::string> bleedText; ///< as typed, for messages

    /// Whether the seven views have to be built.
    bool needsViews() const {
        return !viewsFolder.empty() || !gifPath.empty() || !anaglyphPath.empty() || !jpsPath.empty();
    }
};

/// A command line that asks for something impossible: an unknown option, a missing or
/// unreadable value, no PSD, a table row the picture does not have. The program
/// exits with status 2 for it, and 1 for a failure of the work itself.
class UsageError : public Error {
public:
    using Error::Error;
};

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

/// Parses the command line (without the program name). Throws UsageError with a
/// message for unknown options, missing values, values that are not numbers or lie
/// outside what they may be ("--lpi 0: the LPI must be above 0 and at most 1000"), and
/// a missing PSD or project.
BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments);

/// The value of --depth-image: "N=PATH", then "#LAYER" when the part before the last
/// "#" names a .psd or .psb file, and "@doc" at the end for a map over the whole
/// document. Throws UsageError for a value without a layer number or path.
DepthImageOption ParseDepthImage(const std::string& text);

/// The text of --help.
const char* BatchUsage();

} // namespace deptrix
