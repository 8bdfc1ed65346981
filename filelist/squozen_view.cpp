// The file list view: columns, rows, reports to the frame, the double-click action, the keyboard commands and
// the commands of the Help and Options menus, Open and Exit. The batches and the item commands are in
// view_batches.cpp and view_item_commands.cpp.
#include "squozen_view.h"

#include <shellapi.h>

#include <unordered_set>

#include "atomic_file.h"
#include "busy_loop.h"
#include "file_dialog.h"
#include "file_helpers.h"
#include "folder_walk.h"
#include "mbcs.h"
#include "movie_batch.h"
#include "option_store.h"
#include "options_dlg.h"
#include "platform.h"
#include "product_info.h"
#include "resource.h"
#include "win_app.h"

namespace {

int ListFormat(ColumnAlign align) {
    switch (align) {
        case ColumnAlign::kRight:
            return LVCFMT_RIGHT;
        case ColumnAlign::kCenter:
            return LVCFMT_CENTER;
        default:
            return LVCFMT_LEFT;
    }
}

// The file images as drawn for 96 DPI, 150 % and 200 % (the larger in full colour, as the toolbar's).
const DrawnImages kFileImages[] = {
    {16, IDB_FILE_IMAGES, ILC_COLOR8}, {24, IDB_FILE_IMAGES_24, ILC_COLOR24}, {32, IDB_FILE_IMAGES_32, ILC_COLOR24}};

// The size in pixels of a dialog template of the program (its DLGTEMPLATEEX or DLGTEMPLATE head) as `hDlg`
// lays it out; {0, 0} when the template cannot be read.
SIZE TemplateSize(HWND hDlg, UINT nIDTemplate) {
    SIZE size = {0, 0};
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceA(hInst, MAKEINTRESOURCEA(nIDTemplate), MAKEINTRESOURCEA(5));
    const WORD* head = hRes ? static_cast<const WORD*>(::LockResource(::LoadResource(hInst, hRes))) : nullptr;
    if (!head || ::SizeofResource(hInst, hRes) < 26) return size;
    // DLGTEMPLATEEX: version 1, signature 0xFFFF, help id, extended style, style, item count, x, y, cx, cy.
    bool extended = head[0] == 1 && head[1] == 0xFFFF;
    const short* xy = reinterpret_cast<const short*>(extended ? head + 9 : head + 5);
    RECT r = {0, 0, xy[2], xy[3]};
    ::MapDialogRect(hDlg, &r);
    size.cx = r.right;
    size.cy = r.bottom;
    return size;
}

}  // namespace

int AddFileRow(CListCtrl& list, const std::string& path) {
    FileRow row = MakeFileRow(path);
    int n = list.InsertItem(list.GetItemCount(), row.texts[kColumnName], row.nImage);
    if (n < 0) return -1;
    for (int c = kColumnFolder; c < kColumnComment; ++c)
        if (!row.texts[c].empty()) list.SetItemText(n, c, row.texts[c]);
    list.SetItemText(n, kColumnComment, row.pszComment);
    return n;
}

int AddFileRows(CListCtrl& list, const std::vector<std::string>& paths) {
    list.SetRedraw(FALSE);
    int added = 0;
    for (const std::string& path : paths)
        if (AddFileRow(list, path) >= 0) ++added;
    list.SetRedraw(TRUE);
    return added;
}

CSquozenView::CSquozenView() : CFileListView(IDD_SQUOZEN_FORM) {}

CSquozenView::~CSquozenView() {
    // The window goes first, while the image list it shows still exists (WM_DESTROY takes it from the list).
    if (m_hWnd) DestroyWindow();
}

void CSquozenView::DoDataExchange(CDataExchange* pDX) {
    CFormView::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FILE_LIST, m_wndFileList);
}

