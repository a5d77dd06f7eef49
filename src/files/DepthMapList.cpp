#include "files/DepthMapList.h"

#include "core/Document.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/NumberText.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

namespace deptrix {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr std::uint64_t kMaxListBytes = 1u << 20;

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

/// The fields of one line, read left to right.
class LineFields {
public:
    LineFields(std::string_view line, const std::string& where)
        : m_line(line)
        , m_where(where) { }

    std::string word() {
        skipBlanks();
        const std::size_t start = m_at;
        while (m_at < m_line.size() && m_line[m_at] != ' ' && m_line[m_at] != '\t') ++m_at;
        if (start == m_at) throw fail("a field is missing");
        return std::string(m_line.substr(start, m_at - start));
    }

    std::string quoted(bool optional) {
        skipBlanks();
        if (m_at >= m_line.size() && optional) return {};
        if (m_at >= m_line.size() || m_line[m_at] != '"') throw fail("a quoted name is missing");
        std::string text;
        for (++m_at; m_at < m_line.size(); ++m_at) {
            char c = m_line[m_at];
            if (c == '"') {
                ++m_at;
                return text;
            }
            if (c == '\\' && m_at + 1 < m_line.size()) c = m_line[++m_at];
            text += c;
        }
        throw fail("a quoted name is not closed");
    }

    void end() {
        skipBlanks();
        if (m_at < m_line.size()) throw fail("more fields than a line holds");
    }

    Error fail(const std::string& problem) const { return Error(m_where + ": " + problem); }

private:
    void skipBlanks() {
        while (m_at < m_line.size() && (m_line[m_at] == ' ' || m_line[m_at] == '\t')) ++m_at;
    }

    std::string_view m_line;
    const std::string& m_where;
    std::size_t m_at = 0;
};

DepthMapListEntry ParseLine(std::string_view line, const std::string& where) {
    LineFields fields(line, where);
    DepthMapListEntry entry;
    try {
        const std::int32_t layer = ParseInteger(fields.word());
        if (layer < 0) throw fields.fail("the layer index " + std::to_string(layer) + " is below 0");
        entry.layer = static_cast<std::size_t>(layer);
        const std::string invert = fields.word();
        if (invert != "0" && invert != "1") throw fields.fail("invert is 0 or 1, not '" + invert + "'");
        entry.options.invert = invert == "1";
        entry.options.blackPoint = ParseFixed(fields.word());
        entry.options.whitePoint = ParseFixed(fields.word());
    } catch (const ConvertError& e) {
        throw fields.fail(e.what());
    }
    const std::string fit = fields.word();
    if (fit != "layer" && fit != "doc") throw fields.fail("the fit is 'layer' or 'doc', not '" + fit + "'");
    entry.options.wholeDocument = fit == "doc";
    try {
        entry.options.marginColumns = ParseInteger(fields.word());
    } catch (const ConvertError& e) {
        throw fields.fail(e.what());
    }
    try {
        CheckDepthMapOptions(entry.options);
    } catch (const Error& e) {
        throw fields.fail(e.what());
    }
    entry.path = std::filesystem::path(fields.quoted(false));
    if (entry.path.empty()) throw fields.fail("the picture's path is empty");
    entry.layerName = fields.quoted(true);
    fields.end();
    return entry;
}

} // namespace

std::filesystem::path DepthMapListPath(const std::filesystem::path& setupPath) {
    std::filesystem::path path = setupPath;
    path += ".depth";
    return path;
}

std::string FormatDepthMapList(const Document& doc, const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::absolute(folder, error).lexically_normal();
    std::string text;
    for (std::size_t i = 0; i < doc.LayerDepthMaps.size() && i < doc.Layers.size(); ++i) {
        const LayerDepthMap* map = doc.depthMapOf(i);
        if (!map) continue;
        std::filesystem::path path = std::filesystem::absolute(map->path, error).lexically_normal();
        const std::filesystem::path relative = path.lexically_relative(base);
        if (!error && !relative.empty()) path = relative;
        const std::string written = path.generic_string();
        if (written.find_first_of("\r\n") != std::string::npos
            || map->layerName.find_first_of("\r\n") != std::string::npos)
            throw Error("The depth map of layer " + std::to_string(i + 1)
                + " has a line break in its name and cannot be stored: " + written);
        text.append(std::to_string(i)).append(" ").append(map->options.invert ? "1" : "0").append(" ");
        text.append(FormatFixed(map->options.blackPoint))
            .append(" ")
            .append(FormatFixed(map->options.whitePoint));
        text.append(map->options.wholeDocument ? " doc " : " layer ");
        text.append(std::to_string(map->options.marginColumns)).append(" ");
        text.append(Quoted(written)).append(" ").append(Quoted(map->layerName)).append(kLineEnd);
    }
    return text;
}

std::vector<DepthMapListEntry> ParseDepthMapList(std::string_view text, const std::string& fileName) {
    std::vector<DepthMapListEntry> entries;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        entries.push_back(ParseLine(line, fileName + " line " + std::to_string(number)));
    }
    return entries;
}

void SaveDepthMapList(const std::filesystem::path& setupPath, const Document& doc) {
    const std::filesystem::path path = DepthMapListPath(setupPath);
    const std::string text = FormatDepthMapList(doc, setupPath.parent_path());
    if (!text.empty()) {
        WriteFileAtomically(path, { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() });
        return;
    }
    // unlink() removes a link planted under the name, never what it points to.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw Error(DisplayName(path) + ": cannot remove the depth maps of an earlier save ("
            + std::generic_category().message(errno) + ")");
}

DepthMapListResult ApplyDepthMapList(
    const std::filesystem::path& setupPath, Document& doc, const DepthPictureReader& readPicture) {
    DepthMapListResult result;
    const std::filesystem::path path = DepthMapListPath(setupPath);
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        // The settings' outlines win over a map their layer kept.
        for (std::size_t i = 0; i < doc.LayerDepthMaps.size(); ++i)
            if (doc.depthMapOf(i) && doc.hasLines(i)) doc.clearDepthMap(i);
        return result;
    }
    result.found = true;
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path, kMaxListBytes);
    const std::vector<DepthMapListEntry> entries = ParseDepthMapList(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), DisplayName(path));

    for (std::size_t i = 0; i < doc.LayerDepthMaps.size(); ++i) doc.clearDepthMap(i);
    const std::filesystem::path folder = setupPath.parent_path();
    for (const DepthMapListEntry& entry : entries) {
        const std::filesystem::path picture = entry.path.is_absolute() ? entry.path : folder / entry.path;
        try {
            if (entry.layer >= doc.Layers.size())
                throw Error(DisplayName(path) + ": there is no layer index " + std::to_string(entry.layer)
                    + " for the depth map " + entry.path.generic_string());
            if (!std::filesystem::exists(picture, error))
                throw Error(DisplayName(picture) + ": the depth map of layer "
                    + std::to_string(entry.layer + 1) + " is missing (looked for in " + DisplayFolder(picture)
                    + ")");
            doc.setDepthMap(entry.layer,
                MakeLayerDepthMap(
                    readPicture(picture, entry.layerName), picture, entry.layerName, entry.options));
            ++result.applied;
        } catch (const Error& e) {
            result.problems.emplace_back(e.what());
        }
    }
    return result;
}

} // namespace deptrix
