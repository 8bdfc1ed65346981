// Chinese literals of the program's C++ sources come out as code page 936 bytes (this file is compiled the
// way the program's are: UTF-8 source, CP936 narrow literals), and agree with the system's own conversion; the rule
// by which wide paths become paths of a code page, in the code pages the program meets.
#include <gtest/gtest.h>

#include "ansi_path.h"
#include "gui_test_support.h"

TEST(CodePage, ChineseLiteralsAreCodePage936Bytes) {
    EXPECT_EQ(std::string("选项"), std::string("\xD1\xA1\xCF\xEE"));
    EXPECT_EQ(std::string("已优化"), std::string("\xD2\xD1\xD3\xC5\xBB\xAF"));
    // The system's conversion of the UTF-8 text (u8 literals stay UTF-8) gives the same bytes.
    EXPECT_EQ(std::string("已选择 %d 个文件，%d K"), sqztest::Ansi(u8"已选择 %d 个文件，%d K"));
    EXPECT_EQ(std::string("共计 %d 个文件"), sqztest::Ansi(u8"共计 %d 个文件"));
    EXPECT_EQ(std::string("Flash 文件损坏不能查看属性!"), sqztest::Ansi(u8"Flash 文件损坏不能查看属性!"));
    EXPECT_EQ(std::string("一个共享违背 occurred。 "), sqztest::Ansi(u8"一个共享违背 occurred。 "));
    // Double-byte characters whose second byte is a backslash or a vertical bar survive the conversion.
    EXPECT_EQ(std::string("乗 丨 癨"), sqztest::Ansi(u8"乗 丨 癨"));
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