void CSquozenView::OnInitialUpdate() {
    CFormView::OnInitialUpdate();

    // Shrink the frame (never grow it) so that the view is the size of its form.
    HWND hFrame = GetParent();
    SIZE form = TemplateSize(m_hWnd, m_nIDTemplate);
    RECT client, frame;
    GetClientRect(&client);
    ::GetWindowRect(hFrame, &frame);
    int dx = form.cx > 0 && form.cx < client.right ? form.cx - client.right : 0;
    int dy = form.cy > 0 && form.cy < client.bottom ? form.cy - client.bottom : 0;
    if (dx != 0 || dy != 0)
        ::SetWindowPos(hFrame, nullptr, 0, 0, frame.right - frame.left + dx, frame.bottom - frame.top + dy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    if (m_wndFileList.IsWindow()) {
        for (int c = 0; c < kFileListColumns; ++c)
            m_wndFileList.InsertColumn(c, kFileListColumnTable[c].pszHeading,
                                       ListFormat(kFileListColumnTable[c].align));
        m_wndFileList.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        SetColumnWidths();
        m_wndFileList.m_bTextColumn.assign(kFileListColumns, FALSE);
        m_wndFileList.m_bSortable.assign(kFileListColumns, TRUE);
        for (int c = 0; c < kFileListColumns; ++c) m_wndFileList.m_bTextColumn[c] = kFileListColumnTable[c].bText;

        // The form's font was made for the DPI of the window it is in.
        UINT dpi = GetWindowDpi(m_hWnd);
        m_fontFileList.Capture(m_wndFileList, dpi);
        LoadFileImages(dpi);
    }

    // The keyboard commands are taken inside the program (TranslateShortcut), never as system-wide hot keys,
    // which would take the keys from every other program while this one runs.

    ReadOptions();
}

void CSquozenView::LoadFileImages(UINT dpi) {
    const DrawnImages& drawn = ImagesForDpi(kFileImages, sizeof(kFileImages) / sizeof(kFileImages[0]), dpi);
    HIMAGELIST images = MakeImageList(drawn, 4, &m_bmpFileImages);
    m_hFileImages = m_bmpFileImages;
    if (!images) return;
    // The list shows the new images before the old ones are destroyed.
    m_wndFileList.SetImageList(images, LVSIL_SMALL);
    m_imlFileImages.Attach(images);
}

void CSquozenView::SetDpi(UINT dpi) {
    if (!m_wndFileList.IsWindow()) return;
    m_fontFileList.Apply(m_wndFileList, dpi);
    LoadFileImages(dpi);
}

void CSquozenView::ReadOptions() {
    m_bBackup = ReadBackupOption();
    m_bProtect = ReadProtectOption();
    m_nDblClickAction = ReadDoubleClickAction();
}

void CSquozenView::SetColumnWidths() {
    RECT r;
    GetWindowRect(&r);
    POINT rightEdge = {r.right, r.bottom};
    ::ScreenToClient(m_hWnd, &rightEdge);
    for (int c = 0; c < kFileListColumns; ++c) m_wndFileList.SetColumnWidth(c, FileListColumnWidth(c, rightEdge.x));
}

std::string CSquozenView::RowPath(int nItem) const {
    return m_wndFileList.GetItemText(nItem, kColumnFolder) + m_wndFileList.GetItemText(nItem, kColumnName);
}

void CSquozenView::AddOpenedFiles(const std::vector<std::string>& paths) {
    int n = m_wndFileList.GetItemCount();
    // The rows' paths as they were before this Open, each folded once (the single-byte letters made lower case,
    // which gives the equality of _mbsicmp), so that each path chosen is looked up, not compared with every row.
    std::unordered_set<std::string> listed;
    listed.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) listed.insert(sqz::MbsLower(RowPath(i)));
    std::vector<std::string> fresh;
    for (const std::string& path : paths)
        if (!listed.count(sqz::MbsLower(path)) && sqz::Files().Find(path, nullptr)) fresh.push_back(path);
    n += AddFileRows(m_wndFileList, fresh);
    ::SendMessageA(ReportWindow(), WM_FILELIST_COUNT, static_cast<WPARAM>(n), 0);
}

