#include "files/ConfigFile.h"

#include "TestFolder.h"
#include "core/Error.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

TEST(ConfigFile, NewFileHoldsTheDefaultsInTheFixedRealForm) {
    const std::string text = FormatConfig(ConfigValues {});
    const std::string line1 = "0 0 0 0 0 0  1.00000000000000E+0000\r\n";
    const std::string line2 = " 4.24775000000000E+0001 7  7.20000000000000E+0002  5.00000000000000E+0000 "
                              " 5.00000000000000E+0000 2 4\r\n";
    ASSERT_EQ(text.substr(0, line1.size()), line1);
    EXPECT_EQ(text.substr(line1.size(), line2.size()), line2);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(ParseConfig(text), ConfigValues {});
}

TEST(ConfigFile, RepairsOutOfRangeValuesAndKeepsTheBounds) {
    ConfigValues v;
    v.Lpi = 89000; // 8.9
    v.OutDpi = 999999;
    v.OutWidth = 1000001;
    v.OutHeight = 9999;
    v.ColorMode = 3;
    v.HScale = 0;
    v.DepthFactor = 0;
    EXPECT_TRUE(RepairConfig(v));
    EXPECT_EQ(v.Lpi, 424775);
    EXPECT_EQ(v.OutDpi, 12000000); // 1200, not the new file's 720
    EXPECT_EQ(v.OutWidth, 50000);
    EXPECT_EQ(v.OutHeight, 50000);
    EXPECT_EQ(v.ColorMode, 2);
    EXPECT_EQ(v.HScale, 4);
    EXPECT_EQ(v.DepthFactor, 10000);

    ConfigValues bounds;
    bounds.Lpi = 90000;
    bounds.OutDpi = 101600000;
    bounds.OutWidth = 10000;
    bounds.OutHeight = 1000000;
    bounds.HScale = 32;
    bounds.DepthFactor = 1000000;
    EXPECT_FALSE(RepairConfig(bounds));
    bounds.Lpi = 1700000;
    bounds.OutDpi = 1000000;
    bounds.HScale = 1;
    bounds.DepthFactor = 1;
    EXPECT_FALSE(RepairConfig(bounds));
    bounds.HScale = 33;
    EXPECT_TRUE(RepairConfig(bounds));
    EXPECT_EQ(bounds.HScale, 4);
}

TEST(ConfigFile, ReadsAnyNotationAndKeepsLowBitsOfByteFields) {
    const ConfigValues v = ParseConfig("7 8 9 10 11 257 50\n9 12 10000 5.5 3 258 300 extra\nignored 1 2\n");
    EXPECT_EQ(v.Reserved, (std::array<std::int32_t, 5> { 7, 8, 9, 10, 11 }));
    EXPECT_EQ(v.Language, 1);
    EXPECT_EQ(v.DepthFactor, 500000);
    EXPECT_EQ(v.Lpi, 90000);
    EXPECT_EQ(v.Angles, 12);
    EXPECT_EQ(v.OutDpi, kAutoDpi);
    EXPECT_EQ(v.OutWidth, 55000);
    EXPECT_EQ(v.ColorMode, 2);
    EXPECT_EQ(v.HScale, 44);
}

TEST(ConfigFile, MissingTrailingFieldsReadAsZero) {
    ConfigValues v = ParseConfig("0 0 0 0 0 0 1.0\r\n42.4775 7 720");
    EXPECT_EQ(v.OutWidth, 0);
    EXPECT_EQ(v.ColorMode, 0);
    EXPECT_EQ(v.HScale, 0);
    RepairConfig(v);
    EXPECT_EQ(v.OutWidth, 50000);
    EXPECT_EQ(v.ColorMode, 0); // 0 is a valid colour mode
    EXPECT_EQ(v.HScale, 4);
    EXPECT_EQ(ParseConfig("").Lpi, 0);
}

TEST(ConfigFile, AFieldThatIsNotANumberFails) {
    EXPECT_THROW(ParseConfig("0 0 0 0 0 0 1.0\r\n42,4775 7\r\n"), Error);
    EXPECT_THROW(ParseConfig("garbage\r\n"), Error);
}

