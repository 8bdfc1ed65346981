// Adding rows through the view of the real main window, as the Open dialog adds them (the duplicate test, the
// existence test, each movie read, the row filled and the count reported): 1,000 and 10,000 small sample movies into
// an empty list, against the least that showing them asks for, measured in the same run on the same files: reading
// each movie with ReadSwfInfo and inserting its seven texts into a bare report list of the same size, painted once at
// the end (a Unicode list, as the program's is, its texts converted from the ANSI code page as the program's are). And
// the 10,000 rows against the 1,000, for the cost per row as the list grows.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ansi_path.h"
#include "bench_win.h"
#include "file_helpers.h"
#include "file_row.h"
#include "resource.h"
#include "squozen_app.h"
#include "swf_inspect.h"

namespace sqzwinbench {

namespace {

constexpr int kSmall = 1000;
constexpr int kGrowth = 10;
// The sample movies this benchmark copies: the small ones, as most movies handed over are.
constexpr size_t kSmallMovie = 8 * 1024;

// `count` copies of the small movies, in turn, in fresh folders of kSmall movies each under `scratch`; their paths.
// Folders of one size for every count, as a file system may find a name the slower the more its folder holds: the
// growth row is to show what the list costs, not that.
std::vector<std::string> Copies(const std::string& scratch, const std::vector<Bytes>& movies, int count,
                                double* megabytes) {
    static int made = 0;
    std::string top = scratch + "n" + std::to_string(made++) + "\\", folder;
    ::CreateDirectoryA(top.c_str(), nullptr);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        if (i % kSmall == 0) {
            folder = top + std::to_string(i / kSmall) + "\\";
            ::CreateDirectoryA(folder.c_str(), nullptr);
        }
        char name[32];
        std::snprintf(name, sizeof name, "movie%05d.swf", i);
        const Bytes& movie = movies[static_cast<size_t>(i) % movies.size()];
        paths.push_back(folder + name);
        if (!WriteMovie(paths.back(), movie)) CountFailure();
        *megabytes += movie.size() / 1e6;
    }
    return paths;
}

// Lets the windows paint what the last run changed, outside the timing.
void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// A plain report list with the file list's seven columns, in a window of its own the size of the main window.
class BareList {
public:
    explicit BareList(HWND like) {
        RECT r;
        ::GetWindowRect(like, &r);
        frame_ = ::CreateWindowExW(0, L"STATIC", L"bare list", WS_OVERLAPPEDWINDOW | WS_VISIBLE, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
        RECT client;
        ::GetClientRect(frame_, &client);
        list_ = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, client.right,
                                  client.bottom, frame_, nullptr, nullptr, nullptr);
        for (int c = 0; c < kFileListColumns; ++c) {
            LVCOLUMNW column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.pszText = const_cast<wchar_t*>(kFileListColumnTable[c].pszHeading);
            column.cx = FileListColumnWidth(c, client.right);
            column.iSubItem = c;
            ::SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
        }
    }
    ~BareList() { ::DestroyWindow(frame_); }
    BareList(const BareList&) = delete;
    BareList& operator=(const BareList&) = delete;

    void Clear() const { ::SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0); }
    // Reads each movie and inserts its texts as a row; the list repaints once, at the end, as any list filled in
    // bulk does (a repaint per row would cost more than all the rest).
    void Add(const std::vector<std::string>& paths) const {
        ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
        for (const std::string& path : paths) {
            SwfFileInfo info = ReadSwfInfo(path);
            const std::wstring texts[kFileListColumns] = {ansi_path::Wide(GetFileNamePart(path), CP_ACP),
                                                          ansi_path::Wide(GetFolderPart(path), CP_ACP),
                                                          ansi_path::Wide(FileSizeText(info.nFileSize), CP_ACP),
                                                          L"",
                                                          L"",
                                                          std::to_wstring(info.nVersion),
                                                          kCommentReady};
            LVITEMW item = {};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
            item.pszText = const_cast<wchar_t*>(texts[0].c_str());
            int row = static_cast<int>(::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            for (int c = 1; c < kFileListColumns; ++c) {
                LVITEMW cell = {};
                cell.iSubItem = c;
                cell.pszText = const_cast<wchar_t*>(texts[c].c_str());
                ::SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
            }
        }
        ::SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list_, nullptr, TRUE);
    }

private:
    HWND frame_ = nullptr;
    HWND list_ = nullptr;
};

}  // namespace

std::vector<sqzbench::Row> AddRowsBenchmark(CSquozenApp& app) {
    using sqzbench::Row;
    CSquozenView& view = *app.GetView();
    const HWND frame = app.GetMainFrame()->m_hWnd;
    std::vector<Bytes> movies;
    for (const char* signature : {"FWS", "CWS"})
        for (Bytes& m : CorpusMovies(signature))
            if (m.size() <= kSmallMovie) movies.push_back(std::move(m));
    const std::string scratch = ScratchFolder();
    BareList bare(frame);

    // Best of `rounds` runs each, the view and the bare list taking turns, on the same files.
    auto measure = [&](int count, int rounds, Row* row) {
        double megabytes = 0;
        std::vector<std::string> paths = Copies(scratch, movies, count, &megabytes);
        row->files = count;
        row->megabytes = megabytes;
        row->seconds = row->baseSeconds = 1e30;
        for (int r = 0; r < rounds; ++r) {
            ::SendMessageA(frame, WM_COMMAND, ID_ACTION_REMOVEALL, 0);
            Pump();
            row->seconds = std::min(row->seconds, Seconds([&] { view.AddFiles(paths, FileSource::kOpened); }));
            if (view.m_wndFileList.GetItemCount() != count) CountFailure();
            Pump();
            bare.Clear();
            Pump();
            row->baseSeconds = std::min(row->baseSeconds, Seconds([&] { bare.Add(paths); }));
            Pump();
        }
        ::SendMessageA(frame, WM_COMMAND, ID_ACTION_REMOVEALL, 0);
    };

    Row small;
    small.operation = "Open " + std::to_string(kSmall) + " small movies into the file list";
    small.baseline = "ReadSwfInfo and the seven texts into a bare list";
    small.target = 1.5;
    measure(kSmall, 3, &small);
    Row large = small;
    large.operation = "Open " + std::to_string(kSmall * kGrowth) + " small movies into the file list";
    measure(kSmall * kGrowth, 2, &large);
    Row growth = large;
    growth.baseline = "the same, " + std::to_string(kSmall) + " movies";
    growth.baseSeconds = small.seconds;
    growth.target = 1.1 * kGrowth;
    RemoveFolder(scratch);
    return {small, large, growth};
}

}  // namespace sqzwinbench
