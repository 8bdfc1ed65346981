// Optimize through the file list of the real main window: every uncompressed sample movie, several copies of each,
// as rows of Squozen.exe's list, selected and optimized with the backup on, against the bare engine loop over the
// same copies (OptimizeMovie and ReplaceMovie per movie, no list); and the same batch on ten times the rows against
// it, for the cost per row as the list grows. Each timed run works on fresh copies and a fresh list, made before the
// clock starts.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_win.h"
#include "file_helpers.h"
#include "movie_batch.h"
#include "resource.h"
#include "squozen_app.h"
#include "swf_container.h"

namespace sqzwinbench {

namespace {

// Copies of the corpus in the smaller list, and how many times more the larger one holds.
constexpr int kCopies = 4;
constexpr int kGrowth = 10;
constexpr int kRounds = 3;

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
            WriteMovie(paths.back(), movies[i]);
        }
    }
    return paths;
}

}  // namespace

std::vector<sqzbench::Row> BatchBenchmark(CSquozenApp& app) {
    using sqzbench::Row;
    CSquozenView& view = *app.GetView();
    view.m_bBackup = 1;
    view.m_bProtect = 0;
    const HWND frame = app.GetMainFrame()->m_hWnd;
    const std::vector<Bytes> movies = CorpusMovies("FWS");
    std::string scratch = ScratchFolder();
    double megabytes = 0;
    for (const Bytes& m : movies) megabytes += kCopies * m.size() / 1e6;
    // The batch: a fresh list of every copy, all selected, then Optimize as the menu gives it.
    auto batch = [&](int copies) {
        std::vector<std::string> paths = FreshCopies(scratch, movies, copies);
        ::SendMessageA(frame, WM_COMMAND, ID_ACTION_REMOVEALL, 0);
        view.AddFiles(paths, FileSource::kOpened);
        ListView_SetItemState(view.m_wndFileList.m_hWnd, -1, LVIS_SELECTED, LVIS_SELECTED);
        double t = Seconds([&] { ::SendMessageA(frame, WM_COMMAND, ID_ACTION_OPTIMIZE, 0); });
        for (const std::string& p : paths)
            if (!IsCompressedSwf(p)) CountFailure();
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
                    CountFailure();
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
    RemoveFolder(scratch);
    view.m_bBackup = 0;

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

    return {batchRow, growthRow};
}

}  // namespace sqzwinbench
