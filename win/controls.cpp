// The control wrappers that are more than one call.
#include "controls.h"

#include "ansi_path.h"
#include "win_app.h"

BOOL CHeaderCtrl::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    (void)wParam;
    if (msg != WM_DRAWITEM) return FALSE;
    DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    *pResult = TRUE;
    return TRUE;
}

int CListCtrl::InsertColumn(int nCol, const std::wstring& heading, int nFormat, int nWidth) const {
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = nFormat;
    col.pszText = const_cast<wchar_t*>(heading.c_str());
    col.iSubItem = nCol;
    if (nWidth >= 0) {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    }
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int nItem, const std::string& text, int nImage) const {
    const std::wstring wide = ansi_path::Wide(text, CP_ACP);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nItem;
    item.pszText = const_cast<wchar_t*>(wide.c_str());
    item.iImage = nImage;
    return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const std::string& text) const {
    return SetItemText(nItem, nSubItem, ansi_path::Wide(text, CP_ACP));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const std::wstring& text) const {
    LVITEMW item = {};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
}

std::wstring CListCtrl::GetItemTextW(int nItem, int nSubItem) const {
    // The control copies at most the buffer's size less one; a full buffer may mean a longer text.
    std::vector<wchar_t> buffer(264);
    for (;;) {
        LVITEMW item = {};
        item.iSubItem = nSubItem;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        buffer[0] = L'\0';
        LRESULT length = SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item));
        if (length < static_cast<LRESULT>(buffer.size()) - 1)
            return std::wstring(item.pszText, static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    return ansi_path::Narrow(GetItemTextW(nItem, nSubItem), CP_ACP);
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) const {
    LVITEMW item = {};
    item.state = nState;
    item.stateMask = nMask;
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
}

LPARAM CListCtrl::GetItemData(int nItem) const {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    return GetItem(&item) ? item.lParam : 0;
}

BOOL CToolBarCtrl::Create(DWORD dwStyle, CWnd* pParent, UINT nID) {
    RECT r = {0, 0, 0, 0};
    if (!pParent || !CreateEx(0, TOOLBARCLASSNAMEW, nullptr, dwStyle | WS_CHILD, r, pParent->m_hWnd, nID)) return FALSE;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    return TRUE;
}

BOOL CToolBarCtrl::LoadToolBar(UINT nIDResource) {
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceW(hInst, MAKEINTRESOURCEW(nIDResource), MAKEINTRESOURCEW(241));
    HGLOBAL hData = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    const WORD* data = hData ? static_cast<const WORD*>(::LockResource(hData)) : nullptr;
    DWORD size = hRes ? ::SizeofResource(hInst, hRes) : 0;
    // wVersion, wWidth, wHeight, wItemCount, then one command per item.
    if (!data || size < 4 * sizeof(WORD) || data[0] != 1) return FALSE;
    WORD count = data[3];
    if (size < (4u + count) * sizeof(WORD)) return FALSE;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(data[1], data[2]));
    std::vector<TBBUTTON> buttons(count);
    int image = 0;
    for (WORD i = 0; i < count; ++i) {
        TBBUTTON& b = buttons[i];
        b.idCommand = data[4 + i];
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = b.idCommand ? BTNS_BUTTON : BTNS_SEP;
        b.iBitmap = b.idCommand ? image++ : 0;
        b.iString = -1;
    }
    return static_cast<BOOL>(SendMessage(TB_ADDBUTTONSW, count, reinterpret_cast<LPARAM>(buttons.data())));
}

BOOL CToolBarCtrl::SetButtonText(int nIndex, const std::wstring& text) const {
    TBBUTTON button = {};
    if (!GetButton(nIndex, &button)) return FALSE;
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT;
    info.pszText = const_cast<wchar_t*>(text.c_str());
    return static_cast<BOOL>(
        SendMessage(TB_SETBUTTONINFOW, static_cast<WPARAM>(button.idCommand), reinterpret_cast<LPARAM>(&info)));
}

BOOL CReBarCtrl::Create(DWORD dwStyle, CWnd* pParent, UINT nID) {
    RECT r = {0, 0, 0, 0};
    return pParent && CreateEx(0, REBARCLASSNAMEW, nullptr, dwStyle | WS_CHILD, r, pParent->m_hWnd, nID);
}

