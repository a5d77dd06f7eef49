#include "files/SetupFileReader.h"

#include "core/Document.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/Version.h"
#include "files/FieldRules.h"
#include "files/SetupTarget.h"

#include <algorithm>
#include <limits>

namespace deptrix {

namespace {

constexpr int kFirstOffsetLayers = 3; // line 3 of variants 39300 and 3099 names three layers

// Each stored line entry, empty or not, costs a few dozen bytes. A sound file spends
// at least eight bytes on every line it describes, so a line index that would give the
// store more entries than this is a damaged file, not a drawing.
size_t MaxLineEntries(size_t fileSize) {
    return 1024 + fileSize / 8;
}

// A point takes at least two bytes of text; a few more may be missing at the very end
// of the file, where they read as 0.
size_t MaxPoints(size_t bytesLeft) {
    return bytesLeft / 2 + 16;
}

std::uint8_t Low8(std::int32_t value) {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(value));
}

std::int32_t Saturate32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::string FileNameOf(const std::string& path) {
    const auto name = std::filesystem::path(path).filename().u8string();
    return std::string(name.begin(), name.end());
}

} // namespace

// The reading of lines 2 to the end of one file, in the order the values arrive.
class SetupFileReader::Body {
public:
    Body(TokenReader& in, const std::string& fileName, size_t fileSize, SetupKind kind, Document& doc,
        SetupTarget& fields)
        : m_in(in)
        , m_fileName(fileName)
        , m_fileSize(fileSize)
        , m_kind(kind)
        , m_doc(doc)
        , m_fields(fields)
        , m_layers(static_cast<std::int32_t>(doc.Layers.size())) { }

    void read() {
        readParameters();
        m_doc.LayerLines.assign(static_cast<size_t>(m_layers), LineSet(kOrderCount));
        m_entries = 0;
        // A file that ends after its parameters has no body and no lines; reading on
        // would store a line made of the zeros that missing fields read as.
        if (m_in.onlyBlanksLeft()) return;

        const std::int32_t variant = readInt();
        m_recordAt = m_in.position();
        const std::int32_t a = readInt();
        const std::int32_t b = readInt();
        const std::int32_t c = readInt();
        m_in.skipLine();
        if (m_kind == SetupKind::Settings && (variant == kFullSetupAgain || variant == kFullSetupLong))
            failRecord(
                "this is a project file (variant " + std::to_string(variant) + "); open it as a project");

        if (variant == kFullSetupLong && m_kind == SetupKind::Project) {
            for (int i = 0; i < 4; ++i) m_in.skipLine();
            readOutputAndLayers();
        } else if (variant == kOffsetsOnly || variant == kOffsetsAndOutlines) {
            readOffsets(variant, a, b, c);
            if (variant == kOffsetsAndOutlines) readOutlineParameters();
        } else if (variant == kFullSetup || (variant == kFullSetupAgain && m_kind == SetupKind::Project)) {
            for (int i = 0; i < 3; ++i) m_in.skipLine();
            readOutputAndLayers();
        } else {
            // No body: line 3 already heads the first line record, which is stored
            // whatever its last point index.
            if (c < -1) failRecord("the first line's last point index " + std::to_string(c) + " is below -1");
            storeRecord(variant, a, b, c, false);
        }

        const bool scaled = m_kind == SetupKind::Project && variant == kOffsetsOnly;
        while (!m_in.atEnd()) {
            const std::int32_t layer = readInt();
            m_recordAt = m_in.position();
            const std::int32_t order = readInt();
            const std::int32_t line = readInt();
            const std::int32_t last = readInt();
            m_in.skipLine();
            if (last >= 1) storeRecord(layer, order, line, last, scaled);
        }
    }

private:
    [[noreturn]] void failAt(size_t position, const std::string& problem) const {
        throw Error(m_fileName + ", line " + std::to_string(m_in.lineNumberAt(position)) + ": " + problem);
    }
    [[noreturn]] void fail(const std::string& problem) const { failAt(m_in.position(), problem); }
    // A refusal of the record (or variant) whose header was read last.
    [[noreturn]] void failRecord(const std::string& problem) const { failAt(m_recordAt, problem); }

    std::int32_t readInt() {
        std::int64_t value = 0;
        try {
            value = m_in.readInteger();
        } catch (const Error& error) {
            fail(error.what());
        }
        if (value < std::numeric_limits<std::int32_t>::min()
            || value > std::numeric_limits<std::int32_t>::max())
            fail("Invalid numeric input");
        return static_cast<std::int32_t>(value);
    }

