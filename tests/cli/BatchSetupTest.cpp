#include "BatchTestSupport.h"
#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/BmpCodec.h"
#include "core/Error.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

class BatchSetup : public test::BatchFolderTest {
protected:
    const fs::path sample = test::kSample;

    fs::path write(const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
        return folder / name;
    }
    std::string run(const std::vector<std::string>& arguments) {
        std::ostringstream out;
        test::QuietProgress progress;
        RunBatch(ParseBatchOptions(arguments), out, progress);
        return out.str();
    }
    std::string read(const std::string& name) {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(BatchSetup, ProjectSetsTheDocumentUpAndSavesItBackUnchanged) {
    EXPECT_THROW(ParseBatchOptions({ "a.psd", "--project", "p.tw3d2", "--info" }), Error); // it names its PSD
    fs::copy_file(sample, folder / "scene.psd");
    std::string text = "C:\\somewhere\\scene.psd\r\n60 7 3 20\r\n39550 0 0 0\r\n\r\n\r\n0\r\n720 8 6 2 4\r\n";
    for (int i = 0; i < 11; ++i) text += std::to_string(10 * i) + "\r\n";
    for (int i = 0; i < 11; ++i) text += i == 4 ? "9 3 0.5\r\n" : "7 5 1\r\n";
    text += "4 2 0 2\r\n100 100 300 100 200 250\r\n";
    const std::string json = run({ "--project", write("p.tw3d2", text).string(), "--info", "--save-settings",
        (folder / "s.tw3d2").string() });
    // The file's depth 20 is what the views are built with (the field's rule makes the
    // document's own factor 2 until Preview reads the text).
    for (const char* field : { "\"lpi\": 60,", "\"angles\": 7,", "\"focusRow\": 3,", "\"depthFactor\": 20,",
             "\"group\": 255, \"offset\": 40, \"baseOrder\": 9, \"smooth\": 3, \"depth\": 0.5, \"lines\": "
             "[{\"order\": 2, \"index\": 0, \"points\": [[100, 100], [300, 100], [200, 250]]}]}" })
        EXPECT_NE(json.find(field), std::string::npos) << field << "\n" << json;

    // The saved set-up names the picture with its full path and saves back unchanged.
    EXPECT_EQ(read("s.tw3d2").substr(0, read("s.tw3d2").find('\r')), (folder / "scene.psd").string());
    run({ "--project", (folder / "s.tw3d2").string(), "--save-settings", (folder / "again.tw3d2").string() });
    EXPECT_EQ(read("again.tw3d2"), read("s.tw3d2"));

    try {
        run({ "--project", write("lost.tw3d2", "D:\\elsewhere\\lost.psd\r\n").string(), "--info" });
        FAIL() << "a project without its picture opened";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("lost.tw3d2: Can not found the specified psd file!"),
            std::string::npos);
    }
}

TEST_F(BatchSetup, SettingsOffsetsDriveTheViewsLikeTheTableDoes) {
    // The import's offsets, with the clouds (row 9, layer 2) at 0 instead of 50.
    const std::string settings
        = "scene.psd\r\n42.4775 7 7 1\r\n39300 100 75 0\r\n25\r\n0\r\n-22\r\n-44\r\n-67\r\n0\r\n0\r\n0\r\n";
    run({ sample.string(), "--views", (folder / "table").string(), "--offset", "9=0" });
    run({ sample.string(), "--settings", write("s.tw3d2", settings).string(), "--views",
        (folder / "file").string() });
    for (const char* view : { "view1.bmp", "view7.bmp" })
        EXPECT_TRUE(LoadBmp(folder / "file" / view).samePixels(LoadBmp(folder / "table" / view))) << view;
}

TEST_F(BatchSetup, InfoAndTheSavedSetUpHoldWhatTheRunUses) {
    const auto has = [](const std::string& json, const std::string& field) {
        EXPECT_NE(json.find(field), std::string::npos) << field << "\n" << json;
    };
    // Row 2 is layer 9.
    const std::vector<std::string> typed { "--focus", "4", "--depth", "3", "--offset", "2=33", "--lpi", "40",
        "--width", "10" };
    std::vector<std::string> arguments { sample.string(), "--info", "--save-settings",
        (folder / "s.tw3d2").string() };
    arguments.insert(arguments.end(), typed.begin(), typed.end());
    const std::string json = run(arguments);
    for (const char* field :
        { "\"focusRow\": 4,", "\"lpi\": 40,", "\"depthFactor\": 3,", "\"printWidth\": 10," })
        has(json, field);
    has(json.substr(json.find("\"index\": 9,")), "\"offset\": 33}");

    // The saved set-up opens to the same values without the options (a settings file
    // leaves the LPI field as it was; the print width is one of its output settings).
    const std::string again = run({ sample.string(), "--settings", (folder / "s.tw3d2").string(), "--info" });
    for (const char* field : { "\"focusRow\": 4,", "\"depthFactor\": 3,", "\"printWidth\": 10," })
        has(again, field);
    has(again.substr(again.find("\"index\": 9,")), "\"offset\": 33,");
    // And the options still win over a settings file.
    const std::string over = run({ sample.string(), "--settings", (folder / "s.tw3d2").string(), "--info",
        "--depth", "0.5", "--offset", "2=-7" });
    has(over, "\"depthFactor\": 0.5,");
    has(over.substr(over.find("\"index\": 9,")), "\"offset\": -7,");
    // A row the table lacks would quietly leave the run without a focus layer.
    try {
        run({ sample.string(), "--info", "--focus", "12" });
        ADD_FAILURE() << "--focus 12 accepted";
    } catch (const UsageError& error) {
        EXPECT_STREQ(
            error.what(), "--focus 12: the focus row must be at least 0 and at most 11 (0: no focus layer)");
    }
}

// Names that hold the separators of Windows paths open again from the project's folder.
TEST_F(BatchSetup, ProjectsOfPicturesWithColonsAndBackslashesOpenAgain) {
    for (const std::string name : { "we:ird.psd", "back\\slash.psd" }) {
        SCOPED_TRACE(name);
        fs::copy_file(sample, folder / name);
        run({ (folder / name).string(), "--save-settings", (folder / "p.tw3d2").string(), "--offset",
            "1=-9" });
        const std::string json = run({ "--project", (folder / "p.tw3d2").string(), "--info" });
        EXPECT_NE(json.find("\"layerCount\": 11"), std::string::npos);
        EXPECT_NE(json.find("\"offset\": -9,"), std::string::npos);
        fs::remove(folder / name);
    }
}

} // namespace
} // namespace deptrix