BOOL CReBarCtrl::InsertBand(int nIndex, REBARBANDINFOW* pInfo) const {
    pInfo->cbSize = REBARBANDINFOW_V6_SIZE;
    return static_cast<BOOL>(SendMessage(RB_INSERTBANDW, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(pInfo)));
}

BOOL CReBarCtrl::SetBandInfo(int nBand, REBARBANDINFOW* pInfo) const {
    pInfo->cbSize = REBARBANDINFOW_V6_SIZE;
    return static_cast<BOOL>(SendMessage(RB_SETBANDINFOW, static_cast<WPARAM>(nBand), reinterpret_cast<LPARAM>(pInfo)));
}

BOOL CReBarCtrl::GetBandInfo(int nBand, REBARBANDINFOW* pInfo) const {
    pInfo->cbSize = REBARBANDINFOW_V6_SIZE;
    return static_cast<BOOL>(SendMessage(RB_GETBANDINFOW, static_cast<WPARAM>(nBand), reinterpret_cast<LPARAM>(pInfo)));
}

BOOL CStatusBarCtrl::Create(DWORD dwStyle, CWnd* pParent, UINT nID) {
    RECT r = {0, 0, 0, 0};
    return pParent && CreateEx(0, STATUSCLASSNAMEW, nullptr, dwStyle | WS_CHILD, r, pParent->m_hWnd, nID);
}

int CStatusBarCtrl::GetParts(std::vector<int>* rightEdges) const {
    int count = static_cast<int>(SendMessage(SB_GETPARTS, 0, 0));
    rightEdges->assign(static_cast<size_t>(count > 0 ? count : 0), 0);
    if (count > 0) SendMessage(SB_GETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rightEdges->data()));
    return count;
}

std::wstring CStatusBarCtrl::GetText(int nPane) const {
    LRESULT info = SendMessage(SB_GETTEXTLENGTHW, static_cast<WPARAM>(nPane));
    std::wstring text(static_cast<size_t>(LOWORD(info)) + 1, L'\0');
    SendMessage(SB_GETTEXTW, static_cast<WPARAM>(nPane), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(std::char_traits<wchar_t>::length(text.c_str()));
    return text;
}

BOOL CToolTipCtrl::Create(CWnd* pOwner, DWORD dwStyle) {
    RECT r = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    r.right = r.left;
    r.bottom = r.top;
    return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | dwStyle, r,
                    pOwner ? pOwner->m_hWnd : nullptr, 0);
}

namespace {

// The record of tool `nIDTool` of `pWnd` with the text `pszText`.
TTTOOLINFOW ToolInfo(CWnd* pWnd, UINT_PTR nIDTool, const wchar_t* pszText) {
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = pWnd->m_hWnd;
    info.uId = nIDTool;
    info.hinst = AfxGetResourceHandle();
    info.lpszText = const_cast<wchar_t*>(pszText);
    return info;
}

}  // namespace

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, const std::wstring& text, const RECT& rect, UINT_PTR nIDTool) const {
    TTTOOLINFOW info = ToolInfo(pWnd, nIDTool, text.c_str());
    info.rect = rect;
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(const std::wstring& text, CWnd* pWnd, UINT_PTR nIDTool) const {
    TTTOOLINFOW info = ToolInfo(pWnd, nIDTool, text.c_str());
    SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

std::wstring CToolTipCtrl::GetText(CWnd* pWnd, UINT_PTR nIDTool) const {
    // A tool's text is at most 80 characters unless the tool asks its owner for it.
    wchar_t buffer[1024] = {};
    TTTOOLINFOW info = ToolInfo(pWnd, nIDTool, buffer);
    SendMessage(TTM_GETTEXTW, sizeof(buffer) / sizeof(buffer[0]), reinterpret_cast<LPARAM>(&info));
    return buffer;
}

BOOL CBitmap::LoadBitmap(UINT nID) {
    return Attach(static_cast<HBITMAP>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nID), IMAGE_BITMAP, 0, 0,
                                                    LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS)));
}
