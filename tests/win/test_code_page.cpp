// The program's texts are UTF-16 (wide literals of UTF-8 sources, and the resources), whatever the ANSI code page;
// the texts of that code page (paths, names) convert to and from them exactly, double-byte characters included; and
// the rule by which wide paths become paths of a code page, in the code pages the program meets.
#include <gtest/gtest.h>

#include "ansi_path.h"
#include "file_row.h"
#include "gui_test_support.h"

TEST(CodePage, TheProgramsTextsAreUtf16AndAnsiTextsConvertExactly) {
    // The code units of the list's texts, as a system of any code page shows them.
    EXPECT_EQ(std::wstring(kCommentOptimized), std::wstring(L"\u5df2\u4f18\u5316"));
    EXPECT_EQ(std::wstring(kCommentReady), std::wstring(L"\u5c31\u7eea"));
    EXPECT_EQ(std::wstring(kFileListColumnTable[3].pszHeading), std::wstring(L"\u4f18\u5316\u540e\u5927\u5c0f"));
    EXPECT_EQ(std::wstring(L"已选择 %d 个文件，%d K"), sqztest::Wide(u8"已选择 %d 个文件，%d K"));
    EXPECT_EQ(std::wstring(L"一个共享违背 occurred。 "), sqztest::Wide(u8"一个共享违背 occurred。 "));
    // Code page 936 texts, double-byte characters whose second byte is a backslash or a vertical bar among them,
    // survive the conversion both ways.
    const std::string ansi = sqztest::Ansi(u8"乗 亅 癨 动画.swf");
    EXPECT_EQ(ansi, std::string("\x81\x5c \x81\x7c \xb0\x5c \xb6\xaf\xbb\xad.swf"));
    EXPECT_EQ(sqztest::WideOfAnsi(ansi), sqztest::Wide(u8"乗 亅 癨 动画.swf"));
    EXPECT_EQ(::GetACP(), 936u) << "the tests run under the Chinese locale";
}

// The rule by which a wide path becomes a path of the code page, in the code pages the program meets: Chinese (936),
// Western (1252) and UTF-8 (65001, "Use Unicode UTF-8 for worldwide language support"), whatever the code page of
// the tests. A name with no exact form, not even by best fit, goes by its short form; with no short form, not at all.
TEST(CodePage, TheAnsiPathRuleInEveryCodePage) {
    const std::wstring movie = L"\u52a8\u753b.swf", kana = L"\u30e0\u30fc\u30d3\u30fc.swf",
                       emoji = L"clip\U0001F3AC.swf", accent = L"caf\u00e9.swf", macron = L"\u0101.swf",
                       loneSurrogate = std::wstring(L"a") + wchar_t(0xD800) + L".swf";
    const std::string kShort = "C:\\M\\SHORT~1.SWF";
    struct Case {
        UINT codePage;
        std::wstring name;
        std::string exact;  // its exact form, "" when it has none
    };
    const Case cases[] = {
        {936, movie, "\xB6\xAF\xBB\xAD.swf"},
        {936, kana, "\xA5\xE0\xA9\x60\xA5\xD3\xA9\x60.swf"},
        {936, emoji, ""},
        {936, macron, "\xA8\xA1.swf"},
        {1252, accent, "caf\xE9.swf"},
        {1252, movie, ""},
        {1252, macron, ""},  // not its best fit "a.swf"
        {1252, emoji, ""},
        {65001, movie, "\xE5\x8A\xA8\xE7\x94\xBB.swf"},
        {65001, emoji, "clip\xF0\x9F\x8E\xAC.swf"},
        {65001, accent, "caf\xC3\xA9.swf"},
        {65001, loneSurrogate, ""},
        {65001, L"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.codePage) + " " + ansi_path::Narrow(c.name, CP_UTF8));
        std::string exact;
        EXPECT_EQ(ansi_path::ExactAnsi(c.name, c.codePage, &exact), !c.exact.empty());
        EXPECT_EQ(exact, c.exact);
        ansi_path::ShortPathLookupInUse() = [](const std::wstring&) { return std::wstring(L"C:\\M\\SHORT~1.SWF"); };
        const std::string byRule = ansi_path::AnsiPathOf(c.name, c.codePage);
        const std::string entry = ansi_path::AnsiNameOf(L"C:\\M\\", c.name, c.codePage);
        ansi_path::ShortPathLookupInUse() = [](const std::wstring&) { return std::wstring(); };
        const std::string withoutShortNames = ansi_path::AnsiPathOf(c.name, c.codePage);
        ansi_path::ShortPathLookupInUse() = ansi_path::VolumeShortPath;
        EXPECT_EQ(byRule, c.exact.empty() ? kShort : c.exact);
        EXPECT_EQ(entry, c.exact.empty() ? "SHORT~1.SWF" : c.exact);
        EXPECT_EQ(withoutShortNames, c.exact);
    }
    // What Windows asks of a conversion into UTF-8 (no best-fit flag, no used-default flag; Wine asks nothing).
    EXPECT_EQ(ansi_path::ExactConversionFlags(65001), static_cast<DWORD>(WC_ERR_INVALID_CHARS));
    EXPECT_EQ(ansi_path::ExactConversionFlags(936), static_cast<DWORD>(WC_NO_BEST_FIT_CHARS));
    EXPECT_EQ(ansi_path::ExactConversionFlags(CP_ACP), ansi_path::ExactConversionFlags(::GetACP()));
    // CP_ACP is the system's code page, whichever that is.
    std::string viaAcp, viaNumber;
    EXPECT_EQ(ansi_path::ExactAnsi(movie, CP_ACP, &viaAcp), ansi_path::ExactAnsi(movie, ::GetACP(), &viaNumber));
    EXPECT_EQ(viaAcp, viaNumber);
}
