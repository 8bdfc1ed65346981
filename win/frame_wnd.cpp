// The frame window and its command routing.
#include "frame_wnd.h"

#include "win_app.h"

BOOL CFrameWnd::LoadFrame(UINT nIDResource, const wchar_t* title, DWORD dwStyle) {
    HINSTANCE hInst = AfxGetResourceHandle();
    HICON hIcon = ::LoadIconW(hInst, MAKEINTRESOURCEW(nIDResource));
    if (!RegisterWndClass(kClassName, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), hIcon)) return FALSE;
    HMENU hMenu = ::LoadMenuW(hInst, MAKEINTRESOURCEW(nIDResource));
    m_hAccelTable = ::LoadAcceleratorsW(hInst, MAKEINTRESOURCEW(nIDResource));
    HWND hWnd = ::CreateWindowExW(0, kClassName, title, dwStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, hMenu, hInst, this);
    if (!hWnd) {
        if (hMenu) ::DestroyMenu(hMenu);
        Detach();
        return FALSE;
    }
    if (hIcon) ::SendMessageW(hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    return TRUE;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode) {
    if (m_pActiveView && m_pActiveView->OnCmdMsg(nID, nCode)) return TRUE;
    if (HandleCommand(nID, nCode)) return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode);
}

BOOL CFrameWnd::FocusActiveView() const {
    if (!m_pActiveView || !m_pActiveView->IsWindow() || !::IsWindowVisible(m_pActiveView->m_hWnd)) return FALSE;
    m_pActiveView->SetFocus();
    return TRUE;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
    if (!m_hAccelTable || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
    return ::TranslateAcceleratorW(m_hWnd, m_hAccelTable, pMsg) != 0;
}

BOOL CFrameWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (msg == WM_INITMENUPOPUP) {
        HMENU hMenu = reinterpret_cast<HMENU>(wParam);
        BOOL bSysMenu = HIWORD(lParam);
        if (!bSysMenu) {
            for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
                UINT nID = ::GetMenuItemID(hMenu, i);
                if (nID == 0 || nID == static_cast<UINT>(-1)) continue;  // separator or submenu
                BOOL handled = OnCmdMsg(nID, CN_UPDATE_COMMAND_UI);
                ::EnableMenuItem(hMenu, static_cast<UINT>(i), MF_BYPOSITION | (handled ? MF_ENABLED : MF_GRAYED));
            }
        }
        OnInitMenuPopup(hMenu, LOWORD(lParam), bSysMenu);
        *pResult = 0;
        return TRUE;
    }
    if (msg == WM_SETFOCUS && FocusActiveView()) {
        *pResult = 0;
        return TRUE;
    }
    if (msg == WM_NCDESTROY) {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == this) {
            app->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, pResult);
}
