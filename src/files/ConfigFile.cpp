#include "files/ConfigFile.h"

#include "core/Document.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/PrintableText.h"
#include "core/TokenReader.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace deptrix {

namespace {

constexpr const char* kContactLine
    = "Deptrix 10.0  www.deptrix.example  support@deptrix.example  +1 555 0100";

// A damaged file may hold anything: messages show the start of a bad field only.
constexpr size_t kShownTokenBytes = 40;

constexpr const char* kReservedNames[]
    = { "reserved field 1", "reserved field 2", "reserved field 3", "reserved field 4", "reserved field 5" };

std::int32_t Low32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}
std::uint8_t Low8(std::int64_t v) {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(v));
}

bool OutOfRange(Fixed v, Fixed low, Fixed high) {
    return v < low || v > high;
}

} // namespace

ConfigLoad ParseConfigFields(const std::string& text) {
    TokenReader in(text);
    ConfigLoad result;
    ConfigValues& v = result.values;
    int line = 1;
    int position = 0;
    // Reads one field in file order; after a failure the later fields keep the values
    // of a new file.
    const auto field = [&](const char* name, auto read) {
        ++position;
        if (!result.complete) return;
        try {
            read();
        } catch (const Error&) {
            result.complete = false;
            result.field = std::string(name) + " (line " + std::to_string(line) + ", field "
                + std::to_string(position) + ")";
            std::string token = PrintableText(in.lastToken());
            if (token.size() > kShownTokenBytes) token = token.substr(0, kShownTokenBytes) + "...";
            result.problem = "'" + token + "' is not a number";
        }
    };
    for (size_t i = 0; i < v.Reserved.size(); ++i)
        field(kReservedNames[i], [&] { v.Reserved[i] = Low32(in.readInteger()); });
    field("language", [&] { v.Language = Low8(in.readInteger()); });
    field("depth", [&] { v.DepthFactor = ToFixed(in.readReal()); });
    in.skipLine();
    ++line;
    position = 0;
    field("LPI", [&] { v.Lpi = ToFixed(in.readReal()); });
    field("angles", [&] { v.Angles = Low32(in.readInteger()); });
    field("output DPI", [&] { v.OutDpi = ToFixed(in.readReal()); });
    field("output width", [&] { v.OutWidth = ToFixed(in.readReal()); });
    field("output height", [&] { v.OutHeight = ToFixed(in.readReal()); });
    field("colour mode", [&] { v.ColorMode = Low8(in.readInteger()); });
    field("H scale", [&] { v.HScale = Low8(in.readInteger()); });
    return result;
}

ConfigValues ParseConfig(const std::string& text) {
    const ConfigLoad load = ParseConfigFields(text);
    if (!load.complete) throw Error("Invalid numeric input");
    return load.values;
}

bool RepairConfig(ConfigValues& v) {
    const ConfigValues before = v;
    if (OutOfRange(v.Lpi, 90000, 1700000)) v.Lpi = 424775;
    if (OutOfRange(v.OutDpi, 1000000, 101600000)) v.OutDpi = 12000000;
    if (OutOfRange(v.OutWidth, 10000, 1000000)) v.OutWidth = 50000;
    if (OutOfRange(v.OutHeight, 10000, 1000000)) v.OutHeight = 50000;
    if (v.ColorMode > 2) v.ColorMode = 2;
    if (v.HScale == 0 || v.HScale > 32) v.HScale = 4;
    if (v.DepthFactor <= 0 || v.DepthFactor > 1000000) v.DepthFactor = 10000;
    return !(v == before);
}

std::string FormatConfig(const ConfigValues& v) {
    std::string text;
    for (std::int32_t field : v.Reserved) text += std::to_string(field) + " ";
    text += std::to_string(v.Language) + " " + FormatReal23(FromFixed(v.DepthFactor)) + "\r\n";
    text += FormatReal23(FromFixed(v.Lpi)) + " " + std::to_string(v.Angles) + " "
        + FormatReal23(FromFixed(v.OutDpi)) + " " + FormatReal23(FromFixed(v.OutWidth)) + " "
        + FormatReal23(FromFixed(v.OutHeight)) + " " + std::to_string(v.ColorMode) + " "
        + std::to_string(v.HScale) + "\r\n";
    text += std::string(kContactLine) + "\r\n";
    return text;
}

void ApplyConfig(const ConfigValues& v, Document& doc) {
    doc.DepthFactor = v.DepthFactor;
    doc.Lpi = v.Lpi;
    doc.Angles = v.Angles;
    doc.OutDpi = v.OutDpi;
    doc.OutWidth = v.OutWidth;
    doc.OutHeight = v.OutHeight;
    doc.ColorMode = v.ColorMode;
    doc.HScale = v.HScale;
}

void StoreConfig(const Document& doc, ConfigValues& v) {
    v.DepthFactor = doc.DepthFactor;
    v.Lpi = doc.Lpi;
    v.Angles = doc.Angles;
    v.OutDpi = doc.OutDpi;
    v.OutWidth = doc.OutWidth;
    v.OutHeight = doc.OutHeight;
    v.ColorMode = doc.ColorMode;
    v.HScale = doc.HScale;
}

ConfigValues ReadConfigFile(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path, 1 << 20);
    return ParseConfig(std::string(bytes.begin(), bytes.end()));
}

std::filesystem::path BadConfigCopyPath(const std::filesystem::path& path) {
    return path.parent_path() / (path.filename().string() + ".bad");
}

ConfigLoad LoadConfigFile(const std::filesystem::path& path) {
    const std::filesystem::path copy = BadConfigCopyPath(path);
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadFileBytes(path, 1 << 20);
    } catch (const Error& error) {
        ConfigLoad result;
        result.complete = false;
        result.problem = error.what();
        // What cannot be read cannot be copied: the file itself moves aside, and rename
        // replaces whatever is under the new name without following a link there.
        struct stat status { };
        if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            if (::rename(path.c_str(), copy.c_str()) == 0)
                result.keptCopy = copy;
            else
                result.copyProblem = std::generic_category().message(errno);
        }
        return result;
    }
    ConfigLoad result = ParseConfigFields(std::string(bytes.begin(), bytes.end()));
    if (!result.complete) {
        try {
            WriteFileAtomically(copy, bytes);
            result.keptCopy = copy;
        } catch (const Error& error) {
            result.copyProblem = error.what();
        }
    }
    return result;
}

std::string ConfigLoad::message(const std::filesystem::path& file) const {
    if (complete) return {};
    std::string text = "The configuration file " + DisplayName(file) + " in " + DisplayFolder(file)
        + " could not be read: ";
    if (field.empty())
        text += problem + ". The default settings are used";
    else
        text += "the field " + field + " is damaged: " + problem
            + ". The values before it were kept and the default settings taken for the rest";
    if (!keptCopy.empty())
        text += "; the unreadable file was kept as " + DisplayName(keptCopy) + ".";
    else if (!copyProblem.empty())
        text += "; no copy of the unreadable file could be kept (" + copyProblem + ").";
    else
        text += ".";
    return text;
}

void WriteConfigFile(const std::filesystem::path& path, const ConfigValues& values) {
    const std::string text = FormatConfig(values);
    WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace deptrix
