// The window base of the program's user interface: a non-owning HWND wrapper bound to its C++ object, one
// window procedure that splits messages into member handlers, notifications reflected to the control that
// sent them, and the command-routing hooks of the application, frame and view.
#pragma once

#include <windows.h>

#include <string>

// The whole text of a window (a caption, the content of an edit box), however long, as the window holds it (UTF-16);
// "" for no window.
std::wstring ReadWindowText(HWND hWnd);

// Notification codes of OnCmdMsg: carry the command out, or only answer whether a handler exists (so that
// menus can enable the items somebody handles).
constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;

// Something that can take commands (menu, toolbar, popup and accelerator identifiers, button clicks).
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // Routes command `nID` with code `nCode` (CN_COMMAND for menus and accelerators, else the control's
    // notification code) along this target's chain; TRUE when a handler took it (or, for
    // CN_UPDATE_COMMAND_UI, when one exists). The default asks only HandleCommand.
    virtual BOOL OnCmdMsg(UINT nID, int nCode) { return HandleCommand(nID, nCode); }

protected:
    // The class's own command table: TRUE when it handles `nID`; runs the handler only for CN_COMMAND.
    virtual BOOL HandleCommand(UINT nID, int nCode) {
        (void)nID;
        (void)nCode;
        return FALSE;
    }
};

// One line of a command table: a command identifier and the member function that carries it out.
template <class T>
struct CommandEntry {
    UINT nID;
    void (T::*pfn)();
};

// Looks `nID` up in `table`; runs the handler for CN_COMMAND; TRUE when the table has the identifier and the
// code is a command (CN_COMMAND, or CN_UPDATE_COMMAND_UI which only asks). Other notification codes (an
// edit's EN_CHANGE, say) are not commands and are left alone.
template <class T, size_t N>
BOOL DispatchCommand(T* self, const CommandEntry<T> (&table)[N], UINT nID, int nCode) {
    if (nCode != CN_COMMAND && nCode != CN_UPDATE_COMMAND_UI) return FALSE;
    for (const CommandEntry<T>& entry : table) {
        if (entry.nID != nID) continue;
        if (nCode == CN_COMMAND) (self->*entry.pfn)();
        return TRUE;
    }
    return FALSE;
}

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // A window this object created is destroyed with it; a subclassed control is handed back to its own
    // window procedure (the control itself belongs to its dialog).
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to `hWnd` by Create or SubclassWindow, or null for a window this layer does not own.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Creates a window of a registered class bound to this object (the binding is made at WM_NCCREATE, so
    // the object sees every message from then on). `nIDorMenu` is the child identifier or the menu handle.
    // FALSE when the window could not be created. Every window of this layer is a Unicode window: it holds and
    // shows its texts as UTF-16, whatever the ANSI code page of the system.
    BOOL CreateEx(DWORD dwExStyle, const wchar_t* lpszClassName, const wchar_t* lpszWindowName, DWORD dwStyle,
                  const RECT& rect, HWND hWndParent, UINT_PTR nIDorMenu);
    // Registers (once per process) the plain window class `name` whose windows go to this layer, as a class of
    // Unicode windows.
    static BOOL RegisterWndClass(const wchar_t* name, UINT style = CS_DBLCLKS, HBRUSH background = nullptr,
                                 HICON icon = nullptr);

    // Binds an existing window (typically a dialog's control) to this object: its messages reach this
    // object's WindowProc before the window's own procedure. Calls PreSubclassWindow first. FALSE when the
    // window is null or already bound.
    BOOL SubclassWindow(HWND hWnd);
    // SubclassWindow on the control `nID` of `pParent`.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Gives the window back its own procedure and forgets it; returns it.
    HWND UnsubclassWindow();
    BOOL DestroyWindow();

    // One-line conveniences over the window.
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, msg, wParam, lParam);
    }
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, msg, wParam, lParam);
    }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    void Invalidate(BOOL bErase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void UpdateWindow() const { ::UpdateWindow(m_hWnd); }
    BOOL ShowWindow(int nCmdShow) const { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    BOOL MoveWindow(int x, int y, int cx, int cy, BOOL bRepaint = TRUE) const {
        return ::MoveWindow(m_hWnd, x, y, cx, cy, bRepaint);
    }
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const { return ::ReadWindowText(m_hWnd); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    void CenterWindow() const;

    // The window's handling of one message (what the window procedure calls). The default asks
    // OnWndMsg and passes whatever it leaves to the window's default procedure.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Filters a message of the message loop before it is dispatched (accelerators, dialog keys, tooltip
    // relays); TRUE when it was consumed. The loop asks the target window first, then its parents.
    virtual BOOL PreTranslateMessage(MSG* pMsg) {
        (void)pMsg;
        return FALSE;
    }

protected:
    // The message handlers of this class: TRUE with *pResult set when the message was handled. The base
    // splits WM_COMMAND and WM_NOTIFY, reflects control notifications (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM,
    // WM_MEASUREITEM, WM_CTLCOLOR*) to the control that sent them, and handles WM_NCDESTROY. Derived classes
    // switch on their own messages and pass the rest to the base.
    virtual BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A notification its parent reflected back to this control; TRUE with *pResult set when handled, and the
    // parent then takes it no further.
    virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
        (void)msg;
        (void)wParam;
        (void)lParam;
        (void)pResult;
        return FALSE;
    }
    // WM_COMMAND after reflection: routes the command with OnCmdMsg; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY that the sending control did not take: TRUE with *pResult set when handled.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
        (void)wParam;
        (void)lParam;
        (void)pResult;
        return FALSE;
    }
    // Called by SubclassWindow just before the window is bound.
    virtual void PreSubclassWindow() {}
    // Called after the window is gone and the object unbound (a heap object may delete itself here).
    virtual void PostNcDestroy() {}

    // The window's own procedure (the control's class procedure for a subclassed control).
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // Binds/unbinds object and window.
    void Attach(HWND hWnd);
    void Detach();

    // Reflects a control's notification back to the control; TRUE when it handled it.
    static BOOL ReflectToChild(HWND hChild, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The window procedure of every window this layer binds.
    static LRESULT CALLBACK StdWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;  // the subclassed control's own procedure
    bool m_bSubclassed = false;

    friend class CDialog;
};

// The instance whose resources the user interface loads (the program's module).
HINSTANCE AfxGetResourceHandle();
