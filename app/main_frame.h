// The program's one top-level window: the frame around the file list view, with the menu bar, the flat toolbar
// of seven captioned buttons in a rebar band with a gripper, the three-pane status bar, the greying of menu items that
// do not apply, the list's context menu, the temp folder emptied on close, the reader of the files the Explorer
// extension hands over, files and folders dropped on it, and the images and fonts of its bars at the DPI of the monitor
// it is on.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "controls.h"
#include "dpi.h"
#include "frame_wnd.h"
#include "handoff_contract.h"
#include "list_messages.h"

class CMainFrame : public CFrameWnd {
public:
    CMainFrame() = default;
    ~CMainFrame() override;

    int m_nSelectedCount = 0;                 // selected rows, as last reported (for greying only)
    int m_nFileCount = 0;                     // rows in the list, as last reported (for greying only)
    HBITMAP m_hToolbarBitmap = nullptr;       // bitmap 133 (or its larger drawing), the toolbar's images
    CBitmap m_bmpToolbar;                     // owns m_hToolbarBitmap
    CImageList m_imlToolbar;                  // the toolbar's images: 32 x 32 at 96 DPI, 48 at 150 %, 64 at 200 %
    CStatusBarCtrl m_wndStatusBar;
    CToolBarCtrl m_wndToolBar;
    CReBarCtrl m_wndReBar;                  // holds the toolbar in its one band, at the top of the frame
    UINT m_nDpi = USER_DEFAULT_SCREEN_DPI;  // the DPI the bars and the view are laid out for
    int m_cxToolButton = 0;                 // the buttons' width as the toolbar resource lays them out at 96 DPI
    CDpiFont m_fontToolbar;                 // the toolbar's captions and the status bar's texts at m_nDpi
    CDpiFont m_fontStatusBar;

    // Creates `pView` as the frame's client (child AFX_IDW_PANE_FIRST) and makes it the active view; the frame
    // does not own it. FALSE when the form cannot be created.
    BOOL CreateView(CFileListView* pView);

    // Widths in pixels of the left, middle and right status panes in a status bar `width` pixels wide: 3/10,
    // 4/10 and 3/10 of it, truncated; 120, 200 and 100 when the width is not positive.
    static void StatusPaneWidths(int width, int widths[3]);
    // Places the rebar with the toolbar at the top, the status bar at the bottom and the view between them; nothing
    // while the frame is minimised.
    void RecalcLayout();
    // Gives the toolbar the images of `hImages` (one per button, in button order; the frame does not own them) and
    // sizes the toolbar's band and the layout to them, so that the images can be replaced while the window is up.
    void SetToolbarImages(HIMAGELIST hImages);
    // Lays the window out for `dpi`: the toolbar's images drawn for it (ImagesForDpi), the bars' fonts and the view's
    // list (its font and images) scaled to it, and the layout to their new sizes.
    void ApplyDpi(UINT dpi);

    // The view's keyboard commands, then the frame's accelerators; keys typed into an edit box go to it.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnInitMenuPopup(HMENU hMenu, UINT nIndex, BOOL bSysMenu) override;
    // The rebar's RBN_HEIGHTCHANGE: the layout follows the band's new height.
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    // WM_CREATE: the rebar with the toolbar, and the status bar; -1 when one cannot be made.
    int OnCreate();
    // WM_SIZE: the layout (unless minimised) and the status panes.
    void OnSize(UINT nType);
    // WM_CLOSE: empties the temp folder and destroys the window; nothing while a batch runs.
    void OnClose();
    // WM_ENDSESSION (Windows shuts down or the user logs off; WM_QUERYENDSESSION has stopped a batch after the movie
    // in hand): when the session ends, a batch still under way stops at once, leaving no work file, the files handed
    // over and held for its end are written back to the handoff value for the next start (AppendHandoffPaths), and
    // the temp folder is emptied as on close. The process may be ended as soon as this returns.
    void OnEndSession(BOOL bEnding);
    // WM_FILELIST_SELECTION: "已选择 %d 个文件，%d K", right after a batch that kept movies below version 6 followed by
    // "；%d 个低于版本 6 的影片保持原样（见注释列）", which stays until the next report.
    LRESULT OnFileListSelection(WPARAM wParam, LPARAM lParam);
    LRESULT OnFileListCount(WPARAM wParam, LPARAM lParam);
    LRESULT OnFileListMenu(WPARAM wParam, LPARAM lParam);
    // WM_FILELIST_PROGRESS: the row in hand of a running batch in the selection pane ("正在优化第 %d 个文件，共 %d 个
    // （按 Esc 停止）", "正在测试…" for Test; "正在查找影片：已找到 %d 个（按 Esc 停止）" while dropped folders are
    // walked), which is widened over the empty middle pane until the batch's end, or, when the batch kept movies
    // below version 6, until the report of the selection that counts them is replaced. Returns 0.
    LRESULT OnFileListProgress(WPARAM wParam, LPARAM lParam);
    // WM_TAKE_HANDOFF: reads and empties the handoff value and hands its paths to the view, which adds a row for each
    // (at once, or when its batch ends) and reports the row count; returns 0.
    LRESULT OnTakeHandoff(WPARAM wParam, LPARAM lParam);
    // WM_DROPFILES: files and folders dropped from Explorer anywhere on the window go to the view; returns 0.
    LRESULT OnDropFiles(HDROP hDrop);
    // WM_DPICHANGED (the window moved to a monitor of another DPI, or the monitor's scale changed): ApplyDpi with the
    // new DPI, then the window takes the rectangle the system suggests for it; returns 0.
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);

    // Sets the panes' identifiers and widths from the status bar's width and empties their texts.
    void LayoutPanes();
    // Sets the panes' widths from the status bar's width (StatusPaneWidths), keeping their texts; while a batch runs
    // (m_bBatchPanes) the left pane has the middle one's width as well.
    void SetPaneWidths();
    // Makes the toolbar's image list from the drawing of its images for `dpi` and gives it to the toolbar.
    void LoadToolbarImages(UINT dpi);

    CFileListView* m_pView = nullptr;
    bool m_bBatchPanes = false;  // a batch shows its progress, or the movies it kept: the left pane is wider
    int m_nKeptMovies = 0;       // kept below version 6 by the batch that has just ended, for the next selection text
};
