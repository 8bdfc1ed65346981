// The program's top-level frame window: menu, icon and accelerators from one resource identifier, and the
// command routing of a single-view frame (the active view first, then the frame, then the application).
#pragma once

#include <windows.h>

#include "wnd.h"

class CFrameWnd : public CWnd {
public:
    // The window class of every frame, by which (with its title) another copy of the program finds the running one.
    static constexpr wchar_t kClassName[] = L"SqzFrameWnd";

    // Creates the frame as an overlapped window with the menu, the icon and the accelerator table of
    // resource `nIDResource` (each one optional) and the title `title`. FALSE when the window cannot be made.
    BOOL LoadFrame(UINT nIDResource, const wchar_t* title, DWORD dwStyle = WS_OVERLAPPEDWINDOW);
    // The view that takes commands first; null for none. The frame does not own it.
    void SetActiveView(CWnd* pView) { m_pActiveView = pView; }
    CWnd* GetActiveView() const { return m_pActiveView; }
    HACCEL GetAccelerators() const { return m_hAccelTable; }

    // The active view's commands, then the frame's own, then the application's.
    BOOL OnCmdMsg(UINT nID, int nCode) override;
    // Translates the frame's accelerators for messages of the frame and its children.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    // WM_INITMENUPOPUP, after the base handling: a derived frame greys what does not apply. The base
    // handling enables every command item of `hMenu` that some target along the routing handles and greys
    // the others (the system menu is left alone).
    virtual void OnInitMenuPopup(HMENU hMenu, UINT nIndex, BOOL bSysMenu) {
        (void)hMenu;
        (void)nIndex;
        (void)bSysMenu;
    }
    // Ends the program's message loop when the main window goes; the base handling of WM_INITMENUPOPUP; WM_SETFOCUS
    // (the frame takes the focus whenever it is activated, restored or given back by a closed dialog or message box)
    // passes the focus on to the active view.
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // Gives the keyboard focus to the active view (which hands it on to its content); FALSE when there is no view
    // to take it.
    BOOL FocusActiveView() const;

    CWnd* m_pActiveView = nullptr;
    HACCEL m_hAccelTable = nullptr;
};
