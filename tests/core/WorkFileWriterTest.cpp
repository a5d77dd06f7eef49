// The background writer of work files: pictures written row by row in the order
// given, each file's ready state, failures reported by whoever needs the file next,
// cancelling, and files created afresh whatever was planted under their names.

#include "core/WorkFileWriter.h"

#include "core/BmpCodec.h"
#include "core/BmpFileRows.h"
#include "core/Error.h"
#include "core/FileIo.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

Bitmap Noise(int w, int h, PixelFormat format, unsigned seed) {
    Bitmap b(w, h, format);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * b.bytesPerPixel(); ++x) b.row(y)[x] = static_cast<std::uint8_t>(rng());
    return b;
}

class WorkFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() / ("deptrix-writer-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directory(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }
    fs::path file(const std::string& name) const { return m_folder / name; }

    fs::path m_folder;
};

TEST_F(WorkFileWriterTest, BandsInAnyOrderGiveTheBytesOfTheWholeFileEncoder) {
    // Odd widths leave row padding; bands arrive bottom first and in uneven sizes,
    // through a queue far smaller than the picture, so producers must wait.
    WorkFileWriter writer(1000);
    for (PixelFormat format : { PixelFormat::Gray8, PixelFormat::Bgr24, PixelFormat::Cmyk32 }) {
        const Bitmap picture = Noise(37, 23, format, static_cast<unsigned>(format) + 5);
        const fs::path target = file("band" + std::to_string(int(format)) + ".gjs");
        writer.begin(target, picture.width(), picture.height(), format);
        writer.write(target, 16, picture, 16, 7);
        writer.write(target, 5, picture, 5, 11);
        writer.write(target, 0, picture, 0, 5);
        writer.finish(target);
        writer.await(target);
        EXPECT_EQ(ReadFileBytes(target), EncodeBmp(picture)) << int(format);
        EXPECT_EQ(fs::status(target).permissions() & (fs::perms::group_all | fs::perms::others_all),
            fs::perms::none);
    }
    // The output writer encodes row by row too.
    const Bitmap picture = Noise(5, 3, PixelFormat::Bgr24, 9);
    SaveBmp(picture, file("out.bmp"));
    EXPECT_EQ(ReadFileBytes(file("out.bmp")), EncodeBmp(picture));
}

TEST_F(WorkFileWriterTest, FilesWrittenSideBySideKeepEachFilesOrder) {
    // Three writing threads and a small queue; the bands of several files interleaved,
    // one file written again at once, one failing: each file ends as its last picture.
    WorkFileWriter writer(4000, 3);
    std::vector<Bitmap> pictures;
    std::vector<fs::path> targets;
    for (unsigned k = 0; k < 5; ++k) {
        pictures.push_back(Noise(41 + static_cast<int>(k), 30, PixelFormat::Bgr24, 20 + k));
        targets.push_back(file("ly" + std::to_string(k + 1) + ".gjs"));
        writer.begin(targets[k], pictures[k].width(), 30, PixelFormat::Bgr24);
    }
    const fs::path failing = file("gone") / "ly9.gjs";
    writer.save(pictures[0], failing);
    for (int first = 0; first < 30; first += 6) {
        for (std::size_t k = 0; k < 5; ++k) writer.write(targets[k], first, pictures[k], first, 6);
    }
    for (const fs::path& target : targets) writer.finish(target);
    pictures[2] = Noise(43, 30, PixelFormat::Bgr24, 99);
    writer.save(pictures[2], targets[2]);
    for (std::size_t k = 0; k < 5; ++k) {
        writer.await(targets[k]);
        EXPECT_EQ(ReadFileBytes(targets[k]), EncodeBmp(pictures[k])) << k;
    }
    EXPECT_THROW(writer.await(failing), Error);
    EXPECT_FALSE(fs::exists(failing));
}

