// The handoff text taken apart into movie paths: the worked example, lower case, trimming, the separator inside a
// folder name, a last path without its space, a separator at the very start, double-byte characters whose second
// byte looks like a letter or a separator, and a buffer with no terminator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handoff_text.h"

namespace {

using Paths = std::vector<std::string>;

// The lead bytes of code page 936, whatever code page this machine uses.
bool Cp936Lead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool NoLead(unsigned char) { return false; }

Paths Split(const std::string& text) { return SplitHandoffText(text, Cp936Lead); }

}  // namespace

TEST(HandoffText, TheWorkedExample) {
    const std::string value = "D:\\Movies\\Intro.SWF E:\\my files\\a b.swf ";
    ASSERT_EQ(value.size(), 40u);
    EXPECT_EQ(Split(value), (Paths{"d:\\movies\\intro.swf", "e:\\my files\\a b.swf"}));
}

TEST(HandoffText, PiecesAreTrimmedLowerCasedAndTakenOnlyUpToTheLastSeparator) {
    EXPECT_EQ(Split("C:\\A.SWF "), (Paths{"c:\\a.swf"}));
    EXPECT_EQ(Split("c:\\a.swf c:\\b.swf"), (Paths{"c:\\a.swf"})) << "the last path lacks its space";
    EXPECT_EQ(Split("c:\\b.swf"), Paths{});
    EXPECT_EQ(Split(""), Paths{});
    EXPECT_EQ(Split("no movies here "), Paths{});
    EXPECT_EQ(Split(".swf c:\\a.swf "), Paths{}) << "a separator at the very start ends the reading";
    EXPECT_EQ(Split(" .swf c:\\a.swf "), (Paths{".swf", "c:\\a.swf"}));
    EXPECT_EQ(Split("\t c:\\a.swf \r\n\tc:\\b.swf  c:\\c.swf "), (Paths{"c:\\a.swf", "c:\\b.swf", "c:\\c.swf"}));
    EXPECT_EQ(Split("c:\\a.swf c:\\a.swf "), (Paths{"c:\\a.swf", "c:\\a.swf"})) << "duplicates stay";
    EXPECT_EQ(Split("c:\\x.swf.swf "), (Paths{"c:\\x.swf.swf"}));
}

TEST(HandoffText, AFolderNamedLikeAMovieSplitsThePath) {
    EXPECT_EQ(Split("C:\\old.swf files\\x.swf "), (Paths{"c:\\old.swf", "files\\x.swf"}));
    EXPECT_EQ(Split("c:\\a.swfb.swf "), (Paths{"c:\\a.swfb.swf"})) << "no space after the first .swf";
}

TEST(HandoffText, DoubleByteCharactersAreNeverSplitOrLowered) {
    // 0xB6 0x2E: a character whose second byte is a dot, so ".swf " after it must not match.
    const std::string fake = std::string("c:\\\xB6") + ".swf x.swf ";
    EXPECT_EQ(SplitHandoffText(fake, Cp936Lead), (Paths{fake.substr(0, fake.size() - 1)}));
    EXPECT_EQ(SplitHandoffText(fake, NoLead), (Paths{"c:\\\xB6.swf", "x.swf"}));
    // A second byte in the letter range keeps its case: 0xB0 0x41 is one character, not "A".
    const std::string letter = std::string(
        "D:\\\xB0"
        "A\\M.SWF ");
    EXPECT_EQ(SplitHandoffText(letter, Cp936Lead), (Paths{std::string("d:\\\xB0"
                                                                      "A\\m.swf")}));
    // A lead byte at the very end has no second byte and counts as one character.
    EXPECT_EQ(SplitHandoffText(std::string("c:\\a.swf \xB0"), Cp936Lead), (Paths{"c:\\a.swf"}));
}

TEST(HandoffText, TheBufferIsReadUpToItsFirstZeroByteAndNeverBeyondItsEnd) {
    const char text[] = "c:\\a.swf \0c:\\b.swf ";
    EXPECT_EQ(HandoffTextFromBuffer(text, sizeof(text)), "c:\\a.swf ");
    // A buffer the value fills whole: no terminator in it, and nothing after it is read.
    std::string full(kHandoffBufferSize, 'x');
    for (size_t i = 0; i + 260 <= full.size(); i += 260) full.replace(i + 255, 5, ".swf ");
    std::string taken = HandoffTextFromBuffer(full.data(), full.size());
    EXPECT_EQ(taken.size(), kHandoffBufferSize);
    EXPECT_EQ(Split(taken).size(), 1024u);
    EXPECT_EQ(HandoffTextFromBuffer(nullptr, 10), "");
    EXPECT_EQ(HandoffTextFromBuffer(text, 0), "");
}
