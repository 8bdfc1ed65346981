// Long work done on the user-interface thread step by step (a batch over thousands of rows): between the steps the
// thread's windows repaint and take their other messages, while the keyboard and the mouse act on nothing but Escape,
// which asks the work to stop.
#pragma once

#include <windows.h>

class CBusyLoop {
public:
    // Pauses for messages come at most every `nIntervalMs` milliseconds of work, so that many short steps cost no
    // more than a few long ones.
    explicit CBusyLoop(DWORD nIntervalMs = 100);
    // A WM_QUIT met in a pause is posted again, for the message loop to end the program once the work is over.
    ~CBusyLoop();
    CBusyLoop(const CBusyLoop&) = delete;
    CBusyLoop& operator=(const CBusyLoop&) = delete;

    // TRUE when the interval has passed since the last pause (or since the work began): time to show the progress and
    // to call Pause. Work shorter than the interval makes no pause at all.
    BOOL IsDue() const;
    // Dispatches the messages waiting for this thread (paints, timers, messages sent or posted by other windows and
    // programs) and drops the input that could reach a command: keys, and the mouse in the windows' client areas and
    // on the close box, the menu bar and the window menu's icon. The window can still be moved, sized, minimised,
    // maximised and its list scrolled by its frame and scroll bars. A press of Escape is kept (IsStopped). Returns at
    // once when the queue is empty.
    void Pause();
    // TRUE once Escape has been pressed during a pause, or Stop called.
    BOOL IsStopped() const { return m_bStopped; }
    // Asks the work to stop, as Escape does (the session ends).
    void Stop() { m_bStopped = TRUE; }

    // Whether the message is input a pause drops: a key, a mouse button or move in a client area, or a mouse
    // message on the close box, the menu bar or the window menu's icon (`wParam`: the place the mouse is on).
    static BOOL IsInput(UINT msg, WPARAM wParam);

private:
    DWORD m_nInterval;
    DWORD m_nLastPause;
    BOOL m_bStopped = FALSE;
    BOOL m_bQuit = FALSE;
    WPARAM m_nQuitCode = 0;
};