TEST_F(WorkFileWriterTest, RowsFilledInPlaceGiveTheSameFileAsRowsCopied) {
    // Large enough to go past the page cache, with padding after each row, filled
    // band by band from the middle out.
    WorkFileWriter writer(std::size_t { 4 } << 20);
    for (PixelFormat format : { PixelFormat::Gray8, PixelFormat::Bgr24 }) {
        const Bitmap picture = Noise(1021, 700, format, 11 + static_cast<unsigned>(format));
        const fs::path target = file("inplace" + std::to_string(int(format)) + ".gjs");
        writer.begin(target, picture.width(), picture.height(), format);
        for (const auto& [first, count] : { std::pair { 300, 250 }, { 550, 150 }, { 0, 1 }, { 1, 299 } }) {
            WorkFileWriter::RowsToFill rows = writer.rowsToFill(target, first, count);
            for (int i = 0; i < count; ++i)
                std::memcpy(rows.rows().row(i), picture.row(first + i),
                    static_cast<std::size_t>(picture.width())
                        * static_cast<std::size_t>(picture.bytesPerPixel()));
            writer.write(std::move(rows));
        }
        writer.finish(target);
        writer.await(target);
        EXPECT_EQ(ReadFileBytes(target), EncodeBmp(picture)) << int(format);
    }
    EXPECT_THROW(writer.rowsToFill(file("never.gjs"), 0, 1), Error);
    const fs::path open = file("open.gjs");
    writer.begin(open, 4, 4, PixelFormat::Gray8);
    EXPECT_THROW(writer.rowsToFill(open, 2, 3), Error); // below the last row
    writer.cancel();
}

TEST_F(WorkFileWriterTest, LaterPicturesOfOneFileReplaceEarlierOnesInOrder) {
    WorkFileWriter writer;
    const fs::path target = file("vw1.gjs");
    Bitmap last;
    for (unsigned k = 0; k < 20; ++k) {
        last = Noise(64 + static_cast<int>(k), 16, PixelFormat::Bgr24, k);
        writer.save(last, target);
    }
    writer.await(target);
    EXPECT_TRUE(LoadBmp(target).samePixels(last));
    writer.awaitAll();
}

TEST_F(WorkFileWriterTest, AFailedWriteIsReportedByTheNextReaderNamingTheFile) {
    WorkFileWriter writer;
    const fs::path missingFolder = file("gone") / "ly1.gjs";
    const Bitmap picture = Noise(8, 8, PixelFormat::Gray8, 1);
    writer.save(picture, missingFolder);
    writer.save(picture, file("ly2.gjs"));
    try {
        writer.await(missingFolder);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("ly1.gjs"), std::string::npos) << e.what();
    }
    EXPECT_THROW(writer.await(missingFolder), Error); // for every later reader too
    EXPECT_NO_THROW(writer.await(file("ly2.gjs")));
    EXPECT_THROW(writer.awaitAll(), Error);

    // Rows missing at the end fail the file and leave nothing under its name.
    const fs::path cut = file("lyt3.gjs");
    writer.begin(cut, 8, 8, PixelFormat::Gray8);
    writer.write(cut, 0, picture, 0, 7);
    writer.finish(cut);
    EXPECT_THROW(writer.await(cut), Error);
    EXPECT_FALSE(fs::exists(cut));

    // Starting the file again forgets its failure.
    fs::create_directory(missingFolder.parent_path());
    writer.save(picture, missingFolder);
    EXPECT_NO_THROW(writer.await(missingFolder));
}

TEST_F(WorkFileWriterTest, CancelRemovesUnfinishedFilesAndForgetsThem) {
    WorkFileWriter writer;
    const Bitmap picture = Noise(16, 16, PixelFormat::Bgr24, 2);
    writer.save(picture, file("done.gjs"));
    writer.await(file("done.gjs"));
    const fs::path open = file("open.gjs");
    writer.begin(open, 16, 16, PixelFormat::Bgr24);
    writer.write(open, 0, picture, 0, 8);
    writer.cancel();
    EXPECT_FALSE(fs::exists(open));
    EXPECT_NO_THROW(writer.await(open)); // nothing pending any more
    EXPECT_TRUE(fs::exists(file("done.gjs")));
    // The writer carries on after a cancel.
    writer.save(picture, open);
    writer.await(open);
    EXPECT_TRUE(LoadBmp(open).samePixels(picture));
}

TEST_F(WorkFileWriterTest, ALinkPlantedUnderAWorkFileNameIsReplacedNotFollowed) {
    const fs::path victim = file("victim.txt");
    WriteFileAtomically(victim, std::vector<std::uint8_t> { 'k', 'e', 'e', 'p' });
    fs::create_symlink(victim, file("ly1.gjs"));
    WorkFileWriter writer;
    const Bitmap picture = Noise(4, 4, PixelFormat::Gray8, 3);
    writer.save(picture, file("ly1.gjs"));
    writer.await(file("ly1.gjs"));
    EXPECT_FALSE(fs::is_symlink(file("ly1.gjs")));
    EXPECT_EQ(ReadFileBytes(file("ly1.gjs")), EncodeBmp(picture));
    EXPECT_EQ(ReadFileBytes(victim), (std::vector<std::uint8_t> { 'k', 'e', 'e', 'p' }));
}

} // namespace
} // namespace deptrix
