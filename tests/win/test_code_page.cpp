// Chinese literals of the program's C++ sources come out as code page 936 bytes (this file is compiled the
// way the program's are: UTF-8 source, CP936 narrow literals), and agree with the system's own conversion.
#include <gtest/gtest.h>

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
