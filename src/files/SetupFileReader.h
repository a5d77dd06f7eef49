#pragma once

#include "core/TokenReader.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace deptrix {

struct Document;
class SetupTarget;

/// Settings apply to the document already loaded; a project first imports the image
/// it names and knows two more variants of the body (39551 and 99100) and scales the
/// points of variant 39300.
enum class SetupKind { Settings, Project };

/// Variants of the body, selected by the first number of the third line.
inline constexpr std::int32_t kOffsetsOnly = 39300;
inline constexpr std::int32_t kOffsetsAndOutlines = 3099;
inline constexpr std::int32_t kFullSetup = 39550;
inline constexpr std::int32_t kFullSetupAgain = 39551; ///< projects only, read as kFullSetup
inline constexpr std::int32_t kFullSetupLong = 99100; ///< projects only, four text lines

/// Files larger than this are refused before anything is read.
inline constexpr std::uint64_t kMaxSetupFileBytes = 32u << 20;

/// Reads one settings or project file: the first line (the image), then everything
/// after it into the document and the fields. Every value is applied as soon as it is
/// read, so what precedes a failure stays applied. Failures throw Error naming the
/// file and, where it helps, the line: "Invalid numeric input" for a field that is
/// not a number, and refusals of what the document cannot hold (a layer or order that
/// does not exist, a line index or point count larger than the file could describe,
/// offsets for three layers in a document of fewer).
class SetupFileReader {
public:
    SetupFileReader(std::string text, std::string fileName);

    /// Reads the file; throws Error naming it when it cannot be read or is too large.
    static SetupFileReader FromFile(const std::filesystem::path& path);

    /// Line 1: the path of the image the file belongs to.
    std::string readImageLine();

    /// Lines 2 to the end: the parameters, the body of the variant and the line
    /// records. The line store is rebuilt with one set of 15 orders per layer. At the
    /// end, also when reading failed, EditLines becomes the set of SelectedLayer.
    void apply(SetupKind kind, Document& doc, SetupTarget& fields);

private:
    class Body;

    size_t m_size;
    TokenReader m_in;
    std::string m_fileName;
};

/// Open settings: applies the file to the imported document (a document must be
/// imported) and shows "Deptrix 10.0   <image>    <settings file>" as the caption.
void OpenSettingsFile(const std::filesystem::path& path, Document& doc, SetupTarget& fields);

inline constexpr const char* kImageMissingMessage = "Can not found the specified psd file!";

/// Whether the project's image was found, and where it was looked for.
struct ProjectOpenResult {
    bool opened = false;
    std::filesystem::path imagePath;
};

/// Imports the image at the path into the document, as the window's import does.
using ImportImage = std::function<void(const std::filesystem::path& psdPath)>;

/// The image a project belongs to, looked up in the project's own folder: the part of
/// its first line after the last '/' when the folder holds a file of that name, else
/// what follows the last backslash of that part when the folder holds that, else the
/// part after the last backslash, '/' or ':' (a path written on Windows).
std::filesystem::path ProjectImagePath(
    const std::filesystem::path& projectPath, const std::string& imageLine);

/// Open project: reads the image line, imports that image from the project's folder
/// (not opened, and nothing changed but the depth text, when it is not there),
/// applies the rest of the file, then shows "Deptrix10.0    <image>    <project>" as
/// the caption and beeps.
ProjectOpenResult OpenProjectFile(
    const std::filesystem::path& path, Document& doc, SetupTarget& fields, const ImportImage& importImage);

} // namespace deptrix
