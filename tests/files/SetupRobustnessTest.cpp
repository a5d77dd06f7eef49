// Damaged settings and project files must either be refused with an Error or read
// into a store the document can hold.

#include "SetupTestSupport.h"
#include "core/Error.h"
#include "files/SetupFileReader.h"

namespace deptrix {
namespace {

const std::string kSeeds[] = {
    "D:\\work\\shop.psd\r\n42.4775 7 2 1.5\r\n3099 12 0 -8\r\n5\r\n7 5 1.0\r\n7 5 2.0\r\n7 5 1.0\r\n7 5 1\r\n"
    "1 0 0 2\r\n10 10 50 10 30 40\r\n2 3 1 1\r\n4 4\r\n5 5\r\n",
    "shop.psd\r\n 6.0E+0001 9 2  1.5E+0000\r\n39550 0 0 0\r\nDeptrix\r\n1 x 1\r\n 1.0E+0000\r\n 1.0E+0004  "
    "1.0E+0001 "
    " 7.5E+0000 1 8\r\n12\r\n0\r\n-8\r\n3\r\n7 5  1.0E+0000\r\n3 9  2.5E+0000\r\n7 5 1\r\n7 5 1\r\n1 0 0 "
    "2\r\n"
    "10 10 50 10 30 40\r\n1 0 2 1\r\n-5 7 6 -8\r\n3 14 0 3\r\n-100 7 2000 9 3 3 4 4\r\n",
    "shop.psd\n60 7 1 1\n3 2 1 3\n1 2 3 4\n5 6 7 8\n0 0 0 0\n2 14 0 2 1 1 2 2 3 3\n",
};

int g_read = 0;
int g_refused = 0;

void ReadOrRefuse(const std::string& text) {
    for (const SetupKind kind : { SetupKind::Settings, SetupKind::Project }) {
        ImportedDocument d(4);
        d.doc.SelectedLayer = 1;
        try {
            SetupFileReader reader(text, "damaged.tw3d2");
            reader.readImageLine();
            reader.apply(kind, d.doc, d.fields);
            ++g_read;
        } catch (const Error&) {
            ++g_refused;
        }
        size_t bytes = 0;
        for (const LineSet& set : d.doc.LayerLines) {
            ASSERT_TRUE(set.empty() || set.size() == static_cast<size_t>(kOrderCount));
            for (const OrderLines& lines : set)
                for (const Line& line : lines) bytes += sizeof(Line) + line.size() * sizeof(LinePoint);
        }
        ASSERT_LT(bytes, size_t { 1 } << 20) << text;
        ASSERT_LE(d.doc.LayerLines.size(), 4u);
        ASSERT_EQ(d.offsets().size(), 4u);
    }
}

TEST(SetupRobustness, TruncatedAndAlteredFilesAreReadOrRefused) {
    for (const std::string& file : kSeeds)
        for (size_t length = 0; length <= file.size(); ++length) ReadOrRefuse(file.substr(0, length));
    std::mt19937 random(2024);
    const std::string interesting = " \r\n-+.0123456789e";
    for (const std::string& file : kSeeds) {
        for (int round = 0; round < 1500; ++round) {
            std::string text = file;
            for (int c = 1 + static_cast<int>(random() % 4); c > 0; --c)
                text[random() % text.size()] = random() % 2 ? static_cast<char>(random() % 256)
                                                            : interesting[random() % interesting.size()];
            ReadOrRefuse(text);
        }
    }
    // Both outcomes are common, so the changes reach past the first fields.
    EXPECT_GT(g_read, 1000);
    EXPECT_GT(g_refused, 1000);
}

} // namespace
} // namespace deptrix
