#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/BmpCodec.h"
#include "core/Error.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

const fs::path kSample = fs::path(DEPTRIX_SOURCE_DIR) / "sample/scene.psd";

struct Quiet final : BatchProgress {
    void beginStep(const char*) override { }
    void setPosition(int) override { }
};

class BatchSetup : public ::testing::Test {
protected:
    fs::path folder;
    std::ostringstream out;
    Quiet progress;

    void SetUp() override {
        folder
            = fs::temp_directory_path() / ("deptrix-setup-test-" + std::to_string(std::random_device {}()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path write(const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
        return folder / name;
    }
    std::string run(const std::vector<std::string>& arguments) {
        out.str("");
        RunBatch(ParseBatchOptions(arguments), out, progress);
        return out.str();
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST(BatchSetupOptions, TakeSettingsProjectsAndSavingAndRefuseMixtures) {
    const BatchOptions o
        = ParseBatchOptions({ "a.psd", "--settings", "s.tw3d2", "--save-settings", "o.tw3d2" });
    EXPECT_EQ(o.settingsPath, "s.tw3d2");
    EXPECT_EQ(o.saveSettingsPath, "o.tw3d2");
    EXPECT_TRUE(o.setUpFromFile());
    EXPECT_EQ(ParseBatchOptions({ "--project", "p.tw3d2", "--info" }).projectPath, "p.tw3d2");
    EXPECT_THROW(ParseBatchOptions({ "a.psd", "--project", "p.tw3d2", "--info" }), Error);
    EXPECT_THROW(ParseBatchOptions({ "--project", "p.tw3d2", "--settings", "s.tw3d2", "--info" }), Error);
    EXPECT_THROW(ParseBatchOptions({ "--settings", "s.tw3d2", "--info" }), Error); // no PSD
    EXPECT_THROW(ParseBatchOptions({ "--project", "p.tw3d2" }), Error); // nothing to do
}

TEST_F(BatchSetup, ProjectSetsTheDocumentUpAndSavesItBackUnchanged) {
    fs::copy_file(kSample, folder / "scene.psd");
    // Eleven layers: offsets of layers 0..10, their outline parameters, and one line.
    std::string text = "C:\\somewhere\\scene.psd\r\n60 7 3 20\r\n39550 0 0 0\r\n\r\n\r\n0\r\n720 8 6 2 4\r\n";
    for (int i = 0; i < 11; ++i) text += std::to_string(10 * i) + "\r\n";
    for (int i = 0; i < 11; ++i) text += i == 4 ? "9 3 0.5\r\n" : "7 5 1\r\n";
    text += "4 2 0 2\r\n100 100 300 100 200 250\r\n";
    const fs::path project = write("scene.tw3d2", text);

    const std::string json = run(
        { "--project", project.string(), "--info", "--save-settings", (folder / "saved.tw3d2").string() });
    for (const char* field : { "\"lpi\": 60,", "\"angles\": 7,", "\"focusRow\": 3,", "\"depthFactor\": 2,",
             "{\"index\": 0, \"name\": \"Sky\"", "\"offset\": 0, \"baseOrder\": 7",
             "\"offset\": 40, \"baseOrder\": 9, \"smooth\": 3, \"depth\": 0.5, \"lines\": [{\"order\": 2, "
             "\"index\": 0, \"points\": [[100, 100], [300, 100], [200, 250]]}]}",
             "\"group\": 255" })
        EXPECT_NE(json.find(field), std::string::npos) << field << "\n" << json;

    // The saved set-up opens to the same document and saves to the same bytes.
    const fs::path saved = folder / "saved.tw3d2";
    EXPECT_EQ(read(saved).substr(0, read(saved).find("\r\n")), (folder / "scene.psd").string());
    run({ "--project", saved.string(), "--save-settings", (folder / "again.tw3d2").string() });
    EXPECT_EQ(read(folder / "again.tw3d2"), read(saved));

    write("lost.tw3d2", "D:\\elsewhere\\lost.psd\r\n60 7 3 1\r\n");
    try {
        run({ "--project", (folder / "lost.tw3d2").string(), "--info" });
        FAIL() << "a project without its image opened";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("lost.tw3d2: Can not found the specified psd file!"),
            std::string::npos);
    }
}

TEST_F(BatchSetup, SettingsOffsetsDriveTheViewsLikeTheTableDoes) {
    // The import's offsets with the clouds (row 9, layer 2) at 0 instead of 50.
    const std::string settings = "scene.psd\r\n42.4775 7 7 1\r\n39300 100 75 0\r\n25\r\n0\r\n-22\r\n-44\r\n"
                                 "-67\r\n0\r\n0\r\n0\r\n";
    run({ kSample.string(), "--views", (folder / "table").string(), "--offset", "9=0" });
    run({ kSample.string(), "--settings", write("s.tw3d2", settings).string(), "--views",
        (folder / "file").string() });
    for (const char* view : { "view1.bmp", "view7.bmp" })
        EXPECT_TRUE(LoadBmp(folder / "file" / view).samePixels(LoadBmp(folder / "table" / view))) << view;
}

} // namespace
} // namespace deptrix
