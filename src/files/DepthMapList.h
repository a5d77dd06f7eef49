#pragma once

#include "core/GreyPicture.h"
#include "core/LayerDepthMap.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace deptrix {

struct Document;

/// The depth maps of a settings or project file live beside it in a file of the same
/// name with ".depth" added (scene.tw3d2.depth), so the file itself stays as other
/// readers know it. One line per layer with a map, CR LF ended:
///
///     LAYER INVERT BLACK WHITE FIT MARGIN "PATH" "PSDLAYER"
///
/// LAYER the layer index (0 the bottom layer), INVERT 0 or 1, BLACK and WHITE the
/// range as decimal numbers on the 0..255 scale, FIT "layer" or "doc" (stretched over
/// the layer's box or the whole document), MARGIN the margin columns the picture
/// carries each side (0 but for exported maps), PATH the picture relative to the
/// file's folder (or absolute), PSDLAYER the layer of a PSD used, empty for its merged
/// picture and may be left out. Within the quotes a backslash escapes a quote or a
/// backslash.
std::filesystem::path DepthMapListPath(const std::filesystem::path& setupPath);

/// One line of the file.
struct DepthMapListEntry {
    std::size_t layer = 0;
    DepthMapOptions options;
    std::filesystem::path path; ///< as written: relative to the file's folder, or absolute
    std::string layerName;
};

/// The file's text for the document's maps, paths relative to `folder` where they can be.
std::string FormatDepthMapList(const Document& doc, const std::filesystem::path& folder);

/// The lines of a file; blank lines are skipped. Throws Error "<file> line N: <problem>"
/// for a line that does not follow the format or options out of range.
std::vector<DepthMapListEntry> ParseDepthMapList(std::string_view text, const std::string& fileName);

/// Writes the side file of `setupPath` when the document has depth maps (under a
/// temporary name, renamed into place); without maps, a side file left there by an
/// earlier save is removed, so that opening the file does not bring back maps that
/// were cleared. Throws Error naming the file.
void SaveDepthMapList(const std::filesystem::path& setupPath, const Document& doc);

/// Decodes a depth map picture (ReadGreyPicture in the window and the batch front end).
using DepthPictureReader
    = std::function<GreyPicture(const std::filesystem::path& path, const std::string& layerName)>;

/// What opening a settings or project file did with its side file.
struct DepthMapListResult {
    bool found = false; ///< the file has a side file
    int applied = 0; ///< maps given to layers
    std::vector<std::string> problems; ///< one message per map that could not be used
};

/// After a settings or project file is applied: with a side file, every map of the
/// document is replaced by the file's (a layer not in it has none, and one that gets a
/// map loses its outlines); a map whose picture is missing or cannot be read, or whose
/// layer does not exist or cannot take a map, is left out with a message naming it, its
/// layer stays as the settings left it and nothing else fails. Without a side file the
/// maps stay, except on layers the settings gave outlines to. Throws Error naming the
/// side file, before anything changes, when it cannot be read or breaks the format.
DepthMapListResult ApplyDepthMapList(
    const std::filesystem::path& setupPath, Document& doc, const DepthPictureReader& readPicture);

} // namespace deptrix