    Fixed readFixed() {
        try {
            return ToFixed(m_in.readReal());
        } catch (const Error& error) {
            fail(error.what());
        }
    }

    // Line 2; each value takes effect as it is read.
    void readParameters() {
        const Fixed fileLpi = readFixed();
        m_doc.Angles = readInt();
        m_doc.FocusRow = readInt();
        m_doc.DepthFactor = readFixed();
        m_in.skipLine();
        // Settings show the LPI in effect; a project shows its own, which takes effect
        // when the field is next read.
        m_fields.setLpiText(FormatFixed(m_kind == SetupKind::Project ? fileLpi : m_doc.Lpi));
        m_fields.setFocusText(std::to_string(m_doc.FocusRow));
        m_fields.setDepthText(FormatFixed(m_doc.DepthFactor));
    }

    void setOffset(std::int32_t layer, std::int32_t offset) {
        m_fields.setOffsetCell(m_layers - layer, std::to_string(offset));
    }

    void readOffsets(std::int32_t variant, std::int32_t a, std::int32_t b, std::int32_t c) {
        if (m_layers < kFirstOffsetLayers)
            failRecord("variant " + std::to_string(variant)
                + " gives offsets of three layers, but the picture has " + std::to_string(m_layers));
        setOffset(0, a);
        setOffset(1, b);
        setOffset(2, c);
        for (std::int32_t layer = kFirstOffsetLayers; layer < m_layers; ++layer) {
            setOffset(layer, readInt());
            m_in.skipLine();
        }
    }

    void readOutlineParameters() {
        for (std::int32_t i = 0; i < m_layers; ++i) {
            LayerRecord& layer = m_doc.Layers[static_cast<size_t>(i)];
            layer.BaseOrder = Low8(readInt());
            layer.Smooth = Low8(readInt());
            layer.Depth = readFixed();
            m_in.skipLine();
        }
    }

    // The output settings line, then one offset per layer and the outline parameters.
    void readOutputAndLayers() {
        m_doc.OutDpi = readFixed();
        m_doc.OutWidth = readFixed();
        m_doc.OutHeight = readFixed();
        m_doc.ColorMode = Low8(readInt());
        m_doc.HScale = Low8(readInt());
        m_in.skipLine();
        m_fields.setDpiText(DpiFieldText(m_doc.OutDpi));
        m_fields.setWidthText(FormatFixed(m_doc.OutWidth));
        m_fields.setHeightText(FormatFixed(m_doc.OutHeight));
        m_fields.setColorModeIndex(m_doc.ColorMode);
        m_fields.setHScaleText(std::to_string(m_doc.HScale));
        for (std::int32_t layer = 0; layer < m_layers; ++layer) {
            setOffset(layer, readInt());
            m_in.skipLine();
        }
        readOutlineParameters();
    }

    LinePoint readPoint(bool scaled) {
        LinePoint point;
        point.x = readInt();
        point.y = readInt();
        if (scaled) {
            point.x = Saturate32(Round(12.0L * point.x / 7.0L));
            point.y = Saturate32(Round(12.0L * point.y / 7.0L));
        }
        return point;
    }

    // A record's line goes to position `line` of its order, whose list is cut or
    // grown to line + 1 entries first.
    void storeRecord(
        std::int32_t layer, std::int32_t order, std::int32_t line, std::int32_t last, bool scaled) {
        if (layer < 0 || layer >= m_layers)
            failRecord("the line record names layer " + std::to_string(layer) + ", but the picture has "
                + std::to_string(m_layers) + " layers");
        if (order < 0 || order >= kOrderCount)
            failRecord("the line record names order index " + std::to_string(order) + " (0 to 14 exist)");
        if (line < 0) failRecord("the line record has the negative line index " + std::to_string(line));
        OrderLines& lines = m_doc.LayerLines[static_cast<size_t>(layer)][static_cast<size_t>(order)];
        const size_t wanted = static_cast<size_t>(line) + 1;
        const size_t entries = m_entries - lines.size() + wanted;
        if (entries > MaxLineEntries(m_fileSize))
            failRecord("the line index " + std::to_string(line) + " is more than the file can hold");
        const size_t count = static_cast<size_t>(static_cast<std::int64_t>(last) + 1);
        if (count > MaxPoints(m_in.remaining()))
            failRecord(
                "the line record announces " + std::to_string(count) + " points, more than the file holds");

        Line points;
        points.reserve(count);
        for (size_t i = 0; i < count; ++i) points.push_back(readPoint(scaled));
        lines.resize(wanted);
        lines[static_cast<size_t>(line)] = std::move(points);
        m_entries = entries;
        m_doc.Layers[static_cast<size_t>(layer)].Group = kGroupOutlineStale;
        m_fields.setGroupCell(m_layers - layer, "+");
    }

