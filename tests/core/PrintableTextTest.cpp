#include "core/PrintableText.h"

#include "core/Error.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

TEST(PrintableText, KeepsTextAndEscapesEverythingElse) {
    EXPECT_EQ(PrintableText("scene.psd"), "scene.psd");
    EXPECT_EQ(PrintableText("图层 1 \xC3\xA9\xF0\x9F\x98\x80"), "图层 1 \xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(PrintableText("a\xff"
                            "b"),
        "a\\xFFb");
    EXPECT_EQ(PrintableText("\xC0\xAF"), "\\xC0\\xAF"); // overlong "/"
    EXPECT_EQ(PrintableText("\xED\xA0\x80"), "\\xED\\xA0\\x80"); // a UTF-16 surrogate
    EXPECT_EQ(PrintableText("\xF4\x90\x80\x80"), "\\xF4\\x90\\x80\\x80"); // above U+10FFFF
    EXPECT_EQ(PrintableText("\xE5\x9B"), "\\xE5\\x9B"); // cut short
    EXPECT_EQ(PrintableText("\x1b[2Jx\x7f"), "\\x1B[2Jx\\x7F");
    EXPECT_EQ(PrintableText(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(PrintableText("a\nb\tc"), "a\\x0Ab\\x09c");
    EXPECT_EQ(PrintableText("a\nb\tc", true), "a\nb\tc");
}

TEST(PrintableText, ErrorsNeverCarryRawBytes) {
    const Error error("truncated tagged block '\x81\xfe\x1b' in\nlayer 2");
    EXPECT_STREQ(error.what(), "truncated tagged block '\\x81\\xFE\\x1B' in\nlayer 2");
}

} // namespace
} // namespace deptrix
