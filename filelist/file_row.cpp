// The content of a file-list row and the list's figures.
#include "file_row.h"

#include <climits>
#include <cstdint>

#include "cell_compare.h"
#include "file_helpers.h"
#include "mbcs.h"
#include "swf_inspect.h"

const FileListColumn kFileListColumnTable[kFileListColumns] = {
    {"名称", ColumnAlign::kLeft, 8, true},       {"路径", ColumnAlign::kLeft, 10, true},
    {"原始大小", ColumnAlign::kRight, 5, false}, {"优化后大小", ColumnAlign::kRight, 6, false},
    {"比率", ColumnAlign::kRight, 3, false},     {"版本", ColumnAlign::kCenter, 3, false},
    {"注释", ColumnAlign::kCenter, 5, true},
};

const char kCommentReady[] = "就绪";
const char kCommentOptimized[] = "已优化";
const char kCommentTested[] = "已测试";

std::string FileSizeText(uint32_t size) { return FormatThousands64(size); }

FileRow MakeFileRow(const std::string& path) {
    FileRow row;
    // One opening of the file gives the properties and the signature.
    int compressed = 0;
    SwfFileInfo info = ReadSwfRowInfo(path, &compressed);
    row.texts[kColumnName] = GetFileNamePart(path);
    row.texts[kColumnFolder] = GetFolderPart(path);
    if (!IsValidSwf(info)) {
        row.texts[kColumnComment] = kCommentBad;
        row.nImage = kImageNone;
        return row;
    }
    row.nImage = info.nVersion == 6 ? kImageVersion6 : kImageMovie;
    row.texts[kColumnSize] = FileSizeText(info.nFileSize);
    row.texts[kColumnVersion] = std::to_string(info.nVersion);
    row.texts[kColumnComment] = compressed ? kCommentOptimized : kCommentReady;
    return row;
}

bool IsBadFlashComment(const std::string& comment) { return sqz::MbsICmp(comment, kCommentBad) == 0; }

int FileListColumnWidth(int column, int viewWidth) {
    if (column < 0 || column >= kFileListColumns) return 0;
    return static_cast<int>(static_cast<long long>(kFileListColumnTable[column].nFortieths) * viewWidth / 40);
}

unsigned long long SizeCellBytes(const std::string& sizeText) {
    long long size = CellNumber(sizeText);
    return size > 0 ? static_cast<unsigned long long>(size) : 0;
}

int KFigure(unsigned long long bytes) {
    unsigned long long k = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return k > static_cast<unsigned long long>(INT_MAX) ? INT_MAX : static_cast<int>(k);
}

int SelectionKTotal(const std::vector<std::string>& sizeTexts) {
    // A size cell holds at most a 32-bit figure, so the sum of any list fits 64 bits many times over.
    unsigned long long bytes = 0;
    for (const std::string& text : sizeTexts) bytes += SizeCellBytes(text);
    return KFigure(bytes);
}
