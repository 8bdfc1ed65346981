// The Test and Optimize batches of the file list: which rows they work on, the per-row step, and what a row shows
// afterwards.
#include "squozen_view.h"

#include <cstdio>

#include "movie_batch.h"
#include "swf_container.h"

void CSquozenView::OnTest() { RunBatch(false); }

void CSquozenView::OnOptimize() { RunBatch(true); }

void CSquozenView::RunBatch(bool bOptimize) {
    // The rows change one by one while the batch holds the thread, so nothing could be painted meanwhile anyway:
    // the list keeps no account of what to repaint until the batch is over, then shows every row afresh.
    ::SendMessageA(m_wndFileList.m_hWnd, WM_SETREDRAW, FALSE, 0);
    // Its question and failure boxes let other messages through: files dropped on the window meanwhile are ignored.
    m_bInBatch = true;
    RunBatchRows(bOptimize);
    m_bInBatch = false;
    ::SendMessageA(m_wndFileList.m_hWnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_wndFileList.m_hWnd, nullptr, TRUE);
}

void CSquozenView::RunBatchRows(bool bOptimize) {
    const int count = m_wndFileList.GetItemCount();
    int item = m_wndFileList.GetNextItem(-1, LVNI_SELECTED);
    if (item >= 0) {
        // The next selected row is looked up before this one is worked on, so each is processed once.
        while (item >= 0) {
            int next = m_wndFileList.GetNextItem(item, LVNI_SELECTED);
            ProcessRow(item, bOptimize);
            item = next;
        }
        return;
    }
    if (count <= 0) return;
    const char* question = bOptimize ? "你要优化所有的文件吗？" : "你要测试所有项目吗？";
    if (ShowMessage(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    for (int i = 0; i < count; ++i) ProcessRow(i, bOptimize);
}

void CSquozenView::ProcessRow(int nItem, bool bOptimize) {
    const std::string path = RowPath(nItem);
    // The row's verdict from when it was made: a bad row is passed over, even when its file has changed since. The
    // work files go to the temp folder.
    const bool bad = IsBadFlashComment(m_wndFileList.GetItemText(nItem, kColumnComment));
    const MovieVerdict verdict = bad ? MovieVerdict::kBad : MovieVerdict::kValid;
    MovieBatchResult result = ProcessMovie(path, {bOptimize, m_bBackup, m_bProtect, verdict, std::string()});
    // Compressed movies (also those optimized by an earlier run) and bad rows are passed over without a word; a
    // failure leaves the row as it was.
    if (result.outcome == MovieOutcome::kSkipped) return;
    if (result.outcome == MovieOutcome::kFailed) {
        ShowMessage("优化 " + path + " 失败！", MB_OK | MB_ICONERROR);
        return;
    }
    // The sizes are those of the file that was compressed (the protected copy, when protection was added) and of
    // the output, as they stand on disk.
    char ratio[16];
    std::snprintf(ratio, sizeof ratio, "%d%%", result.movie.nRatio);
    m_wndFileList.SetItemText(nItem, kColumnOptimized, FileSizeText(result.movie.nAfter));
    m_wndFileList.SetItemText(nItem, kColumnRatio, ratio);
    if (!bOptimize) {
        m_wndFileList.SetItemText(nItem, kColumnComment, kCommentTested);
        return;
    }
    // The version the new file has: its own from 6 on, 6 for an older movie; the row's tint follows it. The image is
    // that of an optimized movie whatever the version.
    m_wndFileList.SetItemText(nItem, kColumnVersion, std::to_string(result.movie.nVersion));
    m_wndFileList.SetItemText(nItem, kColumnComment, kCommentOptimized);
    LVITEMA image = {};
    image.mask = LVIF_IMAGE;
    image.iItem = nItem;
    image.iImage = kImageVersion6;
    m_wndFileList.SetItem(&image);
}
