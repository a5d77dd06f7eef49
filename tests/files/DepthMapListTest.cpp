// The depth maps a settings or project file keeps in its side file.

#include "files/DepthMapList.h"

#include "SetupTestSupport.h"
#include "core/Error.h"

namespace deptrix {
namespace {

namespace fs = std::filesystem;

class DepthMapListTest : public FileTest {
protected:
    ImportedDocument imported { 3, "/pictures/shop.psd" };
    Document& doc = imported.doc;
    std::vector<std::string> asked; ///< the pictures the reader was asked for

    /// Reads every picture as one grey pixel whose value is the name's length.
    DepthPictureReader reader() {
        return [this](const fs::path& path, const std::string& layer) {
            asked.push_back(path.filename().string() + (layer.empty() ? "" : "#" + layer));
            return GreyPicture { 1, 1, { static_cast<std::uint16_t>(path.filename().string().size()) } };
        };
    }
    LayerDepthMap mapOf(const fs::path& path, DepthMapOptions options = {}, std::string layer = {}) {
        return MakeLayerDepthMap(GreyPicture { 1, 1, { 0 } }, path, std::move(layer), options);
    }
    std::string refusal(const std::string& text) {
        try {
            ParseDepthMapList(text, "p.tw3d2.depth");
        } catch (const Error& e) {
            return e.what();
        }
        return "accepted";
    }
};

TEST_F(DepthMapListTest, WritesOneLinePerMapWithPathsRelativeToTheFile) {
    DepthMapOptions options;
    options.invert = true;
    options.blackPoint = 125000; // 12.5
    options.whitePoint = 2400000;
    options.marginColumns = 75;
    doc.setDepthMap(0, mapOf(folder / "maps" / "a \"b\".png", options));
    DepthMapOptions whole;
    whole.wholeDocument = true;
    doc.setDepthMap(2, mapOf(folder / "scene.psd", whole, "Depth \\ 2"));
    const std::string text = FormatDepthMapList(doc, folder);
    EXPECT_EQ(text,
        "0 1 12.5 240 layer 75 \"maps/a \\\"b\\\".png\" \"\"\r\n"
        "2 0 0 255 doc 0 \"scene.psd\" \"Depth \\\\ 2\"\r\n");
    const std::vector<DepthMapListEntry> entries = ParseDepthMapList(text, "p.tw3d2.depth");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].layer, 0u);
    EXPECT_EQ(entries[0].options, options);
    EXPECT_EQ(entries[0].path, fs::path("maps/a \"b\".png"));
    EXPECT_EQ(entries[1].options, whole);
    EXPECT_EQ(entries[1].layerName, "Depth \\ 2");
}

TEST_F(DepthMapListTest, RefusesLinesThatBreakTheFormatNamingTheLine) {
    EXPECT_EQ(refusal("\r\n1 0 0 255 layer 0 \"a.png\"\n\n"), "accepted"); // the layer name may be left out
    EXPECT_EQ(
        refusal("\n1 2 0 255 layer 0 \"a.png\" \"\""), "p.tw3d2.depth line 2: invert is 0 or 1, not '2'");
    EXPECT_EQ(refusal("1 0 0 255 beside 0 \"a.png\" \"\""),
        "p.tw3d2.depth line 1: the fit is 'layer' or 'doc', not 'beside'");
    EXPECT_EQ(
        refusal("1 0 200 100 layer 0 \"a.png\" \"\"").rfind("p.tw3d2.depth line 1: The black point", 0), 0u);
    EXPECT_EQ(refusal("1 0 0 255 layer 0 \"a.png"), "p.tw3d2.depth line 1: a quoted name is not closed");
    EXPECT_EQ(refusal("1 0 0 255 layer 0 a.png"), "p.tw3d2.depth line 1: a quoted name is missing");
    EXPECT_EQ(
        refusal("x 0 0 255 layer 0 \"a.png\""), "p.tw3d2.depth line 1: 'x' is not a valid integer value");
    EXPECT_EQ(
        refusal("1 0 0 255 layer 0 \"a.png\" \"\" 7"), "p.tw3d2.depth line 1: more fields than a line holds");
}

