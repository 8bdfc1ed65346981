// The program and work folders, path splitting, sizes and number formatting.
#include "file_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>

#include "test_support.h"

using namespace sqztest;
using sqz::kPathSep;

namespace {

std::string P(const std::string& slashed) {
    std::string p = slashed;
    for (char& c : p)
        if (c == '/') c = kPathSep;
    return p;
}

// Refuses to create folders, like a read-only program folder.
class NoNewFolders : public ProgramFolderAt {
public:
    using ProgramFolderAt::ProgramFolderAt;
    bool CreateFolder(const std::string&) override { return false; }
};

}  // namespace

TEST(PathParts, SplitAtTheLastSeparator) {
    EXPECT_EQ(GetFolderPart(P("D:/movies/intro.swf")), P("D:/movies/"));
    EXPECT_EQ(GetFileNamePart(P("D:/movies/intro.swf")), "intro.swf");
    EXPECT_EQ(GetFileStem(P("D:/movies/intro.swf")), "intro");
    EXPECT_EQ(GetFileStem(P("D:/movies/intro.exe")), "intro");
    EXPECT_EQ(GetFileStem(P("D:/movies/a.b.swf")), "a.b");
    EXPECT_EQ(GetFileStem(P("D:/movies/x.fla.bak")), "x.fla");  // always four characters off
    // Bare names and short names.
    EXPECT_EQ(GetFolderPart("intro.swf"), "");
    EXPECT_EQ(GetFileNamePart("intro.swf"), "");
    EXPECT_EQ(GetFileStem("intro.swf"), "");
    EXPECT_EQ(GetFileStem(P("D:/m/.swf")), "");
    EXPECT_EQ(GetFileStem(P("D:/m/a.swf")), "a");
    EXPECT_EQ(GetFileNamePart(P("D:/m/")), "");
    EXPECT_EQ(GetFolderPart(P("D:/m/")), P("D:/m/"));
}

#ifdef _WIN32
TEST(PathParts, ForwardSlashIsNotASeparatorOnWindows) {
    EXPECT_EQ(GetFileNamePart("D:\\a/b.swf"), "a/b.swf");
    EXPECT_EQ(GetFolderPart("D:/a/b.swf"), "");
}
#endif

// A double-byte character whose second byte is 0x5C (the backslash) is part of the name, not a separator.
TEST(PathParts, DoubleByteNamesWithABackslashSecondByte) {
    if (!sqz::IsDbcsLeadByte(0x95)) GTEST_SKIP() << "the ANSI code page has no double-byte characters";
    const std::string path = "D:\\\x95\x5C\\\xB1\xED\x95\x5C.swf";
    EXPECT_EQ(GetFolderPart(path), "D:\\\x95\x5C\\");
    EXPECT_EQ(GetFileNamePart(path), "\xB1\xED\x95\x5C.swf");
    EXPECT_EQ(GetFileStem(path), "\xB1\xED\x95\x5C");
}

TEST(FormatThousands, GroupsDigitsInThrees) {
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(100), "100");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1,000");
    EXPECT_EQ(FormatThousands(123456), "123,456");
    EXPECT_EQ(FormatThousands(1234567), "1,234,567");
    EXPECT_EQ(FormatThousands(INT_MAX), "2,147,483,647");
    // Negative numbers: the sign stands before the grouped digits.
    EXPECT_EQ(FormatThousands(-1), "-1");
    EXPECT_EQ(FormatThousands(-100), "-100");
    EXPECT_EQ(FormatThousands(-1234), "-1,234");
    EXPECT_EQ(FormatThousands(-123456), "-123,456");
    EXPECT_EQ(FormatThousands(INT_MIN), "-2,147,483,648");
    // Sizes of 2 GB and more, and sums of sizes, as the unsigned figures they are.
    EXPECT_EQ(FormatThousands64(0), "0");
    EXPECT_EQ(FormatThousands64(999), "999");
    EXPECT_EQ(FormatThousands64(1000), "1,000");
    EXPECT_EQ(FormatThousands64(2147483648u), "2,147,483,648");
    EXPECT_EQ(FormatThousands64(3000000000u), "3,000,000,000");
    EXPECT_EQ(FormatThousands64(12345678901234ull), "12,345,678,901,234");
    EXPECT_EQ(FormatThousands64(UINT64_MAX), "18,446,744,073,709,551,615");
}

TEST(ProgramFolder, FolderOfTheExecutableWithItsSeparator) {
    std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), kPathSep);
    EXPECT_NE(PathExists(folder), 0);
    EXPECT_EQ(GetConfigIniPath(), folder + "config.ini");
}

