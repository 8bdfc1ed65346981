// Optimize through the file list of the real main window (Windows only, run under Wine on the build machine):
// every uncompressed sample movie, several copies of each, as rows of Squozen.exe's list, selected and optimized
// with the backup on, against the bare engine loop over the same copies (OptimizeMovie and ReplaceMovie per movie,
// no list); and the same batch on ten times the rows against it, for the cost per row as the list grows. Each timed
// run works on fresh copies and a fresh list, made before the clock starts. Prints the table of squozen_bench.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench.h"
#include "file_helpers.h"
#include "movie_batch.h"
#include "resource.h"
#include "squozen_app.h"
#include "swf_container.h"

namespace {

using sqzbench::Row;
using Bytes = std::vector<unsigned char>;

// Copies of the corpus in the smaller list, and how many times more the larger one holds.
constexpr int kCopies = 4;
constexpr int kGrowth = 10;
constexpr int kRounds = 3;

std::string CorpusDir() {
    std::string dir = SQZ_CORPUS_DIR;
    if (dir.back() != '\\') dir += '\\';
    return dir;
}

// The uncompressed sample movies of a valid version, as Optimize takes them.
std::vector<Bytes> Movies() {
    std::ifstream in(CorpusDir() + "oracle.tsv");
    std::vector<Bytes> movies;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        std::string name, signature;
        std::getline(ss, name, '\t');
        std::getline(ss, signature, '\t');
        if (signature != "FWS") continue;
        std::ifstream movie(CorpusDir() + name, std::ios::binary);
        Bytes data((std::istreambuf_iterator<char>(movie)), std::istreambuf_iterator<char>());
        if (data.size() >= 8 && data[3] >= 1 && data[3] <= 7) movies.push_back(std::move(data));
    }
    return movies;
}

// In memory (tmpfs) when the machine has it: the figures are the program's work, not the disk's write-back.
std::string ScratchFolder() {
    char temp[MAX_PATH + 1] = {};
    std::string base = ::GetFileAttributesA("Z:\\dev\\shm") != INVALID_FILE_ATTRIBUTES
                           ? std::string("Z:\\dev\\shm\\")
                           : std::string(temp, ::GetTempPathA(MAX_PATH, temp));
    std::string folder = base + "sqzbatch-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(folder + name + "\\");
            else
                ::DeleteFileA((folder + name).c_str());
        } while (::FindNextFileA(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(folder.c_str());
}

// `copies` copies of every movie in fresh folders under `scratch`, one folder per copy; their paths.
std::vector<std::string> FreshCopies(const std::string& scratch, const std::vector<Bytes>& movies, int copies) {
    static int round = 0;
    std::string top = scratch + "r" + std::to_string(round++) + "\\";
    ::CreateDirectoryA(top.c_str(), nullptr);
    std::vector<std::string> paths;
    for (int c = 0; c < copies; ++c) {
        std::string folder = top + "c" + std::to_string(c) + "\\";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        for (size_t i = 0; i < movies.size(); ++i) {
            paths.push_back(folder + "movie" + std::to_string(i) + ".swf");
            HANDLE h = ::CreateFileA(paths.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            ::WriteFile(h, movies[i].data(), static_cast<DWORD>(movies[i].size()), &written, nullptr);
            ::CloseHandle(h);
        }
    }
    return paths;
}

double Seconds(const std::function<void()>& fn) {
    auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Boxes that came up during a batch (a failed row): closed, and counted, so that the run never waits for a user.
int g_boxes = 0;
void CALLBACK CloseBoxes(HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM) -> BOOL {
            char name[16] = {};
            if (::IsWindowVisible(hWnd) && ::GetClassNameA(hWnd, name, sizeof name) && std::string(name) == "#32770") {
                ++g_boxes;
                ::PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
            }
            return TRUE;
        },
        0);
}

}  // namespace

