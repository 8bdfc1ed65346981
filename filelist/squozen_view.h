// The file list view that fills the main window: a form over dialog 101 whose only control, list 1000, holds one
// row per movie (the list is the only store of rows). It adds rows, reports the selection, the row count and
// right clicks to the main frame, runs the double-click action, and carries the command table that every menu,
// toolbar, popup and keyboard command of the program reaches.
#pragma once

#include <string>
#include <vector>

#include "controls.h"
#include "dialog.h"
#include "dpi.h"
#include "file_row.h"
#include "list_messages.h"
#include "product_info.h"
#include "sorting_list_ctrl.h"

// Appends the row of the movie at `path` (MakeFileRow) at the end of `list`; the index of the new row, or -1.
int AddFileRow(CListCtrl& list, const std::string& path);
// Appends the rows of `paths`, in order, and repaints the list once at the end, so that thousands of rows cost no
// repaint each; the number of rows added.
int AddFileRows(CListCtrl& list, const std::vector<std::string>& paths);

// The caption of the view's message boxes.
constexpr wchar_t kMessageCaption[] = L"" SQZ_PRODUCT_TITLE;

// Size of the Open dialog's result buffer: room for the folder and the names of a selection of thousands of
// movies.
constexpr size_t kOpenDialogBufferSize = 256 * 1024;

class CBusyLoop;

class CSquozenView : public CFileListView {
public:
    CSquozenView();
    ~CSquozenView() override;

    CSortingListCtrl m_wndFileList;           // list 1000, bound by the data exchange
    HBITMAP m_hFileImages = nullptr;          // bitmap 136 (or its larger drawing) as loaded
    CBitmap m_bmpFileImages;                  // owns m_hFileImages
    CImageList m_imlFileImages;               // the list's small images: 16 x 16 at 96 DPI, 24 at 150 %, 32 at 200 %
    CDpiFont m_fontFileList;                  // the list's font at the window's DPI
    int m_bBackup = 0;                        // ISBACKUP, as last read
    int m_bProtect = 0;                       // ISPROTECT, as last read
    int m_nDblClickAction = 0;                // DOUBLECLICKACTION, as last read
    bool m_bQuietSelection = false;           // while Select all works: no report per row
    unsigned long long m_nSelectedBytes = 0;  // total size of the selected rows, from their size cells

    // Once, when the frame first shows the view: shrinks the frame to the form, builds the columns, the sort
    // tables and the image list, and reads the options.
    void OnInitialUpdate() override;

    // The list's images drawn for `dpi` and its font scaled to it (the main frame calls this when its DPI changes).
    void SetDpi(UINT dpi) override;

    // Rows for `paths` (CFileListView::AddFiles): opened ones by AddOpenedFiles, dropped ones by AddDroppedFiles,
    // handed over ones each as AddFileRow makes it.
    void AddFiles(const std::vector<std::string>& paths, FileSource source) override;
    bool IsBusy() const override { return m_bInBatch; }
    void StopWork(bool bNow) override;
    std::vector<std::string> TakeHeldFiles() override;
    // The full path of row `nItem`: its folder followed by its name.
    std::string RowPath(int nItem) const;

