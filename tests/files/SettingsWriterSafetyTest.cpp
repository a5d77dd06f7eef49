#include "ScopedLocale.h"
#include "SetupTestSupport.h"
#include "TestFolder.h"
#include "core/Error.h"
#include "files/SetupFileReader.h"
#include "files/SetupFileWriter.h"

namespace deptrix {
namespace {

TEST(SettingsWriterSafety, AFullDiskLeavesTheOldFileAndNoTemporaryFile) {
    test::TestFolder folder;
    const std::filesystem::path saved = folder / "shop.tw3d2";
    ImportedDocument d(3);
    SaveSetupFile(saved, d.doc, d.fields, nullptr);
    const std::string before = test::ReadText(saved);

    d.fields.setLpiText("60");
    const test::ScopedFileIoHooks full(test::FillingDisk(EDQUOT, 64));
    try {
        SaveSetupFile(saved, d.doc, d.fields, nullptr);
        FAIL() << "saved on a full disk";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
            "shop.tw3d2: cannot write the file: not enough space in " + folder.path().string());
    }
    EXPECT_EQ(test::ReadText(saved), before);
    EXPECT_EQ(folder.names(), std::set<std::string> { "shop.tw3d2" });
}

// Fields typed with the locale's decimal comma are stored with the point, which every
// locale reads back.
TEST(SettingsWriterSafety, CommaTypedFieldsAreStoredWithThePoint) {
    const ScopedLocale comma(kCommaLocale);
    if (!comma.active()) GTEST_SKIP() << kCommaLocale << " is not installed";
    ImportedDocument d(2);
    d.fields.setLpiText("60,5");
    d.fields.setWidthText("7,25");
    d.fields.setDpiText("297,5");
    const std::string text = FormatSetupFile(d.doc, d.fields, nullptr);
    EXPECT_NE(text.find(" 6.05000000000000E+0001 "), std::string::npos) << text;
    EXPECT_NE(text.find(" 2.97500000000000E+0002  7.25000000000000E+0000 "), std::string::npos) << text;
    EXPECT_EQ(text.find(','), std::string::npos);
}

} // namespace
} // namespace deptrix
