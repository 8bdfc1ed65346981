// The main frame: bars, layout, status texts, menu greying, the context menu, closing and the handoff reader.
#include "main_frame.h"

#include <windowsx.h>

#include <initializer_list>

#include "dropped_files.h"
#include "file_helpers.h"
#include "handoff_text.h"
#include "handoff_value.h"
#include "resource.h"
#include "win_app.h"

namespace {

// The view's child identifier, as the framework numbers the first pane of a frame.
constexpr UINT kViewPaneId = 59648;

// The status panes, left to right: the selection, an empty middle pane, the row count.
constexpr int kPaneSelected = 0;
constexpr int kPaneBlank = 1;
constexpr int kPaneTotal = 2;

struct ToolButton {
    UINT nID;
    const wchar_t* pszCaption;
};
const ToolButton kToolButtons[] = {
    {ID_TOOL_OPEN, L"打开"}, {ID_TOOL_TEST, L"测试"}, {ID_TOOL_OPTIMIZE, L"优化"}, {ID_TOOL_REMOVE, L"移除"},
    {ID_TOOL_VIEW, L"查看"}, {ID_TOOL_HELP, L"帮助"}, {ID_TOOL_EXIT, L"退出"},
};

// The toolbar's images as drawn for 96 DPI, 150 % and 200 %. The larger ones keep their shading in full colour; a
// palette of 256 colours turns it into bands at that size.
const DrawnImages kToolbarImages[] = {{32, IDB_TOOLBAR_IMAGES, ILC_COLOR8},
                                      {48, IDB_TOOLBAR_IMAGES_48, ILC_COLOR24},
                                      {64, IDB_TOOLBAR_IMAGES_64, ILC_COLOR24}};

void GreyByPosition(HMENU hMenu, std::initializer_list<UINT> positions) {
    for (UINT pos : positions) ::EnableMenuItem(hMenu, pos, MF_BYPOSITION | MF_DISABLED | MF_GRAYED);
}

}  // namespace

CMainFrame::~CMainFrame() {
    if (m_hWnd) DestroyWindow();
}

BOOL CMainFrame::CreateView(CFileListView* pView) {
    RECT client;
    GetClientRect(&client);
    if (!pView || !pView->Create(this, kViewPaneId, client)) return FALSE;
    m_pView = pView;
    SetActiveView(pView);
    RecalcLayout();
    return TRUE;
}

void CMainFrame::StatusPaneWidths(int width, int widths[3]) {
    if (width > 0) {
        widths[0] = 3 * width / 10;
        widths[1] = 4 * width / 10;
        widths[2] = 3 * width / 10;
    } else {
        widths[0] = 120;
        widths[1] = 200;
        widths[2] = 100;
    }
}

