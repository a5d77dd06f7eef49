#include "core/TokenReader.h"

#include "core/Error.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

TEST(TokenReader, ReadsFieldsThenSkipsTheRestOfTheLine) {
    TokenReader in("1 2 3 trailing words\r\n 4.5e1  7\r\nlast line\r\n");
    EXPECT_EQ(in.readInteger(), 1);
    EXPECT_EQ(in.readInteger(), 2);
    in.skipLine();
    EXPECT_EQ(in.readReal(), 45.0L);
    EXPECT_EQ(in.readInteger(), 7);
    in.skipLine();
    EXPECT_EQ(in.readLine(), "last line");
    EXPECT_TRUE(in.atEnd());
}

TEST(TokenReader, NumbersContinueOnTheNextLineAndReadZeroAtTheEnd) {
    TokenReader in("10\n20\n");
    EXPECT_EQ(in.readInteger(), 10);
    EXPECT_EQ(in.readInteger(), 20);
    EXPECT_EQ(in.readInteger(), 0);
    EXPECT_EQ(in.readReal(), 0.0L);
    in.skipLine();
    EXPECT_EQ(in.readLine(), "");
}

TEST(TokenReader, AcceptsBareLineFeeds) {
    TokenReader in("first\nsecond\n3");
    EXPECT_EQ(in.readLine(), "first");
    EXPECT_EQ(in.readLine(), "second");
    EXPECT_EQ(in.readInteger(), 3);
}

TEST(TokenReader, AFieldThatIsNotANumberFails) {
    for (const char* text : { "abc", "1.5", "-", "12x" }) {
        TokenReader in(text);
        try {
            in.readInteger();
            ADD_FAILURE() << text;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Invalid numeric input");
        }
    }
    TokenReader reals("4,5");
    EXPECT_THROW(reals.readReal(), Error);
    TokenReader huge("99999999999999999999");
    EXPECT_THROW(huge.readInteger(), Error);
}

TEST(TokenReader, MissingFileIsReported) {
    try {
        TokenReader::FromFile("/nonexistent/folder/deptrix.inf");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
}

} // namespace
} // namespace deptrix