    TokenReader& m_in;
    const std::string& m_fileName;
    size_t m_fileSize;
    SetupKind m_kind;
    Document& m_doc;
    SetupTarget& m_fields;
    std::int32_t m_layers;
    size_t m_entries = 0; // line entries in the whole store
    size_t m_recordAt = 0; // where the last header was read
};

SetupFileReader::SetupFileReader(std::string text, std::string fileName)
    : m_size(text.size())
    , m_in(std::move(text))
    , m_fileName(std::move(fileName)) { }

SetupFileReader SetupFileReader::FromFile(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path, kMaxSetupFileBytes);
    return SetupFileReader(std::string(bytes.begin(), bytes.end()), DisplayName(path));
}

std::string SetupFileReader::readImageLine() {
    return m_in.readLine();
}

void SetupFileReader::apply(SetupKind kind, Document& doc, SetupTarget& fields) {
    // The editor's set follows the store whether or not the reading got to the end.
    struct EditLinesFollow {
        Document& doc;
        ~EditLinesFollow() {
            const auto k = static_cast<size_t>(doc.SelectedLayer);
            if (doc.SelectedLayer >= 0 && k < doc.LayerLines.size())
                doc.EditLines = doc.LayerLines[k];
            else
                doc.EditLines.clear();
        }
    } follow { doc };
    Body(m_in, m_fileName, m_size, kind, doc, fields).read();
}

void OpenSettingsFile(const std::filesystem::path& path, Document& doc, SetupTarget& fields) {
    if (!doc.DocumentLoaded)
        throw Error(DisplayName(path) + ": settings apply to an imported picture; import a PSD first");
    fields.setDepthText(kEmptyDepthText);
    SetupFileReader reader = SetupFileReader::FromFile(path);
    reader.readImageLine();
    reader.apply(SetupKind::Settings, doc, fields);
    fields.setCaption(
        std::string("Deptrix ") + kVersion + "   " + FileNameOf(doc.PsdPath) + "    " + DisplayName(path));
}

std::filesystem::path ProjectImagePath(
    const std::filesystem::path& projectPath, const std::string& imageLine) {
    const std::filesystem::path folder = projectPath.parent_path();
    const auto inFolder = [&folder](std::string_view name) {
        return folder / std::filesystem::path(std::u8string(name.begin(), name.end()));
    };
    const auto after = [](std::string_view text, const char* separators) {
        const size_t separator = text.find_last_of(separators);
        return separator == std::string_view::npos ? text : text.substr(separator + 1);
    };
    // A name may hold ':' or a backslash where the system allows them ("we:ird.psd"
    // saved here): the whole name after the last '/', then what follows its last
    // backslash, is taken when the folder holds such a file; otherwise the name is cut
    // at any separator, as a path written on Windows needs.
    const std::string_view afterSlash = after(imageLine, "/");
    for (const std::string_view name : { afterSlash, after(afterSlash, "\\") }) {
        std::error_code error;
        if (!name.empty() && name != "." && name != ".."
            && std::filesystem::is_regular_file(inFolder(name), error))
            return inFolder(name);
    }
    return inFolder(after(imageLine, "\\/:"));
}

ProjectOpenResult OpenProjectFile(
    const std::filesystem::path& path, Document& doc, SetupTarget& fields, const ImportImage& importImage) {
    fields.setDepthText(kEmptyDepthText);
    SetupFileReader reader = SetupFileReader::FromFile(path);
    ProjectOpenResult result;
    result.imagePath = ProjectImagePath(path, reader.readImageLine());
    std::error_code error;
    if (!std::filesystem::is_regular_file(result.imagePath, error)) return result;
    importImage(result.imagePath);
    reader.apply(SetupKind::Project, doc, fields);
    fields.setCaption("Deptrix10.0    " + DisplayName(result.imagePath) + "    " + DisplayName(path));
    fields.beep();
    result.opened = true;
    return result;
}

} // namespace deptrix