void CSquozenView::AddFiles(const std::vector<std::string>& paths, FileSource source) {
    switch (source) {
        case FileSource::kOpened:
            AddOpenedFiles(paths);
            break;
        case FileSource::kDropped:
            AddDroppedFiles(paths);
            break;
        case FileSource::kHandedOver:
            // While the rows are worked on they stay as they are: the files wait for the end, whatever it is.
            if (m_bInBatch) {
                m_heldFiles.insert(m_heldFiles.end(), paths.begin(), paths.end());
                break;
            }
            // No duplicate test and no existence test: a path that names no movie gets a "Bad Flash File" row.
            AddFileRows(m_wndFileList, paths);
            ::SendMessageA(ReportWindow(), WM_FILELIST_COUNT, static_cast<WPARAM>(m_wndFileList.GetItemCount()), 0);
            break;
    }
}

void CSquozenView::StopWork(bool bNow) {
    if (m_pBusyLoop) m_pBusyLoop->Stop();
    if (bNow) sqz::AbandonWorkFiles();
}

std::vector<std::string> CSquozenView::TakeHeldFiles() {
    std::vector<std::string> held;
    held.swap(m_heldFiles);
    return held;
}

void CSquozenView::EndBusy(int nKept) {
    m_bInBatch = false;
    m_pBusyLoop = nullptr;
    ::SendMessageA(ReportWindow(), WM_FILELIST_PROGRESS, static_cast<WPARAM>(nKept), 0);
    if (!m_heldFiles.empty()) AddFiles(TakeHeldFiles(), FileSource::kHandedOver);
}

void CSquozenView::AddDroppedFiles(const std::vector<std::string>& paths) {
    if (m_bInBatch) return;
    // A drive or a large folder takes a while: the walk pauses for the window's messages as a batch does, showing
    // how many movies it has found, and Escape ends it with what it found. Meanwhile the window is busy as in a
    // batch: commands, drops and closing do nothing, and a handoff waits for the end.
    m_bInBatch = true;
    CBusyLoop loop;
    m_pBusyLoop = &loop;
    FileListProgress progress = {0, 0, false, true};
    bool bShown = false;
    std::vector<std::string> movies;
    sqz::FolderWalk walk(true);
    walk.onMovie = [&](const std::string& movie) { movies.push_back(movie); };
    walk.onProgress = [&](size_t) {
        if (!loop.IsDue()) return true;
        progress.nRow = static_cast<int>(movies.size());
        ::SendMessageA(ReportWindow(), WM_FILELIST_PROGRESS, 0, reinterpret_cast<LPARAM>(&progress));
        bShown = true;
        loop.Pause();
        return !loop.IsStopped();
    };
    for (const std::string& path : paths) {
        const sqz::NamedPath named = sqz::LookUpNamedPath(path);
        if (named.kind == sqz::NamedKind::kFolder) {
            if (!walk.Walk(named.strPath)) break;
        } else if (named.kind == sqz::NamedKind::kFile && HasMovieExtension(named.strPath)) {
            movies.push_back(named.strPath);
        }
    }
    // A movie dropped with its folder, or reached twice, is added once.
    std::unordered_set<std::string> seen;
    std::vector<std::string> once;
    for (const std::string& movie : movies)
        if (seen.insert(sqz::MbsLower(movie)).second) once.push_back(movie);
    AddOpenedFiles(once);
    // The frame takes the end of the walk; the files handed over meanwhile come after the dropped ones.
    EndBusy(0);
    if (bShown) SendSelection();
}

