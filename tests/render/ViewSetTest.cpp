#include "render/ViewSet.h"

#include "RenderTestSupport.h"
#include "TaskThreads.h"
#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/WorkFileWriter.h"

#include <climits>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

using test::AddLayer;
using test::EmptyDocument;
using test::Solid;

std::vector<int> Shifts(std::int32_t offset, Fixed depthFactor, std::int32_t focus = 0) {
    std::vector<int> shifts;
    for (int n = 1; n <= 7; ++n) shifts.push_back(ViewLeftFor(offset, focus, n, 4, depthFactor, 100) - 100);
    return shifts;
}

TEST(ViewSet, ShiftsLayersInProportionToTheirOffsetFromTheFocus) {
    EXPECT_EQ(Shifts(60, 10000), (std::vector<int> { -30, -20, -10, 0, 10, 20, 30 }));
    EXPECT_EQ(Shifts(60, 5000), (std::vector<int> { -15, -10, -5, 0, 5, 10, 15 }));
    // 7 / 6 = 1.17 -> 1 in view 5; +-3.5 ties to the even 4 in views 7 and 1.
    EXPECT_EQ(Shifts(7, 10000), (std::vector<int> { -4, -2, -1, 0, 1, 2, 4 }));
    EXPECT_EQ(Shifts(-25, 12345, -25), std::vector<int>(7, 0));
    // The difference wraps in 32 bits: INT_MAX - (-1) is INT_MIN, times 3 is INT_MIN again.
    EXPECT_EQ(ViewLeftFor(INT_MAX, -1, 7, 4, 10000, 5), 5 + Round(INT_MIN / 6.0L));
    EXPECT_EQ(ViewLeftFor(INT_MAX, 0, 5, 4, 10000000, INT_MAX), INT_MAX); // held at the limit
}

TEST(ViewSet, PlaysTheViewsBackAndForth) {
    std::vector<int> views;
    for (int step = 0, i = 0; i < 16; ++i) views.push_back(ViewForStep(step = NextAnimStep(step)));
    EXPECT_EQ(views, (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 1, 2 }));
}

/// A white 24 x 1 background (row 2 of the table) under a black 1 x 1 dot (row 1).
Document DotScene(int mode) {
    const PixelFormat format = mode == 3 ? PixelFormat::Bgr24 : PixelFormat::Cmyk32;
    Document doc = EmptyDocument(mode, 24, 1);
    AddLayer(doc, 0, 0, Solid(24, 1, format, 255), Solid(24, 1, PixelFormat::Gray8, 255));
    AddLayer(doc, 12, 0, Solid(1, 1, format, 0), Solid(1, 1, PixelFormat::Gray8, 255));
    return doc;
}

int DotColumn(const Bitmap& view) {
    for (int x = 0; x < view.width(); ++x)
        if (view.row(0)[3 * x] == 0) return x;
    return -1;
}

TEST(ViewSet, BuildsAndWritesSevenViews) {
    for (int mode : { 3, 4 }) {
        test::TempFolder folder;
        Document doc = DotScene(mode);
        test::RecordingProgress progress;
        const test::ScopedTaskThreads oneThread(1); // progress layer by layer
        // Row 1 is the dot (offset 18), row 2 the background and focus (offset 0):
        // the dot moves 3 px per view.
        GenerateViews(doc, { { "18", "0" }, "2" }, folder.path(), progress);
        EXPECT_EQ(doc.FocusRow, 2);
        EXPECT_EQ(std::vector<int>(progress.positions.begin(), progress.positions.begin() + 4),
            (std::vector<int> { 0, 10, 10, 16 })); // Round(13 / 2) = 6 (ties to even)
        EXPECT_EQ(progress.positions.back(), 77 + 10 + 6);
        for (int n = 1; n <= 7; ++n) {
            ASSERT_EQ(doc.Views[n].format(), PixelFormat::Bgr24);
            EXPECT_EQ(DotColumn(doc.Views[n]), 12 + 3 * (n - 4)) << n;
            const std::string number = std::to_string(n);
            const Bitmap file = LoadBmp(folder.path() / ((mode == 3 ? "vw" : "vwv") + number + ".gjs"));
            EXPECT_TRUE(file.samePixels(doc.Views[n]));
            EXPECT_TRUE(LoadBmp(folder.path() / ("vwt" + number + ".gjs")).samePixels(doc.Coverage));
        }
        EXPECT_EQ(doc.ViewLeft[1], 12 + 9); // view 7's positions stay
        EXPECT_EQ(doc.CurrentView, 6);
    }
}

