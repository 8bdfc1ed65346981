// The messages the file list view sends to the main frame (sent, so handled before the send returns), and the
// view's interface to the frame.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialog.h"

// wParam: number of selected rows; lParam: their total size in K (0 when nothing is selected).
constexpr UINT WM_FILELIST_SELECTION = WM_USER + 200;  // 1224
// wParam: number of rows in the list; lParam: 0.
constexpr UINT WM_FILELIST_COUNT = WM_USER + 201;  // 1225
// wParam: number of selected rows; lParam: 0 for a right click, when the frame pops up the list's context menu at
// the cursor, or the screen point (x, y as MAKELPARAM) where the keyboard asked for it.
constexpr UINT WM_FILELIST_MENU = WM_USER + 202;  // 1226
// lParam: the FileListProgress of the batch that runs (a Test or an Optimize, or the walk through folders dropped on
// the window), wParam 0; or lParam 0 when it has ended (also after its question was answered No), wParam then the
// number of movies below version 6 it kept as they were (Test and Optimize pass over them, KeptComment).
constexpr UINT WM_FILELIST_PROGRESS = WM_USER + 203;  // 1227

// Where a batch stands: the row in hand, counted from 1, among the batch's rows; for the walk through dropped folders
// (bFinding), the movies found so far in nRow.
struct FileListProgress {
    int nRow;
    int nRows;
    bool bOptimize;
    bool bFinding = false;
};

// Where new rows come from.
enum class FileSource {
    kOpened,      // the Open dialog: files not in the list yet that exist
    kDropped,     // dropped on the window: movies, and the movies of folders and drives
    kHandedOver,  // handed over by the Explorer extension: every path, without any test
};

// The file list view as the main frame sees it: the frame forwards to it through these calls and reaches nothing
// else of it. The view reports back with the messages above, sent to its parent, the frame.
class CFileListView : public CFormView {
public:
    using CFormView::CFormView;
    // The one entry for new rows: the files `paths` from `source`, in order, added at the end of the list, then the
    // row count reported (WM_FILELIST_COUNT). While the view is busy (IsBusy) dropped files are ignored and handed
    // over ones are held and added when the busy time ends, whatever it came to (a question answered No included).
    virtual void AddFiles(const std::vector<std::string>& paths, FileSource source) = 0;
    // Whether a batch runs (from its question to its last box) or dropped folders are walked: the rows are not to
    // be touched, commands and closing do nothing.
    virtual bool IsBusy() const = 0;
    // The session ends: the batch or walk in hand stops once its movie is done, or with `bNow` at once, every work
    // file the engine is writing removed (sqz::AbandonWorkFiles) and its work in hand cancelled.
    virtual void StopWork(bool bNow) = 0;
    // The files handed over and held for the end of the busy time, which the view then no longer adds.
    virtual std::vector<std::string> TakeHeldFiles() = 0;
    // The list's images and font for `dpi`.
    virtual void SetDpi(UINT dpi) = 0;
    // The view's keyboard commands (the frame passes no key typed into an edit box): TRUE when `pMsg` was one of
    // them and is consumed, carried out only while `hMainWnd` is the active window.
    virtual BOOL TranslateShortcut(const MSG* pMsg, HWND hMainWnd) = 0;
};