BOOL CSquozenView::HandleCommand(UINT nID, int nCode) {
    // A batch takes no command until it ends (none could come from the user; a message from elsewhere might).
    if (m_bInBatch && nCode == CN_COMMAND) return TRUE;
    static const CommandEntry<CSquozenView> kCommands[] = {
        {ID_FILE_OPENMOVIES, &CSquozenView::OnOpen},
        {ID_POPUP_OPEN, &CSquozenView::OnOpen},
        {ID_TOOL_OPEN, &CSquozenView::OnOpen},
        {ID_FILE_SAVEMOVIEAS, &CSquozenView::OnSaveAs},
        {ID_POPUP_SAVEAS, &CSquozenView::OnSaveAs},
        {ID_FILE_EXITPROGRAM, &CSquozenView::OnExit},
        {ID_TOOL_EXIT, &CSquozenView::OnExit},
        {ID_ACTION_TEST, &CSquozenView::OnTest},
        {ID_TOOL_TEST, &CSquozenView::OnTest},
        {ID_ACTION_OPTIMIZE, &CSquozenView::OnOptimize},
        {ID_TOOL_OPTIMIZE, &CSquozenView::OnOptimize},
        {ID_ACTION_REMOVEALL, &CSquozenView::OnRemoveAll},
        {ID_POPUP_REMOVEALL, &CSquozenView::OnRemoveAll},
        {ID_POPUP_SELECTALL, &CSquozenView::OnSelectAll},
        {ID_POPUP_VIEW, &CSquozenView::OnView},
        {ID_TOOL_VIEW, &CSquozenView::OnView},
        {ID_POPUP_RENAME, &CSquozenView::OnRename},
        {ID_POPUP_DELETE, &CSquozenView::OnDelete},
        {ID_TOOL_REMOVE, &CSquozenView::OnDelete},
        {ID_POPUP_PROPERTIES, &CSquozenView::OnProperties},
        {ID_OPTIONS_SETTINGS, &CSquozenView::OnOptions},
        {ID_HELP_CONTENTS, &CSquozenView::OnHelpContents},
        {ID_TOOL_HELP, &CSquozenView::OnHelpContents},
        {ID_HELP_HOMEPAGE, &CSquozenView::OnHomePage},
        {ID_HELP_MAIL, &CSquozenView::OnSendMail},
    };
    return DispatchCommand(this, kCommands, nID, nCode);
}

BOOL CSquozenView::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (msg) {
        case WM_SIZE:
            ::ShowScrollBar(m_hWnd, SB_BOTH, FALSE);
            if (m_wndFileList.IsWindow()) {
                // The columns share the width: they are shared out anew when it changes. A change of the height alone
                // (the bars above and below grown or shrunk, at another DPI) leaves the widths the user gave them.
                RECT list;
                m_wndFileList.GetWindowRect(&list);
                if (list.right - list.left != LOWORD(lParam)) SetColumnWidths();
                m_wndFileList.MoveWindow(0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            }
            *pResult = 0;
            return TRUE;
        case WM_CLOSE:
            ::PostQuitMessage(0);
            *pResult = 0;
            return TRUE;
        case WM_CONTEXTMENU:
            // The menu key or Shift+F10 in the list: the list's own menu, beside the row the keyboard is on (a right
            // click has shown it already, through NM_RCLICK).
            if (m_wndFileList.m_hWnd && reinterpret_cast<HWND>(wParam) == m_wndFileList.m_hWnd && lParam == -1) {
                ShowKeyboardMenu();
                *pResult = 0;
                return TRUE;
            }
            break;
        case WM_DESTROY:
            // The list would destroy the image list it shows; the view owns it.
            if (m_wndFileList.IsWindow()) m_wndFileList.SetImageList(nullptr, LVSIL_SMALL);
            break;
        default:
            break;
    }
    return CFormView::OnWndMsg(msg, wParam, lParam, pResult);
}

