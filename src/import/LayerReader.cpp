#include "import/LayerReader.h"

#include "core/FileIo.h"
#include "core/WorkFileWriter.h"
#include "core/WorkFiles.h"
#include "import/MappedFile.h"
#include "import/PageRelease.h"
#include "import/PsdImport.h"

#include <map>
#include <mutex>

namespace deptrix {

namespace {

/// Hands each layer and its mask at source resolution to the background writer as
/// the bands arrive; the writer takes files from several threads.
class WorkFileSink final : public SourceLayerSink {
public:
    WorkFileSink(std::filesystem::path folder, WorkFileWriter& writer)
        : m_folder(std::move(folder))
        , m_writer(writer) { }

    bool takesLayersAtOnce() const override { return true; }

    void beginLayer(int number, int width, int height, PixelFormat format) override {
        m_writer.begin(m_folder / LayerFileName(number), width, height, format);
        m_writer.begin(m_folder / LayerMaskFileName(number), width, height, PixelFormat::Gray8);
    }
    void takeRows(
        int number, int firstRow, const Bitmap& colour, const Bitmap& mask, int bandRow, int count) override {
        m_writer.write(m_folder / LayerFileName(number), firstRow, colour, bandRow, count);
        m_writer.write(m_folder / LayerMaskFileName(number), firstRow, mask, bandRow, count);
    }
    void endLayer(int number) override {
        m_writer.finish(m_folder / LayerFileName(number));
        m_writer.finish(m_folder / LayerMaskFileName(number));
    }
    std::optional<Rows> roomForRows(int number, int firstRow, int count) override {
        Lent lent { m_writer.rowsToFill(m_folder / LayerFileName(number), firstRow, count),
            m_writer.rowsToFill(m_folder / LayerMaskFileName(number), firstRow, count) };
        const Rows rows { lent.colour.rows(), lent.mask.rows() };
        const std::lock_guard lock(m_mutex);
        m_lent[number] = std::move(lent);
        return rows;
    }
    void rowsFilled(int number) override {
        Lent lent;
        {
            const std::lock_guard lock(m_mutex);
            const auto it = m_lent.find(number);
            if (it == m_lent.end()) return;
            lent = std::move(it->second);
            m_lent.erase(it);
        }
        m_writer.write(std::move(lent.colour));
        m_writer.write(std::move(lent.mask));
    }

private:
    struct Lent {
        WorkFileWriter::RowsToFill colour;
        WorkFileWriter::RowsToFill mask;
    };
    std::filesystem::path m_folder;
    WorkFileWriter& m_writer;
    std::mutex m_mutex;
    std::map<int, Lent> m_lent; ///< rows lent out by roomForRows(), by layer number
};

} // namespace

int ReadPsd(const std::filesystem::path& psdPath, const std::filesystem::path& workFolder, Document& doc,
    Progress& progress, LayerPictures pictures) {
    WorkFileWriter& writer = SharedWorkFileWriter();
    // The files of the document before are of no use any more.
    writer.cancel();
    const MappedFile file(psdPath);
    WorkFileSink sink(workFolder, writer);
    ImportLimits limits;
    limits.releaseDecoded = ReleaseMappedPages;
    limits.workingGrid = pictures != LayerPictures::WorkFilesOnly;
    try {
        ImportedDocument imported = ImportPsd(file.bytes(), DisplayName(psdPath),
            pictures == LayerPictures::WorkingGridOnly ? nullptr : &sink, progress, limits);
        imported.moveInto(doc);
    } catch (...) {
        writer.cancel(); // no half set of layer files stays behind
        throw;
    }
    return kImportProgressEnd;
}

} // namespace deptrix