TEST_F(DepthMapListTest, OpeningGivesTheMapsAndNamesWhatIsMissing) {
    const fs::path settings = folder / "shop.tw3d2";
    write("present.png", "");
    write("shop.tw3d2.depth",
        "0 0 0 255 layer 0 \"present.png\" \"\"\r\n"
        "1 0 0 255 layer 0 \"gone.png\" \"\"\r\n"
        "7 0 0 255 layer 0 \"present.png\" \"\"\r\n");
    doc.setDepthMap(2, mapOf(folder / "old.png")); // not in the file: cleared
    doc.LayerLines.assign(3, LineSet(kOrderCount));
    const DepthMapListResult result = ApplyDepthMapList(settings, doc, reader());
    EXPECT_TRUE(result.found);
    EXPECT_EQ(result.applied, 1);
    ASSERT_EQ(result.problems.size(), 2u);
    EXPECT_EQ(result.problems[0].rfind("gone.png: the depth map of layer 2 is missing", 0), 0u)
        << result.problems[0];
    EXPECT_EQ(
        result.problems[1], "shop.tw3d2.depth: there is no layer index 7 for the depth map present.png");
    EXPECT_EQ(asked, std::vector<std::string> { "present.png" });
    ASSERT_NE(doc.depthMapOf(0), nullptr);
    EXPECT_EQ(doc.depthMapOf(0)->picture->values[0], 11);
    EXPECT_EQ(doc.Layers[0].Group, kGroupOutlineStale);
    EXPECT_EQ(doc.depthMapOf(1), nullptr); // stays flat
    EXPECT_EQ(doc.Layers[1].Group, kGroupNone);
    EXPECT_EQ(doc.depthMapOf(2), nullptr);
    EXPECT_EQ(doc.Layers[2].Group, kGroupNone);

    // A broken side file changes nothing.
    write("shop.tw3d2.depth", "0 0 0 255 layer 0 \"present.png\" \"\"\r\nbroken\r\n");
    EXPECT_THROW(ApplyDepthMapList(settings, doc, reader()), Error);
    EXPECT_NE(doc.depthMapOf(0), nullptr);
}

TEST_F(DepthMapListTest, WithoutASideFileMapsStayUnlessTheSettingsGaveOutlines) {
    doc.setDepthMap(0, mapOf(folder / "a.png"));
    doc.setDepthMap(1, mapOf(folder / "b.png"));
    doc.LayerLines.assign(3, LineSet(kOrderCount));
    doc.LayerLines[1][0].push_back({ { 0, 0 }, { 5, 5 } });
    doc.Layers[1].Group = kGroupOutlineStale;
    EXPECT_FALSE(ApplyDepthMapList(folder / "shop.tw3d2", doc, reader()).found);
    EXPECT_NE(doc.depthMapOf(0), nullptr);
    EXPECT_EQ(doc.depthMapOf(1), nullptr);
    EXPECT_EQ(doc.Layers[1].Group, kGroupOutlineStale);
}

TEST_F(DepthMapListTest, SavingWithoutMapsRemovesTheSideFileOfAnEarlierSave) {
    const fs::path settings = folder / "shop.tw3d2";
    doc.setDepthMap(1, mapOf(folder / "a.png"));
    SaveDepthMapList(settings, doc);
    EXPECT_EQ(read(folder / "shop.tw3d2.depth"), "1 0 0 255 layer 0 \"a.png\" \"\"\r\n");
    doc.clearDepthMap(1);
    SaveDepthMapList(settings, doc);
    EXPECT_FALSE(fs::exists(folder / "shop.tw3d2.depth"));
    SaveDepthMapList(settings, doc); // nothing to remove
}

} // namespace
} // namespace deptrix
