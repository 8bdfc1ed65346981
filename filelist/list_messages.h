// The messages the file list view sends to the main frame (sent, so handled before the send returns), and the
// interface through which the frame gets hold of the view's list control.
#pragma once

#include <windows.h>

class CSortingListCtrl;

// wParam: number of selected rows; lParam: their total size in K (0 when nothing is selected).
constexpr UINT WM_FILELIST_SELECTION = WM_USER + 200;  // 1224
// wParam: number of rows in the list; lParam: 0.
constexpr UINT WM_FILELIST_COUNT = WM_USER + 201;  // 1225
// wParam: number of selected rows; lParam: 0 for a right click, when the frame pops up the list's context menu at
// the cursor, or the screen point (x, y as MAKELPARAM) where the keyboard asked for it.
constexpr UINT WM_FILELIST_MENU = WM_USER + 202;  // 1226
// wParam: 0; lParam: the FileListProgress of the batch that runs (a Test or an Optimize, or the walk through folders
// dropped on the window), or 0 when it has ended.
constexpr UINT WM_FILELIST_PROGRESS = WM_USER + 203;  // 1227

// Where a batch stands: the row in hand, counted from 1, among the batch's rows; for the walk through dropped folders
// (bFinding), the movies found so far in nRow.
struct FileListProgress {
    int nRow;
    int nRows;
    bool bOptimize;
    bool bFinding = false;
};

// A window that keeps a pointer to the file list (the main frame, for the rows handed over by the extension).
class CFileListHost {
public:
    virtual ~CFileListHost() = default;
    // Called by the view at its initial update with its list control, which lives as long as the view.
    virtual void AttachFileList(CSortingListCtrl* pList) = 0;
};