TEST(ConfigRecovery, KeepsTheFieldsBeforeTheBadOneAndNamesIt) {
    const ConfigLoad load
        = ParseConfigFields("3 0 1 0 0 1  2.5E+0000\r\n 5.0E+0001 9  7,5E+0002  8.0 8.0 0 9\r\n");
    EXPECT_FALSE(load.complete);
    EXPECT_EQ(load.field, "output DPI (line 2, field 3)");
    EXPECT_EQ(load.problem, "'7,5E+0002' is not a number");
    ConfigValues expected; // the fields after the bad one are those of a new file
    expected.Reserved = { 3, 0, 1, 0, 0 };
    expected.Language = 1;
    expected.DepthFactor = 25000;
    expected.Lpi = 500000;
    expected.Angles = 9;
    EXPECT_EQ(load.values, expected);

    // A bad field on line 1 leaves all of line 2 at the defaults; what is shown of a
    // damaged field is escaped and cut short.
    const ConfigLoad early = ParseConfigFields("0 0 \x01\xff" + std::string(100, 'x') + " 0\r\n 99 3\r\n");
    EXPECT_EQ(early.field, "reserved field 3 (line 1, field 3)");
    EXPECT_EQ(early.problem, "'\\x01\\xFF" + std::string(32, 'x') + "...' is not a number");
    EXPECT_EQ(early.values.Lpi, ConfigValues {}.Lpi);
    EXPECT_TRUE(ParseConfigFields("0 0 0 0 0 0 1.0\r\n42.4775 7\r\n").complete);
}

class ConfigFileOnDisk : public ::testing::Test {
protected:
    test::TestFolder folder;
    std::filesystem::path file() const { return folder / "deptrixcmyk.inf"; }
    std::string prefix() const {
        return "The configuration file deptrixcmyk.inf in " + folder.path().string();
    }
};

TEST_F(ConfigFileOnDisk, AnUnreadableFieldKeepsTheFileAsBadBesideIt) {
    const std::string damaged = "0 0 1 0 0 0  2.0\r\n 60 abc 720\r\n";
    test::WriteText(file(), damaged);
    test::TestFolder elsewhere;
    test::WriteText(elsewhere / "victim", "precious");
    std::filesystem::create_symlink(elsewhere / "victim", folder / "deptrixcmyk.inf.bad");
    std::filesystem::create_symlink(
        elsewhere / "victim", test::TemporaryOf(folder / "deptrixcmyk.inf.bad", "t1"));

    const test::ScopedFileIoHooks tags(test::CountingTags());
    const ConfigLoad load = LoadConfigFile(file());
    EXPECT_EQ(load.values.Lpi, 600000);
    EXPECT_EQ(load.values.DepthFactor, 20000);
    EXPECT_EQ(load.keptCopy, folder / "deptrixcmyk.inf.bad");
    EXPECT_EQ(test::ReadText(folder / "deptrixcmyk.inf.bad"), damaged);
    EXPECT_EQ(test::ReadText(elsewhere / "victim"), "precious");
    EXPECT_EQ(load.message(file()),
        prefix()
            + " could not be read: the field angles (line 2, field 2) is damaged: 'abc' is not a number. The "
              "values "
              "before it were kept and the default settings taken for the rest; the unreadable file was kept "
              "as "
              "deptrixcmyk.inf.bad.");
    EXPECT_EQ(test::ReadText(file()), damaged); // rewriting it is the caller's step
}

TEST_F(ConfigFileOnDisk, AFileThatCannotBeReadAtAllIsMovedAside) {
    const std::string huge(2 << 20, '7');
    test::WriteText(file(), huge);
    const ConfigLoad load = LoadConfigFile(file());
    EXPECT_FALSE(load.complete);
    EXPECT_EQ(load.values, ConfigValues {});
    EXPECT_EQ(load.message(file()),
        prefix() + " could not be read: deptrixcmyk.inf: the file in " + folder.path().string()
            + " is too large. The default settings are used; the unreadable file was kept as "
              "deptrixcmyk.inf.bad.");
    EXPECT_EQ(test::ReadText(folder / "deptrixcmyk.inf.bad").size(), huge.size());
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(ConfigFileOnDisk, AFullDiskLeavesTheOldFileAndNoTemporaryFile) {
    WriteConfigFile(file(), ConfigValues {});
    const std::string before = test::ReadText(file());
    ConfigValues changed;
    changed.Lpi = 600000;
    const test::ScopedFileIoHooks full(test::FillingDisk(ENOSPC, 20));
    try {
        WriteConfigFile(file(), changed);
        FAIL() << "written on a full disk";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
            "deptrixcmyk.inf: cannot write the file: not enough space in " + folder.path().string());
    }
    EXPECT_EQ(test::ReadText(file()), before);
    EXPECT_EQ(folder.names(), std::set<std::string> { "deptrixcmyk.inf" });
}

} // namespace
} // namespace deptrix
