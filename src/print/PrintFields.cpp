#include "print/PrintFields.h"

#include "core/NumberText.h"
#include "files/ConfigFile.h"

#include <algorithm>
#include <cctype>

namespace deptrix {

bool IsAutoDpiText(const std::string& text) {
    std::string plain;
    for (const char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            plain += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return plain.empty() || plain == "(auto)" || plain == "auto";
}

PrintFieldValues ReadPrintFields(const PrintFieldTexts& texts) {
    PrintFieldValues values;
    values.lpi = ParseFieldFixed(texts.lpi);
    values.outDpi = IsAutoDpiText(texts.dpi) ? kAutoDpi : ParseFieldFixed(texts.dpi);
    values.widthInches = ParseFieldReal(texts.width);
    values.heightInches = ParseFieldReal(texts.height);
    values.hScale = ParseInteger(texts.hScale);
    return values;
}

Fixed ResolveDpi(Fixed outDpi, Fixed lpi, int frames) {
    return outDpi == kAutoDpi ? lpi * frames : outDpi;
}

PrintSettings SettingsFromFields(const PrintFieldValues& values, int frames) {
    PrintSettings settings;
    settings.frames = frames;
    settings.lpi = values.lpi;
    settings.dpi = ResolveDpi(values.outDpi, values.lpi, frames);
    settings.widthInches = values.widthInches;
    settings.heightInches = values.heightInches;
    settings.hScale = values.hScale;
    return settings;
}

void KeepSourceProportions(PrintSettings& settings, const Document& doc) {
    if (doc.SourceWidth < 1 || doc.SourceHeight < 1) return;
    settings.sourceWidth = doc.SourceWidth;
    settings.sourceHeight = doc.SourceHeight;
}

} // namespace deptrix
