#pragma once

#include "print/PrintExport.h"
#include "print/PrintGeometry.h"
#include "print/PrintPage.h"
#include "print/PrintRows.h"
#include "print/TiffWriter.h"
#include "print/ViewRows.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace deptrix {

/// The memory the workers of one print may hold together: with a few hundred
/// megabytes for everything else, a print stays under 512 MB whatever its size.
inline constexpr std::size_t kPrintWorkersBytes = std::size_t { 256 } << 20;

/// A print's page in bands of rows for WriteTiffBands. Every worker has a reader of
/// the frames of its own (ViewRows::openAnother), an interlacer and a page, so its
/// bands follow each other down the page and read the frames in order. There is one
/// worker more than TaskThreads() (one in all on one thread), fewer when the frames
/// have only one reader or when the workers' buffers would pass kPrintWorkersBytes.
/// The first worker's interlacer is made at once, as its size tells how many workers
/// fit; the others' by the thread of their first band. Every band is the same
/// whichever worker makes it.
class PrintBands {
public:
    PrintBands(ViewRows& frames, const PrintGeometry& geometry, const TiffLayout& layout);

    int workers() const { return static_cast<int>(m_workers.size()); }
    int bandRows() const { return m_bandRows; }

    /// The bands from the first row, with fresh interlacers.
    TiffBands start();

private:
    struct Worker {
        std::unique_ptr<ViewRows> ownFrames; ///< none for the first worker, which reads the given frames
        ViewRows* frames = nullptr;
        std::unique_ptr<PrintRows> picture;
        std::unique_ptr<PrintPage> page;
    };
    void startWorker(Worker& worker);

    PrintGeometry m_geometry;
    std::vector<Worker> m_workers;
    int m_threads = 1;
    int m_bandRows = 1;
    bool m_started = false;
};

} // namespace deptrix
