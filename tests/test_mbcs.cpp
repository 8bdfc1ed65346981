// Multibyte-aware search, case folding and comparison.
#include "mbcs.h"

#include <gtest/gtest.h>

#include "platform.h"

using namespace sqz;

TEST(Mbcs, SingleByteText) {
    EXPECT_EQ(MbsFindLast("a/b/c", '/'), 3u);
    EXPECT_EQ(MbsFindLast("abc", '/'), std::string::npos);
    EXPECT_EQ(MbsFind("d:\\a.swf e:\\b.swf ", ".swf "), 4u);
    EXPECT_EQ(MbsFind("d:\\a.swf e:\\b.swf ", ".swf ", 5), 13u);
    EXPECT_EQ(MbsFind("abc", "x"), std::string::npos);
    EXPECT_EQ(MbsLower("D:\\Movies\\INTRO.SWF"), "d:\\movies\\intro.swf");
    // Upper case orders before lower case, as code values do.
    EXPECT_LT(MbsCmp("B.swf", "a.swf"), 0);
    EXPECT_LT(MbsCmp("a.swf", "b.swf"), 0);
    EXPECT_EQ(MbsCmp("a", "a"), 0);
    EXPECT_LT(MbsCmp("a", "ab"), 0);
    EXPECT_GT(MbsCmp("ab", "a"), 0);
    EXPECT_EQ(MbsICmp("D:\\A\\X.SWF", "d:\\a\\x.swf"), 0);
    EXPECT_LT(MbsICmp("a", "B"), 0);
}

// Under code page 936: the second byte of a double-byte character is never a character of its own.
TEST(Mbcs, DoubleByteCharactersStayWhole) {
    if (!IsDbcsLeadByte(0x81)) GTEST_SKIP() << "the ANSI code page has no double-byte characters";
    // 0x81 0x41 is one character whose second byte is 'A'; 0x95 0x5C one whose second byte is '\'.
    EXPECT_EQ(MbsLower("\x81\x41"
                       "A"),
              "\x81\x41"
              "a");
    EXPECT_EQ(MbsFindLast("a\\\x95\x5C", '\\'), 1u);
    EXPECT_TRUE(MbsIsTrailByte("\x95\x5C", 1));
    EXPECT_FALSE(MbsIsTrailByte("\x95\x5C", 0));
    // ".swf " where the '.' would be the second byte of a character is no match.
    EXPECT_EQ(MbsFind("\x81.swf x.swf ", ".swf "), 7u);
    EXPECT_EQ(MbsICmp("\x81\x41", "\x81\x61"), MbsCmp("\x81\x41", "\x81\x61"));
    EXPECT_NE(MbsICmp("\x81\x41", "\x81\x61"), 0);
    // A double-byte character orders after every single-byte one.
    EXPECT_GT(MbsCmp("\xB1\xED", "z"), 0);
}

// Found by fuzzing the sort comparison: a text that ends must order before one that goes on with a zero byte,
// whichever side it stands on.
TEST(Mbcs, EndOfTextOrdersBeforeAZeroByte) {
    const std::string shorter = "a", longer("a\0b", 3);
    EXPECT_LT(MbsCmp(shorter, longer), 0);
    EXPECT_GT(MbsCmp(longer, shorter), 0);
    EXPECT_LT(MbsICmp("", std::string(1, '\0')), 0);
    EXPECT_GT(MbsICmp(std::string(1, '\0'), ""), 0);
}