    // The keyboard commands of the main window: Ctrl+A (Select all), Ctrl+O (Open), Delete (Delete), and Ctrl+N and
    // Ctrl+S, which are taken and do nothing; and in the list, as in any list of files, Enter (the double-click
    // action on the selected rows), F2 (Rename) and Alt+Enter (Properties), the last two with exactly one row
    // selected, as their menu items are. TRUE when `pMsg` is one of them (it is then consumed and, while `hMainWnd`
    // is the active window, carried out).
    BOOL TranslateShortcut(const MSG* pMsg, HWND hMainWnd) override;

protected:
    // The second half of Open: adds a row for every path, in order, that is not in the list yet (the full path
    // compared without regard to letter case) and that names an existing file, then reports the row count
    // (also when nothing was added).
    void AddOpenedFiles(const std::vector<std::string>& paths);
    // Files and folders dropped on the main window, added as Open adds them (AddOpenedFiles): a file whose name ends in
    // ".swf", and for a folder or a drive the movies in it and in its subfolders by the engine's walk (sqz::FolderWalk:
    // IsFolderMovieName, which leaves the backups out, each folder's in name order before its subfolders', a folder
    // reached twice walked once). Other files, and a movie reached twice, are passed over. A walk that takes longer
    // than a moment runs as a batch does (CBusyLoop): the frame is told how many movies it has found
    // (WM_FILELIST_PROGRESS), and Escape stops it, the movies found so far being added. Nothing happens while the
    // view is busy.
    void AddDroppedFiles(const std::vector<std::string>& paths);
    // The end of a busy time (a batch, with its question, or a walk): the frame is told (WM_FILELIST_PROGRESS with no
    // progress, and the `nKept` movies below version 6 the batch kept), then the files handed over meanwhile are
    // added.
    void EndBusy(int nKept);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL HandleCommand(UINT nID, int nCode) override;
    // WM_SIZE, WM_CLOSE.
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // The list's NM_DBLCLK, LVN_ITEMCHANGED, NM_RCLICK and LVN_ENDLABELEDIT.
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    // Commands of this view (the table in HandleCommand).
    void OnOpen();
    void OnExit();
    void OnOptions();
    void OnHelpContents();
    void OnHomePage();
    void OnSendMail();
    // The batches: Test and Optimize on the selected rows, or on every row once the user said yes.
    void OnTest();
    void OnOptimize();
    // Chooses the rows of a batch and processes them in index order. Now and then between rows (CBusyLoop) the
    // window repaints and the frame is told the row in hand (WM_FILELIST_PROGRESS); the input meanwhile is dropped,
    // apart from Escape, which ends the batch before the next row (as StopWork does). A row that fails shows its box.
    // At the end (EndBusy) the frame is told, with the number of movies kept below version 6, the files handed over
    // meanwhile are added, and the selection is reported again.
    void RunBatch(bool bOptimize);
    // The rows of a batch: the selected ones, or after the question every row (none when the answer is no).
    std::vector<int> BatchRows(bool bOptimize);
    // One row of a batch: the engine's step (ProcessMovie) on the row's movie, with the options m_bBackup and
    // m_bProtect, its work files in the temp folder and the row's own verdict ("Bad Flash File"). Compressed movies
    // and bad rows are skipped silently; a movie below version 6 that would play differently as version 6 is kept
    // as it is, its comment saying so (KeptComment), and counted in `*pnKept`. Test: the output's size and the saving
    // ratio into columns 3 and 4, then "已测试". Optimize: the same, then the new file's version, "已优化" and image 1.
    // False when a step failed: the row then keeps every text it had (the user is told "优化 <path> 失败！" by the
    // batch). Work cancelled because the session ends (kCancelled) is no failure to tell.
    bool ProcessRow(int nItem, bool bOptimize, int* pnKept);
    // The item commands. View and Delete work on the selected rows; Rename and Save as on the selection mark;
    // Properties on the selection mark, else the first selected row.
    void OnView();
    void OnRename();
    void OnDelete();
    void OnSaveAs();
    void OnRemoveAll();
    void OnSelectAll();
    void OnProperties();
    // The end of an in-place edit of a row's name (LVN_ENDLABELEDIT).
    void OnEndLabelEdit(NMLVDISPINFOW* pInfo, LRESULT* pResult);

    // The selection mark's row, or -1 when the mark is on no row.
    int SelectionMarkRow() const;
    // A message box of the view with the program's caption; the button pressed.
    int ShowMessage(const std::wstring& text, UINT nType);

    // NM_DBLCLK: by m_nDblClickAction, 0 View, 1 Test, 2 Optimize, anything else nothing.
    void OnDoubleClick();
    // The list's menu asked for by the keyboard (the menu key, Shift+F10): WM_FILELIST_MENU with the point beside
    // the focused row.
    void ShowKeyboardMenu();
    // LVN_ITEMCHANGED: the selected count and their K total to the frame, the total kept up to date row by row
    // (m_nSelectedBytes).
    void OnItemChanged(const NMLISTVIEW* pChange);
    // Counts the selected rows' sizes afresh and reports them.
    void ReportSelection();
    // Reports the selected count and m_nSelectedBytes in K (0 and 0 with no row selected).
    void SendSelection();
    // Column widths from the view's width.
    void SetColumnWidths();
    // Makes the list's small-image list from the drawing of the file images for `dpi` and gives it to the list.
    void LoadFileImages(UINT dpi);
    // Reads ISBACKUP, ISPROTECT and DOUBLECLICKACTION into the members.
    void ReadOptions();
    // The window the view reports to: its parent, the main frame.
    HWND ReportWindow() const { return GetParent(); }

    bool m_bInBatch = false;               // busy: a batch (from its question on) or a walk through dropped folders
    CBusyLoop* m_pBusyLoop = nullptr;      // the pauses of the busy time in hand
    std::vector<std::string> m_heldFiles;  // handed over while busy, added at the end (EndBusy)
};