int main() {
    CSquozenApp app;
    if (!app.InitInstance()) {
        std::fprintf(stderr, "the main window could not be made (is Squozen.exe running?)\n");
        return 2;
    }
    CSquozenView& view = *app.GetView();
    view.m_bBackup = 1;
    view.m_bProtect = 0;
    const HWND frame = app.GetMainFrame()->m_hWnd;
    const std::vector<Bytes> movies = Movies();
    const std::string scratch = ScratchFolder();
    double megabytes = 0;
    for (const Bytes& m : movies) megabytes += kCopies * m.size() / 1e6;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 100, CloseBoxes);

    // The batch: a fresh list of every copy, all selected, then Optimize as the menu gives it.
    auto batch = [&](int copies) {
        std::vector<std::string> paths = FreshCopies(scratch, movies, copies);
        ::SendMessageA(frame, WM_COMMAND, ID_ACTION_REMOVEALL, 0);
        view.AddOpenedFiles(paths);
        ListView_SetItemState(view.m_wndFileList.m_hWnd, -1, LVIS_SELECTED, LVIS_SELECTED);
        double t = Seconds([&] { ::SendMessageA(frame, WM_COMMAND, ID_ACTION_OPTIMIZE, 0); });
        for (const std::string& p : paths)
            if (!IsCompressedSwf(p)) ++g_boxes;
        return t;
    };
    auto bare = [&](int copies) {
        std::vector<std::string> paths = FreshCopies(scratch, movies, copies);
        return Seconds([&] {
            for (const std::string& p : paths) {
                // The same work as a batch's row without the list: a compressed movie is passed over.
                if (IsCompressedSwf(p)) continue;
                MovieWorkFiles work = GetMovieWorkFiles(GetTempFolder(), p);
                if (!OptimizeMovie(p, work, 0).bOk || ReplaceMovie(p, work.strOutput, 1).step != MovieStep::kNone)
                    ++g_boxes;
            }
        });
    };

    double list = 1e30, loop = 1e30, grown = 1e30;
    for (int r = 0; r < kRounds; ++r) {
        loop = std::min(loop, bare(kCopies));
        list = std::min(list, batch(kCopies));
        grown = std::min(grown, batch(kCopies * kGrowth));
        RemoveFolder(scratch);
        ::CreateDirectoryA(scratch.c_str(), nullptr);
    }
    ::KillTimer(nullptr, timer);
    RemoveFolder(scratch);
    ClearTempFolder();
    app.GetMainFrame()->DestroyWindow();

    const int files = kCopies * static_cast<int>(movies.size());
    Row batchRow;
    batchRow.operation = "Optimize in the file list, " + std::to_string(files) + " rows (backup on)";
    batchRow.baseline = "the engine loop (header test, OptimizeMovie, ReplaceMovie)";
    batchRow.files = files;
    batchRow.megabytes = megabytes;
    batchRow.seconds = list;
    batchRow.baseSeconds = loop;
    batchRow.target = 1.3;
    Row growthRow = batchRow;
    growthRow.operation = "Optimize in the file list, " + std::to_string(files * kGrowth) + " rows (backup on)";
    growthRow.baseline = "the same, " + std::to_string(files) + " rows";
    growthRow.files = files * kGrowth;
    growthRow.megabytes = megabytes * kGrowth;
    growthRow.seconds = grown;
    growthRow.baseSeconds = list;
    growthRow.target = 1.1 * kGrowth;

    std::printf("| operation | baseline | files | MB | time (ms) | MB/s | ratio | target | peak MiB | size |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    bool missed = false;
    for (const Row& r : {batchRow, growthRow}) {
        double ratio = r.baseSeconds > 0 ? r.seconds / r.baseSeconds : 0;
        bool ok = ratio <= r.target;
        missed = missed || !ok;
        std::printf("| %s | %s | %d | %.2f | %.2f | %.1f | %.2f | %s %.2f | - | - |\n", r.operation.c_str(),
                    r.baseline.c_str(), r.files, r.megabytes, r.seconds * 1000,
                    r.seconds > 0 ? r.megabytes / r.seconds : 0, ratio, ok ? "<=" : "MISSED", r.target);
    }
    if (g_boxes > 0) std::printf("%d movies failed\n", g_boxes);
    return missed || g_boxes > 0 ? 1 : 0;
}
