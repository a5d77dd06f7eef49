#include "import/LayerReader.h"

#include "core/BmpCodec.h"
#include "core/FileIo.h"
#include "core/WorkFiles.h"
#include "import/MappedFile.h"
#include "import/PsdImport.h"

namespace deptrix {

namespace {

/// Leaves each layer and its mask at source resolution in the work folder.
class WorkFileSink final : public SourceLayerSink {
public:
    explicit WorkFileSink(std::filesystem::path folder)
        : m_folder(std::move(folder)) { }

    void takeLayer(int number, const Bitmap& colour, const Bitmap& mask) override {
        SaveWorkBmp(colour, m_folder / LayerFileName(number));
        SaveWorkBmp(mask, m_folder / LayerMaskFileName(number));
    }

private:
    std::filesystem::path m_folder;
};

} // namespace

int ReadPsd(const std::filesystem::path& psdPath, const std::filesystem::path& workFolder, Document& doc,
    Progress& progress) {
    const MappedFile file(psdPath);
    WorkFileSink sink(workFolder);
    ImportedDocument imported = ImportPsd(file.bytes(), DisplayName(psdPath), &sink, progress);
    imported.moveInto(doc);
    return kImportProgressEnd;
}

} // namespace deptrix
