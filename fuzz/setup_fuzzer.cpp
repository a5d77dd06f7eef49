// Arbitrary text through the settings and project reader. The first byte chooses the
// kind of file, the number of layers and the selected layer. Whatever reads must
// leave a store the document can hold, and the set-up written from it must read back
// to a document that writes the same file again.

#include "core/Document.h"
#include "core/Error.h"
#include "files/SetupFields.h"
#include "files/SetupFileReader.h"
#include "files/SetupFileWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace deptrix;

struct Setup {
    Document doc;
    SetupFields fields { doc };

    explicit Setup(int layers, int selected) {
        doc.beginImport("/pictures/fuzz.psd");
        doc.Layers.assign(static_cast<size_t>(layers), LayerRecord {});
        doc.LayerCount = static_cast<std::uint16_t>(layers);
        doc.applyLayerDefaults();
        doc.SelectedLayer = selected;
        fields.showImport(std::vector<std::string>(static_cast<size_t>(layers), "0"),
            std::vector<std::string>(static_cast<size_t>(layers)));
    }
};

bool Read(const std::string& text, SetupKind kind, Setup& setup) {
    try {
        SetupFileReader reader(text, "fuzz.tw3d2");
        reader.readImageLine();
        reader.apply(kind, setup.doc, setup.fields);
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const SetupKind kind = data[0] & 1 ? SetupKind::Project : SetupKind::Settings;
    const int layers = 1 + ((data[0] >> 1) & 7);
    const int selected = (data[0] >> 4) % (layers + 1); // one past the last layer too
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    Setup first(layers, selected);
    const bool read = Read(text, kind, first);
    if (first.doc.LayerLines.size() > static_cast<size_t>(layers)) std::abort();
    for (const LineSet& set : first.doc.LayerLines)
        if (!set.empty() && set.size() != static_cast<size_t>(kOrderCount)) std::abort();
    if (!read) return 0;

    const std::string saved = FormatSetupFile(first.doc, first.fields, nullptr);
    Setup second(layers, selected);
    if (!Read(saved, SetupKind::Project, second)) std::abort();
    if (FormatSetupFile(second.doc, second.fields, nullptr) != saved) std::abort();
    return 0;
}
