// What a row of the file list shows for a movie, and the K total of a selection.
#include <gtest/gtest.h>

#include "file_row.h"
#include "platform.h"
#include "test_support.h"

namespace {

sqztest::Bytes Body() {
    return sqztest::Cat(sqztest::FrameHeader(15, 0, 11000, 0, 8000, 24 << 8, 10), sqztest::Tag(0));
}

sqztest::Bytes Plain(unsigned char version, uint32_t length) {
    return sqztest::MakeMovie("FWS", version, length, Body());
}

}  // namespace

TEST(FileRow, AValidMovieShowsItsSizeVersionCommentAndImage) {
    sqztest::ScratchDir dir;
    const uint32_t length = static_cast<uint32_t>(8 + Body().size());
    sqztest::WriteAll(dir / "five.swf", Plain(5, length));
    FileRow row = MakeFileRow(dir / "five.swf");
    EXPECT_EQ(row.texts[kColumnName], "five.swf");
    EXPECT_EQ(row.texts[kColumnFolder], dir.path());
    EXPECT_EQ(row.texts[kColumnSize], std::to_string(length));
    EXPECT_EQ(row.texts[kColumnOptimized], "");
    EXPECT_EQ(row.texts[kColumnRatio], "");
    EXPECT_EQ(row.texts[kColumnVersion], "5");
    EXPECT_STREQ(row.pszComment, kCommentReady);
    EXPECT_EQ(row.nImage, kImageMovie);

    // The uncompressed size is the header's length field, grouped by commas.
    sqztest::WriteAll(dir / "six.swf", Plain(6, 1234567));
    row = MakeFileRow(dir / "six.swf");
    EXPECT_EQ(row.texts[kColumnSize], "1,234,567");
    EXPECT_EQ(row.nImage, kImageVersion6);
    // A damaged header claiming more than 2 GB is shown as the unsigned figure, never a negative one.
    sqztest::WriteAll(dir / "huge.swf", Plain(7, 3000000000u));
    EXPECT_EQ(MakeFileRow(dir / "huge.swf").texts[kColumnSize], "3,000,000,000");
    sqztest::WriteAll(dir / "max.swf", Plain(7, 0xFFFFFFFFu));
    EXPECT_EQ(MakeFileRow(dir / "max.swf").texts[kColumnSize], "4,294,967,295");
}

TEST(FileRow, ACompressedMovieIsAlreadyOptimized) {
    sqztest::ScratchDir dir;
    sqztest::Bytes body = Body();
    for (unsigned char version : {6, 7, 13}) {
        const uint32_t length = static_cast<uint32_t>(8 + body.size());
        // Both compressed forms: zlib, and from version 13 on LZMA.
        sqztest::Bytes data = version < 13 ? sqztest::MakeMovie("CWS", version, length, sqztest::Deflate(body))
                                           : sqztest::LzmaMovie(Plain(version, length));
        std::string path = dir / ("c" + std::to_string(version) + ".swf");
        sqztest::WriteAll(path, data);
        FileRow row = MakeFileRow(path);
        EXPECT_STREQ(row.pszComment, kCommentOptimized);
        EXPECT_EQ(row.texts[kColumnSize], std::to_string(data.size())) << "the size on disk";
        EXPECT_EQ(row.texts[kColumnVersion], std::to_string(version));
        EXPECT_EQ(row.nImage, version == 6 ? kImageVersion6 : kImageMovie);
    }
}

TEST(FileRow, AnythingButAMovieOfVersionOneOrMoreIsABadRow) {
    sqztest::ScratchDir dir;
    // Versions past 7 are movies like version 7.
    sqztest::WriteAll(dir / "v21.swf", Plain(21, 100));
    FileRow later = MakeFileRow(dir / "v21.swf");
    EXPECT_EQ(later.texts[kColumnVersion], "21");
    EXPECT_STREQ(later.pszComment, kCommentReady);
    EXPECT_EQ(later.nImage, kImageMovie);

    sqztest::WriteAll(dir / "v0.swf", Plain(0, 100));
    sqztest::WriteAll(dir / "text.swf", sqztest::Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
    sqztest::WriteAll(dir / "short.swf", sqztest::Bytes{'F', 'W', 'S'});
    sqztest::WriteAll(dir / "broken.swf", sqztest::MakeMovie("CWS", 6, 100, sqztest::Bytes{1, 2, 3, 4}));
    for (const char* name : {"v0.swf", "text.swf", "short.swf", "broken.swf", "missing.swf"}) {
        FileRow row = MakeFileRow(dir / name);
        EXPECT_EQ(row.texts[kColumnName], name);
        EXPECT_EQ(row.texts[kColumnFolder], dir.path());
        for (int c = kColumnSize; c <= kColumnVersion; ++c) EXPECT_EQ(row.texts[c], "") << name << " " << c;
        EXPECT_STREQ(row.pszComment, kCommentBad);
        EXPECT_EQ(row.nImage, kImageNone);
    }
    EXPECT_TRUE(IsBadFlashComment("Bad Flash File"));
    EXPECT_TRUE(IsBadFlashComment("BAD FLASH FILE"));
    EXPECT_FALSE(IsBadFlashComment("就绪"));
    EXPECT_FALSE(IsBadFlashComment("Bad Flash File "));
}

TEST(FileRow, TheKTotalIsTheByteSumRoundedUpToWholeK) {
    EXPECT_EQ(SelectionKTotal({}), 0);
    EXPECT_EQ(SelectionKTotal({"", ""}), 0) << "bad rows have no size";
    EXPECT_EQ(SelectionKTotal({"1"}), 1);
    EXPECT_EQ(SelectionKTotal({"1,024"}), 1);
    EXPECT_EQ(SelectionKTotal({"1,025"}), 2);
    EXPECT_EQ(SelectionKTotal({"1,000", "2,049", "1"}), 3);
    EXPECT_EQ(SelectionKTotal({"999"}), 1) << "not the digits before the first comma";
    EXPECT_EQ(SelectionKTotal({"1,234,567"}), 1206);
    // A thousand movies of 4 GB each: saturated, never wrapped.
    EXPECT_EQ(SelectionKTotal(std::vector<std::string>(1000, "4,294,967,295")), 2147483647);
}