int CMainFrame::OnCreate() {
    m_nDpi = GetWindowDpi(m_hWnd);
    // The toolbar lies in the one band of a rebar, with a gripper. A rebar keeps the first band of a row at the row's
    // start, and this band is the only one: the gripper marks the toolbar and moves nothing.
    if (!m_wndReBar.Create(
            WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT | RBS_BANDBORDERS | CCS_TOP | CCS_NODIVIDER,
            this, AFX_IDW_REBAR) ||
        !m_wndToolBar.Create(
            WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
            &m_wndReBar, AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    for (int i = 0; i < static_cast<int>(sizeof(kToolButtons) / sizeof(kToolButtons[0])); ++i)
        m_wndToolBar.SetButtonText(i, kToolButtons[i].pszCaption);
    // The resource's cells (56 pixels wide) give the buttons their width; the images drawn for the DPI are smaller.
    m_cxToolButton = LOWORD(m_wndToolBar.SendMessage(TB_GETBUTTONSIZE));
    REBARBANDINFOW band = {};
    band.fMask = RBBIM_STYLE | RBBIM_CHILD;
    band.fStyle = RBBS_GRIPPERALWAYS | RBBS_CHILDEDGE;
    band.hwndChild = m_wndToolBar.m_hWnd;
    if (!m_wndReBar.InsertBand(-1, &band)) return -1;
    if (!m_wndStatusBar.Create(WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP, this, AFX_IDW_STATUS_BAR)) return -1;

    // The bars take their fonts from the system's metrics, which are those of the system's DPI; the window may be on
    // a monitor of another.
    m_fontToolbar.Capture(m_wndToolBar, GetSystemDpi());
    m_fontStatusBar.Capture(m_wndStatusBar, GetSystemDpi());
    ApplyDpi(m_nDpi);
    LayoutPanes();
    ::DragAcceptFiles(m_hWnd, TRUE);
    m_nSelectedCount = 0;
    m_nFileCount = 0;
    return 0;
}

void CMainFrame::LayoutPanes() {
    if (!m_wndStatusBar.IsWindow()) return;
    SetPaneWidths();
    for (int pane : {kPaneSelected, kPaneBlank, kPaneTotal}) m_wndStatusBar.SetText(pane, L"");
}

void CMainFrame::SetPaneWidths() {
    RECT r;
    m_wndStatusBar.GetWindowRect(&r);
    int widths[3];
    StatusPaneWidths(r.right - r.left, widths);
    // The progress of a batch is longer than the selection's text: it takes the empty middle pane's room too.
    if (m_bBatchPanes) {
        widths[0] += widths[1];
        widths[1] = 0;
    }
    m_wndStatusBar.SetParts({widths[0], widths[0] + widths[1], widths[0] + widths[1] + widths[2]});
}

void CMainFrame::LoadToolbarImages(UINT dpi) {
    const DrawnImages& drawn = ImagesForDpi(kToolbarImages, sizeof(kToolbarImages) / sizeof(kToolbarImages[0]), dpi);
    HIMAGELIST images = MakeImageList(drawn, 7, &m_bmpToolbar);
    m_hToolbarBitmap = m_bmpToolbar;
    // The toolbar shows the new images before the old ones are destroyed.
    SetToolbarImages(images);
    m_imlToolbar.Attach(images);
}

void CMainFrame::ApplyDpi(UINT dpi) {
    m_nDpi = dpi;
    m_fontToolbar.Apply(m_wndToolBar, dpi);
    m_fontStatusBar.Apply(m_wndStatusBar, dpi);
    if (m_pView) m_pView->SetDpi(dpi);
    // The buttons are as wide at every scale as at 96 DPI, relative to their images; a longer caption may widen them.
    int cx = ::MulDiv(m_cxToolButton, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    m_wndToolBar.SendMessage(TB_SETBUTTONWIDTH, 0, MAKELPARAM(cx, 2 * cx));
    LoadToolbarImages(dpi);
}

LRESULT CMainFrame::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    ApplyDpi(HIWORD(wParam));
    // The suggested rectangle keeps the window's place on the new monitor at its new scale. A minimised window keeps
    // its place and its layout (RecalcLayout does nothing then); it is laid out again when restored.
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested && !::IsIconic(m_hWnd))
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    RecalcLayout();
    return 0;
}

void CMainFrame::SetToolbarImages(HIMAGELIST hImages) {
    if (!m_wndToolBar.IsWindow()) return;
    m_wndToolBar.SetImageList(hImages);
    // The band holds the toolbar at its full size: all seven buttons, however the images measure.
    SIZE size = {0, 0};
    m_wndToolBar.SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    DWORD button = static_cast<DWORD>(m_wndToolBar.SendMessage(TB_GETBUTTONSIZE));
    REBARBANDINFOW band = {};
    band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.cxMinChild = LOWORD(button);
    band.cyMinChild = static_cast<UINT>(size.cy);
    band.cx = band.cxIdeal = static_cast<UINT>(size.cx);
    m_wndReBar.SetBandInfo(0, &band);
    RecalcLayout();
}

void CMainFrame::RecalcLayout() {
    // A minimised frame has no client area to share out: the bars and the view keep their sizes (and the list the
    // column widths the user gave it) until it is restored, whatever changed meanwhile (its DPI, its images).
    if (::IsIconic(m_hWnd)) return;
    RECT client;
    GetClientRect(&client);
    int top = 0, bottom = client.bottom;
    if (m_wndReBar.IsWindow()) {
        m_wndReBar.SendMessage(WM_SIZE, 0, 0);
        RECT r;
        m_wndReBar.GetWindowRect(&r);
        top = r.bottom - r.top;
    }
    if (m_wndStatusBar.IsWindow()) {
        m_wndStatusBar.SendMessage(WM_SIZE, 0, 0);
        RECT r;
        m_wndStatusBar.GetWindowRect(&r);
        bottom -= r.bottom - r.top;
    }
    if (m_pView && m_pView->IsWindow())
        m_pView->MoveWindow(0, top, client.right, bottom > top ? bottom - top : 0, TRUE);
}

void CMainFrame::OnSize(UINT nType) {
    // A minimised frame lays nothing out (RecalcLayout), to be shown as it was when it is restored.
    if (nType != SIZE_MINIMIZED) {
        RecalcLayout();
        // Restored while active, the frame may have been left without the focus (the keyboard then reached nothing).
        HWND focus = ::GetFocus();
        if (::GetActiveWindow() == m_hWnd && (!focus || focus == m_hWnd)) FocusActiveView();
    }
    LayoutPanes();
}

void CMainFrame::OnClose() {
    // Not while a batch works on the rows (a close posted from elsewhere; the user's are dropped).
    if (m_pView && m_pView->IsBusy()) return;
    ClearTempFolder();
    // The document holds no data and is never modified, so the frame closes without a question.
    DestroyWindow();
}

void CMainFrame::OnEndSession(BOOL bEnding) {
    if (!bEnding) return;
    if (m_pView && m_pView->IsBusy()) {
        m_pView->StopWork(true);
        AppendHandoffPaths(m_pView->TakeHeldFiles());
    }
    ClearTempFolder();
}

LRESULT CMainFrame::OnFileListSelection(WPARAM wParam, LPARAM lParam) {
    std::wstring text = L"已选择 " + std::to_wstring(static_cast<int>(wParam)) + L" 个文件，" +
                        std::to_wstring(static_cast<int>(lParam)) + L" K";
    if (m_nKeptMovies > 0) {
        text += L"；" + std::to_wstring(m_nKeptMovies) + L" 个低于版本 6 的影片保持原样（见注释列）";
        m_nKeptMovies = 0;
    } else if (m_bBatchPanes && !(m_pView && m_pView->IsBusy())) {
        // The count of kept movies is replaced: the left pane has its own width again.
        m_bBatchPanes = false;
        SetPaneWidths();
    }
    m_wndStatusBar.SetText(kPaneSelected, text);
    m_nSelectedCount = static_cast<int>(wParam);
    return 0;
}

LRESULT CMainFrame::OnFileListCount(WPARAM wParam, LPARAM) {
    m_wndStatusBar.SetText(kPaneTotal, L"共计 " + std::to_wstring(static_cast<int>(wParam)) + L" 个文件");
    m_nFileCount = static_cast<int>(wParam);
    return 0;
}

LRESULT CMainFrame::OnFileListProgress(WPARAM wParam, LPARAM lParam) {
    const FileListProgress* progress = reinterpret_cast<const FileListProgress*>(lParam);
    if (progress) {
        const std::wstring text =
            progress->bFinding ? L"正在查找影片：已找到 " + std::to_wstring(progress->nRow) + L" 个（按 Esc 停止）"
                               : (progress->bOptimize ? L"正在优化第 " : L"正在测试第 ") +
                                     std::to_wstring(progress->nRow) + L" 个文件，共 " +
                                     std::to_wstring(progress->nRows) + L" 个（按 Esc 停止）";
        if (!m_bBatchPanes) {
            m_bBatchPanes = true;
            SetPaneWidths();
        }
        m_wndStatusBar.SetText(kPaneSelected, text);
        return 0;
    }
    // The batch has ended (the view reports the selection next, with the count of the movies it kept, which needs the
    // wider pane too).
    m_nKeptMovies = static_cast<int>(wParam);
    m_bBatchPanes = m_nKeptMovies > 0;
    SetPaneWidths();
    return 0;
}

LRESULT CMainFrame::OnFileListMenu(WPARAM wParam, LPARAM lParam) {
    // At the mouse pointer (a right click), or at the screen point the view gives (the menu key).
    POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (lParam == 0) ::GetCursorPos(&at);
    HMENU hMenu = ::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_LIST_POPUP));
    if (!hMenu) return 0;
    HMENU hPopup = ::GetSubMenu(hMenu, static_cast<int>(wParam) > 0 ? 0 : 1);
    // The frame owns the popup: its greying applies, and the chosen command is routed to the view.
    if (hPopup) ::TrackPopupMenu(hPopup, TPM_RIGHTBUTTON | TPM_VERTICAL, at.x, at.y, 0, m_hWnd, nullptr);
    ::DestroyMenu(hMenu);
    return 0;
}

