// The content of a file-list row and the list's figures.
#include "file_row.h"

#include <climits>
#include <cstdint>

#include "cell_compare.h"
#include "file_helpers.h"
#include "mbcs.h"
#include "swf_inspect.h"

const FileListColumn kFileListColumnTable[kFileListColumns] = {
    {L"名称", ColumnAlign::kLeft, 8, true},       {L"路径", ColumnAlign::kLeft, 10, true},
    {L"原始大小", ColumnAlign::kRight, 5, false}, {L"优化后大小", ColumnAlign::kRight, 6, false},
    {L"比率", ColumnAlign::kRight, 3, false},     {L"版本", ColumnAlign::kCenter, 3, false},
    {L"注释", ColumnAlign::kCenter, 5, true},
};

const wchar_t kCommentReady[] = L"就绪";
const wchar_t kCommentOptimized[] = L"已优化";
const wchar_t kCommentTested[] = L"已测试";
constexpr wchar_t kCommentBad[] = L"Bad Flash File";

namespace {

// Whether the wide text `wide` is the plain ASCII text `ascii`, character for character.
constexpr bool IsSameAscii(const wchar_t* wide, const char* ascii) {
    return *wide == static_cast<wchar_t>(*ascii) && (*ascii == '\0' || IsSameAscii(wide + 1, ascii + 1));
}
// A bad row shows the engine's own verdict, which IsBadFlashComment looks for.
static_assert(IsSameAscii(kCommentBad, kBadFlashFile), "the list's comment of a bad row is the engine's verdict");

}  // namespace

std::wstring KeptComment(int nVersion, SwfReason reason) {
    const wchar_t* why = reason == SwfReason::kKeptScripts      ? L"含脚本"
                         : reason == SwfReason::kKeptText       ? L"含非 ASCII 文字"
                         : reason == SwfReason::kKeptUnreadable ? L"标签无法读完"
                                                                : nullptr;
    return why ? L"版本 " + std::to_wstring(nVersion) + L" 保留：" + why : std::wstring();
}

std::string FileSizeText(uint32_t size) { return FormatThousands64(size); }

FileRow MakeFileRow(const std::string& path) {
    FileRow row;
    // One opening of the file gives the properties and the signature.
    int compressed = 0;
    SwfFileInfo info = ReadSwfRowInfo(path, &compressed);
    row.texts[kColumnName] = GetFileNamePart(path);
    row.texts[kColumnFolder] = GetFolderPart(path);
    if (!IsValidSwf(info)) {
        row.pszComment = kCommentBad;
        row.nImage = kImageNone;
        return row;
    }
    row.nImage = info.nVersion == 6 ? kImageVersion6 : kImageMovie;
    row.texts[kColumnSize] = FileSizeText(info.nFileSize);
    row.texts[kColumnVersion] = std::to_string(info.nVersion);
    row.pszComment = compressed ? kCommentOptimized : kCommentReady;
    return row;
}

bool IsBadFlashComment(const std::string& comment) { return sqz::MbsICmp(comment, kBadFlashFile) == 0; }

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
