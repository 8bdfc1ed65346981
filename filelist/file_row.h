// One row of the file list as it is made for a movie path (seven texts and a small-image index), the list's
// column table, the comments that double as a row's state, and the figures the list reports: column widths and
// the K total of a selection. Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "swf_inspect.h"
#include "swf_result.h"

// The columns of a row, left to right.
enum FileListColumnIndex {
    kColumnName = 0,       // file name: the text after the last separator
    kColumnFolder = 1,     // folder, with its trailing separator; folder + name is the row's full path
    kColumnSize = 2,       // size before optimizing, grouped by commas; empty on a bad row
    kColumnOptimized = 3,  // size of the compressed output; empty until Test or Optimize
    kColumnRatio = 4,      // saving in percent ("37%"); empty until Test or Optimize
    kColumnVersion = 5,    // Flash version; empty on a bad row
    kColumnComment = 6,    // the row's state: one of the comments below
    kFileListColumns = 7,
};

enum class ColumnAlign { kLeft, kRight, kCenter };

// What the list shows and how it sorts one column.
struct FileListColumn {
    const wchar_t* pszHeading;  // as the list shows it
    ColumnAlign align;
    int nFortieths;  // share of the view's width, in fortieths; the seven add up to 40
    bool bText;      // sorted as text (else as the number the cell shows)
};
extern const FileListColumn kFileListColumnTable[kFileListColumns];

// The comments of column 6, as the list shows them.
extern const wchar_t kCommentReady[];      // "就绪": a valid, uncompressed movie
extern const wchar_t kCommentOptimized[];  // "已优化": compressed already, or optimized by the program
extern const wchar_t kCommentTested[];     // "已测试": Test succeeded
// "Bad Flash File" (kBadFlashFile): no movie (a movie signature and a version of 1 or more) could be read.
extern const wchar_t kCommentBad[];
// The comment of a row whose movie of version `nVersion` (below 6) Test or Optimize kept as it is, for `reason`:
// "版本 5 保留：含脚本" (kKeptScripts), "版本 5 保留：含非 ASCII 文字" (kKeptText), "版本 5 保留：标签无法读完"
// (kKeptUnreadable). Empty for any other reason.
std::wstring KeptComment(int nVersion, SwfReason reason);

// Small images of the list: a movie, and a version-6 movie; a bad row has none.
constexpr int kImageMovie = 0;
constexpr int kImageVersion6 = 1;
constexpr int kImageNone = -1;

struct FileRow {
    // Columns 0 to 5: the name and the folder (the parts of the path, in its code page), the figures.
    std::string texts[kColumnComment];
    const wchar_t* pszComment = kCommentBad;  // column 6
    int nImage = kImageNone;
};

// The row for the movie at `path`, read once with ReadSwfRowInfo: name and folder always; for a valid movie
// (IsValidSwf) its size (grouped), its version and "已优化" when the file is compressed ("CWS", "ZWS"), else "就绪",
// with image 1 for version 6 and image 0 for every other version; for anything else only "Bad Flash File" and no image.
FileRow MakeFileRow(const std::string& path);

// A size in bytes grouped by commas, as the size columns show it (FormatThousands64): above 2 GB (a damaged movie's
// header may claim that much) the unsigned figure it is, never a negative one.
std::string FileSizeText(uint32_t size);

// True when a comment marks a bad row ("Bad Flash File" in any letter case).
bool IsBadFlashComment(const std::string& comment);

// Width in pixels of column `column` in a view `viewWidth` pixels wide: (fortieths x width) / 40, truncated.
int FileListColumnWidth(int column, int viewWidth);

// The bytes a size cell (column 2) stands for: the number it shows; 0 for a cell without digits.
unsigned long long SizeCellBytes(const std::string& sizeText);
// `bytes` in K: divided by 1024 and rounded up, saturated at the largest int.
int KFigure(unsigned long long bytes);

// The K figure of a selection whose size cells (column 2) read `sizeTexts`: the sum of the sizes in bytes,
// divided by 1024 and rounded up; a cell without digits counts 0, so no rows (or only bad ones) give 0.
// Saturated at the largest int.
int SelectionKTotal(const std::vector<std::string>& sizeTexts);