TEST(TempFolder, CreatedOnDemandThenReused) {
    ScratchDir dir;
    ProgramFolderAt program(dir.path());
    EXPECT_EQ(GetProgramFolder(), dir.path());
    EXPECT_EQ(PathExists(dir / "temp"), 0);
    EXPECT_EQ(GetTempFolder(), dir.path() + "temp" + kPathSep);
    EXPECT_NE(PathExists(dir / "temp"), 0);
    EXPECT_EQ(GetTempFolder(), dir.path() + "temp" + kPathSep);
}

TEST(TempFolder, FallsBackToTheProgramFolderWhenItCannotBeCreated) {
    ScratchDir dir;
    NoNewFolders program(dir.path());
    EXPECT_EQ(GetTempFolder(), dir.path());
    EXPECT_TRUE(dir.Names().empty());
}

TEST(TempFolder, ClearDeletesFilesOnlyAndOnlyInTemp) {
    ScratchDir dir;
    ProgramFolderAt program(dir.path());
    ClearTempFolder();  // no temp folder yet: nothing happens
    WriteAll(dir / "config.ini", Bytes{'x'});
    std::string temp = GetTempFolder();
    WriteAll(temp + "a_Comp.swf", Bytes{1, 2, 3});
    WriteAll(temp + "SwfTemp1.swf", Bytes{1});
    std::filesystem::create_directory(temp + "sub");
    WriteAll(temp + "sub" + kPathSep + "inner.swf", Bytes{1});
    ClearTempFolder();
    EXPECT_EQ(PathExists(temp + "a_Comp.swf"), 0);
    EXPECT_EQ(PathExists(temp + "SwfTemp1.swf"), 0);
    EXPECT_NE(PathExists(temp + "sub"), 0);
    EXPECT_NE(PathExists(temp + "sub" + kPathSep + "inner.swf"), 0);
    EXPECT_NE(PathExists(temp), 0);
    EXPECT_NE(PathExists(dir / "config.ini"), 0);
    ClearTempFolder();  // an emptied folder: nothing happens
}

TEST(TempFolder, ClearNeverTouchesTheProgramFolderFallback) {
    ScratchDir dir;
    NoNewFolders program(dir.path());
    WriteAll(dir / "Squozen.exe", Bytes{'M', 'Z'});
    ASSERT_EQ(GetTempFolder(), dir.path());
    ClearTempFolder();
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"Squozen.exe"});
}

TEST(PathExists, FilesAndFoldersWithAndWithoutTheSeparator) {
    ScratchDir dir;
    WriteAll(dir / "f.swf", Bytes{1});
    std::filesystem::create_directory(dir / "sub");
    EXPECT_NE(PathExists(dir / "f.swf"), 0);
    EXPECT_NE(PathExists(dir / "sub"), 0);
    EXPECT_NE(PathExists(dir / "sub" + kPathSep), 0);
    EXPECT_EQ(PathExists(dir / "none"), 0);
    EXPECT_EQ(PathExists(dir / "none" + kPathSep), 0);
    EXPECT_EQ(PathExists(""), 0);
}

TEST(GetFileSizeOnDisk, SizesMissingFilesAndTheLow32Bits) {
    ScratchDir dir;
    WriteAll(dir / "a.swf", Bytes(1234, 7));
    WriteAll(dir / "e.swf", Bytes{});
    EXPECT_EQ(GetFileSizeOnDisk(dir / "a.swf"), 1234u);
    EXPECT_EQ(GetFileSizeOnDisk(dir / "e.swf"), 0u);
    EXPECT_EQ(GetFileSizeOnDisk(dir / "missing.swf"), 0u);
    for (const OracleRow& row : LoadTable("oracle.tsv"))
        EXPECT_EQ(GetFileSizeOnDisk(CorpusDir() + row.at("name")), Num(row, "file_size")) << row.at("name");
    // A sparse file of 4 GB + 5 bytes measures 5.
    std::filesystem::path big = dir / "big.swf";
    WriteAll(big.string(), Bytes{});
    std::error_code ec;
    std::filesystem::resize_file(big, (1ull << 32) + 5, ec);
    if (ec) GTEST_SKIP() << "no sparse files here: " << ec.message();
    EXPECT_EQ(GetFileSizeOnDisk(big.string()), 5u);
}

#ifdef _WIN32
TEST(FileDialogStructSize, TheWholeRecordOnTheNtFamily) {
#if defined(_WIN32) && !defined(_WIN64)
    EXPECT_EQ(FileDialogStructSize(), 88u);
#elif defined(_WIN64)
    EXPECT_EQ(FileDialogStructSize(), 152u);
#endif
}
#endif
