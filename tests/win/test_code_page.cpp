// The program's texts are UTF-16 (wide literals of UTF-8 sources, and the resources), whatever the ANSI code page;
// the texts of that code page (paths, names) convert to and from them exactly, double-byte characters included.
#include <gtest/gtest.h>

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
