// The window base: binding of objects to windows, the one window procedure, reflection and routing.
#include "wnd.h"

#include <unordered_map>

#include "win_app.h"

namespace {

// The objects bound to windows, looked up for every message of every window of this layer. Kept in the process
// rather than on the windows (a property or GWLP_USERDATA): a control class may use its GWLP_USERDATA itself, and a
// window property costs a call to the window server under Wine, which made each message to the file list some
// hundred times dearer than to a plain list. A window of another thread may be looked up too, hence the lock.
class HandleMap {
public:
    CWnd* Find(HWND hWnd) {
        ::AcquireSRWLockShared(&lock_);
        auto it = map_.find(hWnd);
        CWnd* found = it == map_.end() ? nullptr : it->second;
        ::ReleaseSRWLockShared(&lock_);
        return found;
    }
    void Set(HWND hWnd, CWnd* wnd) {
        ::AcquireSRWLockExclusive(&lock_);
        if (wnd)
            map_[hWnd] = wnd;
        else
            map_.erase(hWnd);
        ::ReleaseSRWLockExclusive(&lock_);
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::unordered_map<HWND, CWnd*> map_;
};

// Made at the first lookup and never destroyed: windows may go until the very end of the process (the application
// object's own, when the static objects are destroyed, among them), and each of their last messages looks its object
// up here. A map destroyed with the other static objects would be looked up after its end.
HandleMap& Handles() {
    static HandleMap* map = new HandleMap;
    return *map;
}

}  // namespace

CWnd::~CWnd() {
    if (!m_hWnd) return;
    if (m_bSubclassed)
        UnsubclassWindow();
    else
        DestroyWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) { return hWnd ? Handles().Find(hWnd) : nullptr; }

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    Handles().Set(hWnd, this);
}

void CWnd::Detach() {
    if (m_hWnd) Handles().Set(m_hWnd, nullptr);
    m_hWnd = nullptr;
}

BOOL CWnd::RegisterWndClass(const wchar_t* name, UINT style, HBRUSH background, HICON icon) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(AfxGetResourceHandle(), name, &wc)) return TRUE;
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = StdWndProc;
    wc.hInstance = AfxGetResourceHandle();
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background ? background : reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hIcon = icon;
    wc.lpszClassName = name;
    return ::RegisterClassExW(&wc) != 0;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, const wchar_t* lpszClassName, const wchar_t* lpszWindowName, DWORD dwStyle,
                    const RECT& rect, HWND hWndParent, UINT_PTR nIDorMenu) {
    if (m_hWnd) return FALSE;
    HWND hWnd = ::CreateWindowExW(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, hWndParent,
                                  reinterpret_cast<HMENU>(nIDorMenu), AfxGetResourceHandle(), this);
    if (!hWnd) {
        Detach();
        return FALSE;
    }
    // A window of a class that is not this layer's (a control) is bound after the fact.
    if (m_hWnd != hWnd) return SubclassWindow(hWnd);
    return TRUE;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
    m_hWnd = hWnd;  // PreSubclassWindow may talk to the window
    PreSubclassWindow();
    Attach(hWnd);
    m_bSubclassed = true;
    // Set as a Unicode procedure, so that a control of a Unicode class stays one (its texts are not narrowed to the
    // ANSI code page on their way through this layer).
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    return pParent ? SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID))) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (!hWnd || !m_bSubclassed) return nullptr;
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    m_bSubclassed = false;
    Detach();
    return hWnd;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    HWND hWnd = m_hWnd;
    BOOL ok = ::DestroyWindow(hWnd);
    // A window of another thread or one that refused to go: forget it all the same.
    if (m_hWnd == hWnd) {
        if (m_bSubclassed) UnsubclassWindow();
        Detach();
    }
    return ok;
}

std::wstring ReadWindowText(HWND hWnd) {
    int length = ::GetWindowTextLengthW(hWnd);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int got = ::GetWindowTextW(hWnd, &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

void CWnd::CenterWindow() const {
    RECT r, area;
    ::GetWindowRect(m_hWnd, &r);
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    int x = area.left + ((area.right - area.left) - (r.right - r.left)) / 2;
    int y = area.top + ((area.bottom - area.top) - (r.bottom - r.top)) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(msg, wParam, lParam, &result)) return result;
    return DefWindowProc(msg, wParam, lParam);
}

BOOL CWnd::ReflectToChild(HWND hChild, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    CWnd* child = FromHandlePermanent(hChild);
    return child && child->OnChildNotify(msg, wParam, lParam, pResult);
}

BOOL CWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (msg) {
        case WM_COMMAND:
            if (lParam && ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, pResult)) return TRUE;
            if (OnCommand(wParam, lParam)) {
                *pResult = 0;
                return TRUE;
            }
            return FALSE;
        case WM_NOTIFY: {
            const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
            if (hdr && ReflectToChild(hdr->hwndFrom, msg, wParam, lParam, pResult)) return TRUE;
            return OnNotify(wParam, lParam, pResult);
        }
        case WM_DRAWITEM: {
            const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            return dis && dis->CtlType != ODT_MENU && ReflectToChild(dis->hwndItem, msg, wParam, lParam, pResult);
        }
        case WM_MEASUREITEM: {
            const MEASUREITEMSTRUCT* mis = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
            return mis && mis->CtlType != ODT_MENU &&
                   ReflectToChild(::GetDlgItem(m_hWnd, static_cast<int>(mis->CtlID)), msg, wParam, lParam, pResult);
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            return ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, pResult);
        default:
            return FALSE;
    }
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    // Menus and accelerators are commands; a control passes its notification code.
    int nCode = lParam ? HIWORD(wParam) : CN_COMMAND;
    return OnCmdMsg(nID, nCode);
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* self = FromHandlePermanent(hWnd);
    if (!self && msg == WM_NCCREATE) {
        const CREATESTRUCTW* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = static_cast<CWnd*>(cs->lpCreateParams);
        if (self) self->Attach(hWnd);
    }
    if (!self) return ::DefWindowProcW(hWnd, msg, wParam, lParam);
    LRESULT result = 0;
    // No C++ exception may unwind through the system's frames. The program's own code raises none; what
    // can arrive here is the standard library's (a failed allocation), and the message then counts as
    // handled with result 0.
    try {
        result = self->WindowProc(msg, wParam, lParam);
    } catch (...) {
        result = 0;
    }
    if (msg == WM_NCDESTROY && self->m_hWnd == hWnd) {
        // The control's own procedure has had the last message (DefWindowProc); let go of the window.
        if (self->m_bSubclassed)
            self->UnsubclassWindow();
        else
            self->Detach();
        self->PostNcDestroy();
    }
    return result;
}

HINSTANCE AfxGetResourceHandle() {
    CWinApp* app = AfxGetApp();
    return app && app->m_hInstance ? app->m_hInstance : ::GetModuleHandleA(nullptr);
}
