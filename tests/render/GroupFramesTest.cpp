#include "render/GroupFrames.h"

#include "RenderTestSupport.h"

#include <array>
#include <gtest/gtest.h>
#include <map>

namespace deptrix {
namespace {

Document WithGroups(std::initializer_list<std::uint8_t> codes) {
    Document doc;
    for (std::uint8_t code : codes) {
        LayerRecord layer;
        layer.Group = code;
        doc.Layers.push_back(layer);
    }
    doc.LayerCount = static_cast<std::uint16_t>(doc.Layers.size());
    return doc;
}

TEST(GroupFrames, SpreadsTheMembersOverTheSevenViews) {
    const std::map<int, std::array<int, 7>> table = {
        { 1, { 0, 0, 0, 0, 0, 0, 0 } },
        { 2, { 0, 0, 0, 1, 1, 1, 1 } },
        { 3, { 0, 0, 1, 1, 2, 2, 2 } },
        { 4, { 0, 1, 1, 2, 2, 3, 3 } },
        { 5, { 0, 1, 2, 2, 3, 4, 4 } },
        { 6, { 0, 1, 2, 3, 4, 5, 5 } },
        { 7, { 0, 1, 2, 3, 4, 5, 6 } },
        { 8, { 1, 2, 3, 4, 5, 6, 7 } },
        { 10, { 1, 2, 4, 5, 7, 8, 9 } },
    };
    for (const auto& [n, members] : table) {
        // Members of group 3 interleaved with ordinary layers, so that member number
        // and layer index differ: member k is layer 2k + 1.
        Document doc;
        for (int i = 0; i < 2 * n; ++i) {
            LayerRecord layer;
            layer.Group = i % 2 ? 3 : 0;
            doc.Layers.push_back(layer);
        }
        doc.LayerCount = static_cast<std::uint16_t>(doc.Layers.size());
        BuildGroupFrames(doc);
        ASSERT_EQ(doc.GroupFrames.size(), 3u);
        for (int q = 0; q < 7; ++q)
            EXPECT_EQ(doc.GroupFrames[2][q], 2 * members[q] + 1) << "n " << n << " view " << q + 1;
    }
}

TEST(GroupFrames, CountsEveryCodeButTheOutlineCodeAndListsMembersBottomFirst) {
    Document doc = WithGroups({ 2, 0, 100, 2, 1, 2 });
    BuildGroupFrames(doc);
    ASSERT_EQ(doc.GroupMembers.size(), 2u);
    EXPECT_EQ(doc.GroupMembers[0], (std::vector<std::uint8_t> { 4 }));
    EXPECT_EQ(doc.GroupMembers[1], (std::vector<std::uint8_t> { 0, 3, 5 }));

    // 255 marks outline layers still to be built; until then it is a group code.
    doc = WithGroups({ 0, 255, 5, 255 });
    BuildGroupFrames(doc);
    ASSERT_EQ(doc.GroupFrames.size(), 255u);
    EXPECT_EQ(doc.GroupFrames[254], (std::array<std::uint8_t, 7> { 1, 1, 1, 3, 3, 3, 3 }));
    EXPECT_TRUE(doc.GroupMembers[0].empty()); // a code nobody uses keeps zeros
    EXPECT_EQ(doc.GroupFrames[0], (std::array<std::uint8_t, 7> {}));

    doc = WithGroups({ 0, 100, 0 });
    doc.GroupFrames.resize(4);
    BuildGroupFrames(doc);
    EXPECT_TRUE(doc.GroupFrames.empty());
    EXPECT_TRUE(doc.GroupMembers.empty());
}

} // namespace
} // namespace deptrix