// A run that keeps its views in memory only leaves the work folder and the coverage
// alone, and building again into the pictures of an earlier set gives the same bytes.
TEST(ViewSet, ASetWithoutFilesAndARepeatedSetGiveTheSameViews) {
    for (int mode : { 3, 4 }) {
        test::TempFolder folder;
        test::TempFolder untouched;
        NullProgress progress;
        Document doc = DotScene(mode);
        GenerateViews(doc, { { "18", "0" }, "2" }, folder.path(), progress);
        std::vector<Bitmap> first(doc.Views.begin() + 1, doc.Views.end());
        if (mode == 3) { // the last view stays the composite
            EXPECT_TRUE(doc.Composite.samePixels(doc.Views[7]));
        }

        const Bitmap marker = Solid(1, 1, PixelFormat::Gray8, 42);
        doc.Coverage = marker;
        GenerateViews(doc, { { "12", "0" }, "2" }, untouched.path(), progress, ViewWorkFiles::Skip);
        for (int n = 1; n <= 7; ++n) EXPECT_EQ(DotColumn(doc.Views[n]), 12 + 2 * (n - 4)) << n;
        EXPECT_TRUE(std::filesystem::is_empty(untouched.path()));
        EXPECT_TRUE(doc.Coverage.samePixels(marker));

        GenerateViews(doc, { { "18", "0" }, "2" }, untouched.path(), progress, ViewWorkFiles::Skip);
        for (int n = 1; n <= 7; ++n) EXPECT_TRUE(doc.Views[n].samePixels(first[n - 1])) << mode << " " << n;
        EXPECT_TRUE(std::filesystem::is_empty(untouched.path()));
        SharedWorkFileWriter().awaitAll();
    }
}

// An outlet sees every view as it is finished, also those the document does not keep
// (their memory serves the next pass); the view files are written either way.
TEST(ViewSet, AnOutletSeesEveryViewAndTheDocumentKeepsOnlyThoseAsked) {
    for (int mode : { 3, 4 }) {
        test::TempFolder folder;
        NullProgress progress;
        Document all = DotScene(mode);
        GenerateViews(all, { { "18", "0" }, "2" }, folder.path(), progress, ViewWorkFiles::Skip);

        Document doc = DotScene(mode);
        doc.Views[5] = Solid(1, 1, PixelFormat::Bgr24, 42); // from an earlier set
        std::vector<int> seen;
        ViewOutlet outlet;
        outlet.built = [&](int n, const Bitmap& view) {
            seen.push_back(n);
            EXPECT_TRUE(view.samePixels(all.Views[n])) << mode << " " << n;
        };
        outlet.keep = [](int n) { return n == 2 || n == 6; };
        GenerateViews(doc, { { "18", "0" }, "2" }, folder.path(), progress, ViewWorkFiles::Write, outlet);
        EXPECT_EQ(seen, (std::vector<int> { 1, 2, 3, 4, 5, 6, 7 }));
        for (int n = 1; n <= 7; ++n) {
            if (n == 2 || n == 6)
                EXPECT_TRUE(doc.Views[n].samePixels(all.Views[n])) << mode << " " << n;
            else
                EXPECT_EQ(doc.Views[n].width(), 0) << mode << " " << n; // nothing stale left
            const std::string file = (mode == 3 ? "vw" : "vwv") + std::to_string(n) + ".gjs";
            EXPECT_TRUE(LoadBmp(folder.path() / file).samePixels(all.Views[n])) << mode << " " << n;
        }
    }
}

TEST(ViewSet, FlipGroupsTakeTurnsAndASingleLayerNeverMoves) {
    test::TempFolder folder;
    NullProgress progress;
    Document doc = EmptyDocument(3, 4, 1);
    AddLayer(doc, 1, 0, Solid(1, 1, PixelFormat::Bgr24, 10), Solid(1, 1, PixelFormat::Gray8, 255), 1);
    AddLayer(doc, 1, 0, Solid(1, 1, PixelFormat::Bgr24, 20), Solid(1, 1, PixelFormat::Gray8, 128), 1);
    GenerateViews(doc, { { "0", "0" }, "0" }, folder.path(), progress);
    // Member 0 (opaque 10) in views 1-3, member 1 (20 at half opacity over white:
    // (255 x 127 + 20 x 128) / 255 = 137.04) in views 4-7; the other is not drawn.
    for (int n = 1; n <= 7; ++n) EXPECT_EQ(doc.Views[n].row(0)[3], n <= 3 ? 10 : 137) << n;

    Document single = DotScene(3);
    single.Layers.pop_back();
    single.LayerBitmaps.pop_back();
    single.LayerMasks.pop_back();
    single.LayerCount = 1;
    GenerateViews(single, { { "35" }, "0" }, folder.path(), progress);
    for (int n = 2; n <= 7; ++n) EXPECT_TRUE(single.Views[n].samePixels(single.Views[1])) << n;
}

