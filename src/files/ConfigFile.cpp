#include "files/ConfigFile.h"

#include "core/Document.h"
#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/TokenReader.h"

#include <vector>

namespace deptrix {

namespace {

constexpr const char* kContactLine
    = "Deptrix 10.0  www.deptrix.example  support@deptrix.example  +1 555 0100";

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

ConfigValues ParseConfig(const std::string& text) {
    TokenReader in(text);
    ConfigValues v;
    for (auto& field : v.Reserved) field = Low32(in.readInteger());
    v.Language = Low8(in.readInteger());
    v.DepthFactor = ToFixed(in.readReal());
    in.skipLine();
    v.Lpi = ToFixed(in.readReal());
    v.Angles = Low32(in.readInteger());
    v.OutDpi = ToFixed(in.readReal());
    v.OutWidth = ToFixed(in.readReal());
    v.OutHeight = ToFixed(in.readReal());
    v.ColorMode = Low8(in.readInteger());
    v.HScale = Low8(in.readInteger());
    return v;
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

void WriteConfigFile(const std::filesystem::path& path, const ConfigValues& values) {
    const std::string text = FormatConfig(values);
    WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace deptrix