LRESULT CMainFrame::OnTakeHandoff(WPARAM, LPARAM) {
    // Taken out of the value at once, also during a batch, so that the next copy's handoff cannot overwrite them.
    std::vector<std::string> paths = SplitHandoffText(TakeHandoffText());
    if (m_pView) m_pView->AddFiles(paths, FileSource::kHandedOver);
    return 0;
}

LRESULT CMainFrame::OnDropFiles(HDROP hDrop) {
    std::vector<std::string> paths = DroppedPaths(hDrop);
    ::DragFinish(hDrop);
    if (m_pView) m_pView->AddFiles(paths, FileSource::kDropped);
    return 0;
}

BOOL CMainFrame::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
    if (hdr && hdr->hwndFrom == m_wndReBar.m_hWnd && hdr->code == RBN_HEIGHTCHANGE) {
        RecalcLayout();
        *pResult = 0;
        return TRUE;
    }
    return CFrameWnd::OnNotify(wParam, lParam, pResult);
}

void CMainFrame::OnInitMenuPopup(HMENU hMenu, UINT, BOOL bSysMenu) {
    if (bSysMenu || ::GetMenuItemCount(hMenu) < 1) return;
    const int selected = m_nSelectedCount, files = m_nFileCount;
    switch (::GetMenuItemID(hMenu, 0)) {
        case ID_FILE_OPENMOVIES:  // 文件: Save as needs exactly one selected row
            if (!(selected == 1 && files >= 1)) GreyByPosition(hMenu, {1});
            break;
        case ID_ACTION_TEST:  // 动作: Test and Optimize need a selection, Remove all a row
            if (selected < 1) GreyByPosition(hMenu, {0, 1});
            if (files < 1) GreyByPosition(hMenu, {0, 1, 3});
            break;
        case ID_POPUP_OPEN:  // PopupNoSelect
            if (files < 1) GreyByPosition(hMenu, {1, 2});
            break;
        case ID_POPUP_VIEW:  // PopupSelected: Rename, Save as and Properties need exactly one selected row
            if (selected != 1) GreyByPosition(hMenu, {1, 3, 4});
            break;
        default:
            break;
    }
}