BOOL CSquozenView::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    (void)wParam;
    NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (!hdr || !m_wndFileList.m_hWnd || hdr->hwndFrom != m_wndFileList.m_hWnd) return FALSE;
    switch (hdr->code) {
        case NM_DBLCLK:
            OnDoubleClick();
            *pResult = 0;
            return TRUE;
        case LVN_ITEMCHANGED:
            OnItemChanged(reinterpret_cast<const NMLISTVIEW*>(hdr));
            *pResult = 0;
            return TRUE;
        case LVN_DELETEITEM: {
            // A selected row that goes takes its size out of the selection's total.
            int item = reinterpret_cast<const NMLISTVIEW*>(hdr)->iItem;
            if (item >= 0 && (m_wndFileList.GetItemState(item, LVIS_SELECTED) & LVIS_SELECTED)) {
                unsigned long long bytes = SizeCellBytes(m_wndFileList.GetItemText(item, kColumnSize));
                m_nSelectedBytes -= bytes < m_nSelectedBytes ? bytes : m_nSelectedBytes;
            }
            *pResult = 0;
            return TRUE;
        }
        case LVN_DELETEALLITEMS:
            m_nSelectedBytes = 0;
            *pResult = TRUE;  // no LVN_DELETEITEM for each row
            return TRUE;
        case NM_RCLICK:
            ::SendMessageA(ReportWindow(), WM_FILELIST_MENU, m_wndFileList.GetSelectedCount(), 0);
            *pResult = 0;
            return TRUE;
        case LVN_ENDLABELEDITW:
            *pResult = 0;  // the list never takes the typed text by itself
            OnEndLabelEdit(reinterpret_cast<NMLVDISPINFOW*>(hdr), pResult);
            return TRUE;
        default:
            return FALSE;
    }
}

void CSquozenView::OnItemChanged(const NMLISTVIEW* pChange) {
    // Only a change of an item's state can change the selection; text changes (a batch writing its results into
    // rows) need no report.
    if (!(pChange->uChanged & LVIF_STATE)) return;
    // The row exchanges of a sort move states between rows without changing which movies are selected; the list
    // reports the end of the sort as a change of every row.
    if (m_wndFileList.IsSorting()) return;
    if (pChange->iItem < 0) {
        // Every row at once.
        ReportSelection();
        return;
    }
    bool was = (pChange->uOldState & LVIS_SELECTED) != 0, is = (pChange->uNewState & LVIS_SELECTED) != 0;
    if (was != is) {
        // A row's size never changes once it is in the list, so the total follows row by row: a selection of
        // thousands of rows, one notification each, costs no walk over the selection per row.
        unsigned long long bytes = SizeCellBytes(m_wndFileList.GetItemText(pChange->iItem, kColumnSize));
        if (is)
            m_nSelectedBytes += bytes;
        else
            m_nSelectedBytes -= bytes < m_nSelectedBytes ? bytes : m_nSelectedBytes;
    }
    if (!m_bQuietSelection) SendSelection();
}

void CSquozenView::ReportSelection() {
    unsigned long long bytes = 0;
    for (int i = m_wndFileList.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = m_wndFileList.GetNextItem(i, LVNI_SELECTED))
        bytes += SizeCellBytes(m_wndFileList.GetItemText(i, kColumnSize));
    m_nSelectedBytes = bytes;
    SendSelection();
}

void CSquozenView::SendSelection() {
    UINT count = m_wndFileList.GetSelectedCount();
    if (count == 0) m_nSelectedBytes = 0;
    ::SendMessageA(ReportWindow(), WM_FILELIST_SELECTION, count, count == 0 ? 0 : KFigure(m_nSelectedBytes));
}

void CSquozenView::OnDoubleClick() {
    switch (m_nDblClickAction) {
        case 0:
            OnCmdMsg(ID_POPUP_VIEW, CN_COMMAND);
            break;
        case 1:
            OnCmdMsg(ID_ACTION_TEST, CN_COMMAND);
            break;
        case 2:
            OnCmdMsg(ID_ACTION_OPTIMIZE, CN_COMMAND);
            break;
        default:
            break;
    }
}

