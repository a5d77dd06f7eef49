#include "files/SetupFileWriter.h"

#include "core/Document.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/NumberText.h"
#include "files/FieldRules.h"
#include "files/SetupFileReader.h"
#include "files/SetupTarget.h"

#include <cstdio>

namespace deptrix {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr size_t kPointsPerTextLine = 10;

Fixed FixedOrDefault(const std::string& text, Fixed fallback) {
    return text.empty() ? fallback : ParseFieldFixed(text);
}

// The value with its four decimals written out, a blank before positive values.
std::string DecimalText(Fixed value) {
    const std::uint64_t magnitude
        = value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
    char decimals[8];
    std::snprintf(decimals, sizeof decimals, "%04u", static_cast<unsigned>(magnitude % 10000));
    std::string text(1, value < 0 ? '-' : ' ');
    return text.append(std::to_string(magnitude / 10000)).append(".").append(decimals);
}

const LineSet& LinesOfLayer(const Document& doc, size_t layer, const LineSet* editedLines) {
    static const LineSet kNone;
    if (editedLines && !editedLines->empty() && static_cast<std::int64_t>(layer) == doc.SelectedLayer)
        return *editedLines;
    return layer < doc.LayerLines.size() ? doc.LayerLines[layer] : kNone;
}

void AppendLineRecords(std::string& text, size_t layer, const LineSet& set) {
    for (size_t order = 0; order < set.size() && order < static_cast<size_t>(kOrderCount); ++order) {
        const OrderLines& lines = set[order];
        for (size_t index = 0; index < lines.size(); ++index) {
            const Line& line = lines[index];
            if (line.size() < 2) continue; // a record of fewer points is skipped when read
            text.append(std::to_string(layer)).append(" ").append(std::to_string(order)).append(" ");
            text.append(std::to_string(index)).append(" ").append(std::to_string(line.size() - 1));
            text.append(kLineEnd);
            for (size_t p = 0; p < line.size(); ++p) {
                text.append(std::to_string(line[p].x)).append(" ").append(std::to_string(line[p].y));
                const bool lineFull = (p + 1) % kPointsPerTextLine == 0 || p + 1 == line.size();
                text.append(lineFull ? kLineEnd : " ");
            }
        }
    }
}

} // namespace

std::string FormatFileReal(Fixed value) {
    const std::string compact = FormatReal23(FromFixed(value));
    if (ToFixed(ParseReal(compact)) == value) return compact;
    return DecimalText(value);
}

Fixed FieldLpi(const Document& doc, const SetupTarget& fields) {
    return FixedOrDefault(fields.lpiText(), doc.Lpi);
}

std::string FormatSetupFile(const Document& doc, const SetupTarget& fields, const LineSet* editedLines) {
    if (doc.PsdPath.find_first_of("\r\n") != std::string::npos)
        throw Error("The path of the PSD holds a line break and cannot be stored: " + doc.PsdPath);
    const size_t layers = doc.Layers.size();
    const int rows = static_cast<int>(layers);

    // Every field is read before anything is built, so a bad one fails the save whole.
    const Fixed lpi = FieldLpi(doc, fields);
    const std::string dpiText = fields.dpiText();
    const Fixed dpi = dpiText.empty() ? doc.OutDpi : DpiFromField(dpiText);
    const Fixed width = FixedOrDefault(fields.widthText(), doc.OutWidth);
    const Fixed height = FixedOrDefault(fields.heightText(), doc.OutHeight);
    const int colorMode = fields.colorModeIndex() >= 0 ? fields.colorModeIndex() : doc.ColorMode;
    const std::string hScaleText = fields.hScaleText();
    const std::int32_t hScale = hScaleText.empty() ? doc.HScale : ParseInteger(hScaleText);
    std::vector<std::int32_t> offsets(layers);
    for (size_t i = 0; i < layers; ++i)
        offsets[i] = ParseInteger(fields.offsetCell(rows - static_cast<int>(i)));

    std::string text;
    text.append(doc.PsdPath).append(kLineEnd);
    text.append(FormatFileReal(lpi)).append(" ").append(std::to_string(doc.Angles)).append(" ");
    text.append(std::to_string(doc.FocusRow)).append(" ").append(FormatFileReal(doc.DepthFactor));
    text.append(kLineEnd);
    text.append(std::to_string(kFullSetup)).append(" 0 0 0").append(kLineEnd);
    // Three lines the reader passes over: the program, the picture's size in source
    // pixels and its proportions.
    text.append("Deptrix 10.0").append(kLineEnd);
    text.append(std::to_string(doc.SourceWidth)).append(" x ").append(std::to_string(doc.SourceHeight));
    text.append(kLineEnd);
    text.append(FormatFileReal(doc.AspectRatio)).append(kLineEnd);
    text.append(FormatFileReal(dpi)).append(" ").append(FormatFileReal(width)).append(" ");
    text.append(FormatFileReal(height)).append(" ").append(std::to_string(colorMode)).append(" ");
    text.append(std::to_string(hScale)).append(kLineEnd);
    for (const std::int32_t offset : offsets) text.append(std::to_string(offset)).append(kLineEnd);
    for (const LayerRecord& layer : doc.Layers) {
        text.append(std::to_string(layer.BaseOrder)).append(" ").append(std::to_string(layer.Smooth));
        text.append(" ").append(FormatFileReal(layer.Depth)).append(kLineEnd);
    }
    for (size_t i = 0; i < layers; ++i) AppendLineRecords(text, i, LinesOfLayer(doc, i, editedLines));
    return text;
}

void SaveSetupFile(const std::filesystem::path& path, const Document& doc, const SetupTarget& fields,
    const LineSet* editedLines) {
    const std::string text = FormatSetupFile(doc, fields, editedLines);
    WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace deptrix