BOOL CMainFrame::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) {
        // An edit box (a row's name being edited) gets every key, its own shortcuts included: neither the view's
        // keyboard commands nor the accelerators take them.
        char name[16] = {};
        if (::GetClassNameA(pMsg->hwnd, name, sizeof(name)) > 0 && ::lstrcmpiA(name, "Edit") == 0) return FALSE;
        if (m_pView && m_pView->TranslateShortcut(pMsg, m_hWnd)) return TRUE;
    }
    return CFrameWnd::PreTranslateMessage(pMsg);
}

BOOL CMainFrame::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (msg) {
        case WM_CREATE:
            *pResult = OnCreate();
            return TRUE;
        case WM_SIZE:
            OnSize(static_cast<UINT>(wParam));
            *pResult = 0;
            return TRUE;
        case WM_CLOSE:
            OnClose();
            *pResult = 0;
            return TRUE;
        case WM_QUERYENDSESSION:
            // The session may end; a batch stops after the movie in hand.
            if (m_pView) m_pView->StopWork(false);
            *pResult = TRUE;
            return TRUE;
        case WM_ENDSESSION:
            OnEndSession(static_cast<BOOL>(wParam));
            *pResult = 0;
            return TRUE;
        case WM_FILELIST_SELECTION:
            *pResult = OnFileListSelection(wParam, lParam);
            return TRUE;
        case WM_FILELIST_COUNT:
            *pResult = OnFileListCount(wParam, lParam);
            return TRUE;
        case WM_FILELIST_MENU:
            *pResult = OnFileListMenu(wParam, lParam);
            return TRUE;
        case WM_FILELIST_PROGRESS:
            *pResult = OnFileListProgress(wParam, lParam);
            return TRUE;
        case WM_TAKE_HANDOFF:
            *pResult = OnTakeHandoff(wParam, lParam);
            return TRUE;
        case WM_DROPFILES:
            *pResult = OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return TRUE;
        case WM_DPICHANGED:
            *pResult = OnDpiChanged(wParam, lParam);
            return TRUE;
        default:
            return CFrameWnd::OnWndMsg(msg, wParam, lParam, pResult);
    }
}