BOOL CSquozenView::TranslateShortcut(const MSG* pMsg, HWND hMainWnd) {
    if (pMsg->message != WM_KEYDOWN && pMsg->message != WM_SYSKEYDOWN) return FALSE;
    bool ctrl = ::GetKeyState(VK_CONTROL) < 0, shift = ::GetKeyState(VK_SHIFT) < 0, alt = ::GetKeyState(VK_MENU) < 0;
    const bool inList = m_wndFileList.m_hWnd && pMsg->hwnd == m_wndFileList.m_hWnd;
    const UINT selected = inList ? m_wndFileList.GetSelectedCount() : 0;
    UINT command = 0;
    if (pMsg->message == WM_SYSKEYDOWN) {
        // Alt+Enter: the properties of the one selected row.
        if (!(inList && alt && !ctrl && !shift && pMsg->wParam == VK_RETURN)) return FALSE;
        if (selected == 1) command = ID_POPUP_PROPERTIES;
    } else if (inList && !ctrl && !shift && !alt && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_F2)) {
        // Enter does what a double click on the selected rows does; F2 renames the one selected row.
        if (pMsg->wParam == VK_F2 && selected == 1) command = ID_POPUP_RENAME;
        if (pMsg->wParam == VK_RETURN && selected > 0) {
            if (::GetActiveWindow() == hMainWnd) OnDoubleClick();
            return TRUE;
        }
    } else if (ctrl && !shift && !alt) {
        switch (pMsg->wParam) {
            case 'A':
                command = ID_POPUP_SELECTALL;
                break;
            case 'O':
                command = ID_FILE_OPENMOVIES;
                break;
            case 'N':
            case 'S':
                break;  // taken, so that they reach nothing else, and left without a command
            default:
                return FALSE;
        }
    } else if (!ctrl && !shift && !alt && pMsg->wParam == VK_DELETE) {
        command = ID_POPUP_DELETE;
    } else {
        return FALSE;
    }
    if (command && ::GetActiveWindow() == hMainWnd) OnCmdMsg(command, CN_COMMAND);
    return TRUE;
}

void CSquozenView::ShowKeyboardMenu() {
    // Below the left end of the focused row's name when it is selected and in sight, else at the top of the list.
    RECT list, row;
    ::GetClientRect(m_wndFileList.m_hWnd, &list);
    POINT at = {list.left + 8, list.top + 8};
    int item = m_wndFileList.GetNextItem(-1, LVNI_FOCUSED | LVNI_SELECTED);
    row.left = LVIR_LABEL;
    if (item >= 0 &&
        ::SendMessageA(m_wndFileList.m_hWnd, LVM_GETITEMRECT, static_cast<WPARAM>(item),
                       reinterpret_cast<LPARAM>(&row)) &&
        row.bottom > list.top && row.top < list.bottom)
        at = {row.left + 8, row.bottom};
    ::ClientToScreen(m_wndFileList.m_hWnd, &at);
    ::SendMessageA(ReportWindow(), WM_FILELIST_MENU, m_wndFileList.GetSelectedCount(), MAKELPARAM(at.x, at.y));
}

void CSquozenView::OnOpen() {
    CFileDialog dlg(TRUE, L"*.swf", L"*.swf", OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST,
                    L"Flash 文件(*.swf)|*.swf||", nullptr, kOpenDialogBufferSize);
    if (dlg.DoModal() != IDOK) return;
    AddFiles(dlg.GetPathNames(), FileSource::kOpened);
}

void CSquozenView::OnExit() {
    ClearTempFolder();
    ::PostQuitMessage(0);
}

void CSquozenView::OnOptions() {
    COptionsDlg dlg(nullptr);
    dlg.DoModal();
    ReadOptions();
}

void CSquozenView::OnHelpContents() {
    std::string help = GetProgramFolder() + "Squozen.chm";
    ::ShellExecuteA(m_hWnd, "Open", help.c_str(), nullptr, nullptr, SW_SHOW);
}

void CSquozenView::OnHomePage() { ::ShellExecuteA(m_hWnd, "Open", SQZ_HOME_PAGE_URL, nullptr, nullptr, SW_SHOW); }

void CSquozenView::OnSendMail() {
    ::ShellExecuteA(m_hWnd, "Open", "mailto:" SQZ_SUPPORT_MAIL, nullptr, nullptr, SW_SHOW);
}
