// The Test and Optimize batches of the file list: which rows they work on, the per-row step, what a row shows
// afterwards, and the progress and the stop by Escape while a batch runs.
#include "squozen_view.h"

#include <cstdio>
#include <cstdlib>

#include "ansi_path.h"
#include "busy_hook.h"
#include "busy_loop.h"
#include "movie_batch.h"
#include "swf_container.h"

namespace {

// The pauses of the batch in hand, also taken between the blocks of a large movie (the engine's busy hook), so that
// the window answers while one movie takes seconds.
CBusyLoop* g_pBatchLoop = nullptr;

void PauseWithinMovie() {
    if (g_pBatchLoop && g_pBatchLoop->IsDue()) g_pBatchLoop->Pause();
}

// Makes the engine pause a batch within its movies for as long as it lives.
class CPausesWithinMovies {
public:
    explicit CPausesWithinMovies(CBusyLoop* pLoop) : m_pBefore(sqz::SetBusyHook(PauseWithinMovie)) {
        g_pBatchLoop = pLoop;
    }
    ~CPausesWithinMovies() {
        g_pBatchLoop = nullptr;
        sqz::SetBusyHook(m_pBefore);
    }
    CPausesWithinMovies(const CPausesWithinMovies&) = delete;
    CPausesWithinMovies& operator=(const CPausesWithinMovies&) = delete;

private:
    sqz::BusyHook m_pBefore;
};

}  // namespace

void CSquozenView::OnTest() { RunBatch(false); }

void CSquozenView::OnOptimize() { RunBatch(true); }

void CSquozenView::RunBatch(bool bOptimize) {
    if (m_bInBatch) return;
    // The question, the failure boxes and the pauses between rows let other messages through: files dropped on the
    // window meanwhile are ignored, files handed over wait for the end (EndBusy), commands do nothing.
    m_bInBatch = true;
    // The list repaints as the batch goes, in the pauses: the rows done show their new cells.
    CBusyLoop loop;
    m_pBusyLoop = &loop;
    const std::vector<int> rows = BatchRows(bOptimize);
    CPausesWithinMovies pausesWithinMovies(&loop);
    FileListProgress progress = {0, static_cast<int>(rows.size()), bOptimize};
    int kept = 0;
    for (int row : rows) {
        ++progress.nRow;
        // The first row's number is shown at once, the others when the window gets its next pause.
        if (progress.nRow == 1 || loop.IsDue())
            ::SendMessageA(ReportWindow(), WM_FILELIST_PROGRESS, 0, reinterpret_cast<LPARAM>(&progress));
        if (loop.IsDue()) loop.Pause();
        // Escape (or the end of the session) stops the batch before the next row; the rows not reached keep their
        // cells.
        if (loop.IsStopped()) break;
        if (ProcessRow(row, bOptimize, &kept)) continue;
        // The box names the row's movie, over the list as it stands, with the row's number below it.
        ::SendMessageA(ReportWindow(), WM_FILELIST_PROGRESS, 0, reinterpret_cast<LPARAM>(&progress));
        ShowMessage(L"优化 " + ansi_path::Wide(RowPath(row), CP_ACP) + L" 失败！", MB_OK | MB_ICONERROR);
        // The box took its time: the pause comes now, so that an Escape pressed since it closed is seen before the
        // next row.
        loop.Pause();
    }
    // The frame takes the end, whatever the answer to the question was, and the files handed over meanwhile are added;
    // the selection pane shows the selection again, with the movies kept below version 6 counted.
    EndBusy(kept);
    if (rows.empty()) return;
    SendSelection();
    ::InvalidateRect(m_wndFileList.m_hWnd, nullptr, TRUE);
}

std::vector<int> CSquozenView::BatchRows(bool bOptimize) {
    std::vector<int> rows;
    const int count = m_wndFileList.GetItemCount();
    for (int i = m_wndFileList.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = m_wndFileList.GetNextItem(i, LVNI_SELECTED))
        rows.push_back(i);
    if (!rows.empty() || count <= 0) return rows;
    const wchar_t* question = bOptimize ? L"你要优化所有的文件吗？" : L"你要测试所有项目吗？";
    if (ShowMessage(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return rows;
    for (int i = 0; i < count; ++i) rows.push_back(i);
    return rows;
}

bool CSquozenView::ProcessRow(int nItem, bool bOptimize, int* pnKept) {
    const std::string path = RowPath(nItem);
    // The row's verdict from when it was made: a bad row is passed over, even when its file has changed since. The
    // work files go to the temp folder.
    const bool bad = IsBadFlashComment(m_wndFileList.GetItemText(nItem, kColumnComment));
    const MovieVerdict verdict = bad ? MovieVerdict::kBad : MovieVerdict::kValid;
    MovieBatchResult result = ProcessMovie(path, {bOptimize, m_bBackup, m_bProtect, verdict, std::string()});
    // Compressed movies (also those optimized by an earlier run) and bad rows are passed over without a word; a movie
    // kept at its version below 6 says why in its row, and the batch counts it. A failure leaves the row as it was.
    if (result.outcome == MovieOutcome::kSkipped) {
        const std::wstring kept =
            KeptComment(std::atoi(m_wndFileList.GetItemText(nItem, kColumnVersion).c_str()), result.failure.reason);
        if (kept.empty()) return true;
        m_wndFileList.SetItemText(nItem, kColumnComment, kept);
        ++*pnKept;
        return true;
    }
    if (result.outcome == MovieOutcome::kFailed) return result.failure.reason == SwfReason::kCancelled;
    // The sizes are those of the file that was compressed (the protected copy, when protection was added) and of
    // the output, as they stand on disk.
    char ratio[16];
    std::snprintf(ratio, sizeof ratio, "%d%%", result.movie.nRatio);
    m_wndFileList.SetItemText(nItem, kColumnOptimized, FileSizeText(result.movie.nAfter));
    m_wndFileList.SetItemText(nItem, kColumnRatio, ratio);
    if (!bOptimize) {
        m_wndFileList.SetItemText(nItem, kColumnComment, kCommentTested);
        return true;
    }
    // The version the new file has: its own from 6 on, 6 for an older movie; the row's tint follows it. The image is
    // that of an optimized movie whatever the version.
    m_wndFileList.SetItemText(nItem, kColumnVersion, std::to_string(result.movie.nVersion));
    m_wndFileList.SetItemText(nItem, kColumnComment, kCommentOptimized);
    LVITEMW image = {};
    image.mask = LVIF_IMAGE;
    image.iItem = nItem;
    image.iImage = kImageVersion6;
    m_wndFileList.SetItem(&image);
    return true;
}
