// The pauses of long work on the user-interface thread.
#include "busy_loop.h"

CBusyLoop::CBusyLoop(DWORD nIntervalMs) : m_nInterval(nIntervalMs), m_nLastPause(::GetTickCount()) {}

CBusyLoop::~CBusyLoop() {
    if (m_bQuit) ::PostQuitMessage(static_cast<int>(m_nQuitCode));
}

BOOL CBusyLoop::IsDue() const { return ::GetTickCount() - m_nLastPause >= m_nInterval; }

BOOL CBusyLoop::IsInput(UINT msg, WPARAM wParam) {
    if ((msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST)) return TRUE;
    // On the frame, only what leads to a command or to closing: the rest (moving, sizing, the minimise and maximise
    // boxes, the scroll bars) acts on the window alone, and a close chosen from the window menu is refused by the frame.
    return msg >= WM_NCMOUSEMOVE && msg <= WM_NCXBUTTONDBLCLK &&
           (wParam == HTCLOSE || wParam == HTMENU || wParam == HTSYSMENU || wParam == HTHELP);
}

void CBusyLoop::Pause() {
    // A pause ends after a while even when messages keep coming (a mouse moved on and on), so that the work goes on.
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < m_nInterval && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Taken from the queue here, it would be lost to the message loop.
            m_bQuit = TRUE;
            m_nQuitCode = msg.wParam;
            break;
        }
        if (IsInput(msg.message, msg.wParam)) {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) m_bStopped = TRUE;
            continue;
        }
        ::DispatchMessageW(&msg);
    }
    m_nLastPause = ::GetTickCount();
}