TEST(ViewSet, StopsAtABadTextOrFileKeepingWhatWasBuilt) {
    test::TempFolder folder;
    NullProgress progress;
    const Bitmap marker = Solid(1, 1, PixelFormat::Gray8, 42);
    Document doc = DotScene(3);
    doc.FocusRow = 2;
    doc.Views.fill(marker);
    auto message = [&](const ViewSetInput& input, const std::filesystem::path& path) {
        return test::ErrorText([&] { GenerateViews(doc, input, path, progress); });
    };
    EXPECT_EQ(
        message({ { "18", "0" }, "two" }, folder.path()), "convert: 'two' is not a valid integer value");
    EXPECT_EQ(doc.FocusRow, 2);
    EXPECT_EQ(
        message({ { "18", " 1x" }, "2" }, folder.path()), "convert: ' 1x' is not a valid integer value");
    EXPECT_EQ(
        message({ { "18" }, "1" }, folder.path()), "convert: '' is not a valid integer value"); // no row 2
    EXPECT_TRUE(doc.Views[1].samePixels(marker));

    // Files are written in the background: a write that fails is reported, naming the
    // file, to whoever needs the file next.
    EXPECT_EQ(message({ { "18", "0" }, "2" }, folder.path() / "missing"), "no error");
    const std::string written
        = test::ErrorText([&] { AwaitWorkFile(folder.path() / "missing" / "vwt1.gjs"); });
    EXPECT_NE(written.find("vwt1.gjs"), std::string::npos) << written;
    EXPECT_THROW(LoadBmp(folder.path() / "missing" / "vw7.gjs"), Error);
    doc.Views.fill(marker); // the views themselves were all built

    // An outline layer whose files exist for views 1 and 2 only: views 1 and 2 are
    // built, the third pass stops naming the missing file, later slots keep their
    // old pictures.
    doc.Layers[1].Group = 100;
    doc.Layers[1].Depth = 0;
    for (int view = 0; view < 2; ++view) {
        SaveBmp(
            Solid(1, 1, PixelFormat::Bgr24, 0), folder.path() / ("2xgx" + std::to_string(view + 1) + ".gjs"));
        SaveBmp(Solid(1, 1, PixelFormat::Gray8, 255),
            folder.path() / ("2xgxt" + std::to_string(view + 1) + ".gjs"));
    }
    const std::string missing = message({ { "18", "0" }, "2" }, folder.path());
    EXPECT_NE(missing.find("2xgx3.gjs"), std::string::npos) << missing;
    EXPECT_EQ(DotColumn(doc.Views[2]), 12 - 6);
    EXPECT_TRUE(doc.Views[3].samePixels(marker));
}

// Views built side by side are the bytes one thread builds, files and the document's
// last pass included, for plain layers and for blend modes.
TEST(ViewSet, ThreadsChangeNothingButTheTime) {
    for (int mode : { 3, 4 }) {
        for (bool modes : { false, true }) {
            const PixelFormat format = mode == 3 ? PixelFormat::Bgr24 : PixelFormat::Cmyk32;
            std::mt19937 random(7);
            Document scene = EmptyDocument(mode, 61, 23);
            for (int layer = 0; layer < 5; ++layer) {
                AddLayer(scene, layer * 3 - 4, layer - 2, test::Noise(50, 20, format, random),
                    test::Noise(50, 20, PixelFormat::Gray8, random));
                if (modes) scene.Layers.back().BlendModeKey = BlendKey { 'm', 'u', 'l', ' ' };
            }
            const ViewSetInput input { { "30", "-12", "0", "7", "19" }, "3" };
            Document results[2] = { scene, scene };
            test::TempFolder folders[2];
            for (int run = 0; run < 2; ++run) {
                const test::ScopedTaskThreads threads(run == 0 ? 1 : 3);
                NullProgress progress;
                GenerateViews(results[run], input, folders[run].path(), progress);
            }
            const Document& one = results[0];
            const Document& three = results[1];
            for (int n = 1; n <= 7; ++n) {
                EXPECT_TRUE(three.Views[n].samePixels(one.Views[n])) << mode << modes << n;
                for (const std::string name : { "vwt", mode == 3 ? "vw" : "vwv" }) {
                    const std::string file = name + std::to_string(n) + ".gjs";
                    EXPECT_TRUE(
                        LoadBmp(folders[1].path() / file).samePixels(LoadBmp(folders[0].path() / file)))
                        << file;
                }
            }
            EXPECT_TRUE(three.Composite.samePixels(one.Composite));
            EXPECT_TRUE(three.Coverage.samePixels(one.Coverage));
            EXPECT_EQ(three.ViewLeft, one.ViewLeft);
        }
    }
}

} // namespace
} // namespace deptrix
