// The application object of the user interface: the instance handle, the main window, the message loop
// and the last link of command routing. One object exists while the program (or a test) runs.
#pragma once

#include <windows.h>

#include <string>

#include "wnd.h"

class CWinApp : public CCmdTarget {
public:
    // Becomes the process's application object (AfxGetApp) until destroyed. `hInstance` is the module
    // whose resources the program uses; null takes the executable's.
    explicit CWinApp(HINSTANCE hInstance = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd = nullptr;

    // Start-up of the program; FALSE ends it at once. The default only initialises the common controls.
    virtual BOOL InitInstance();
    // The exit code returned by Run. The default returns the quit message's code.
    virtual int ExitInstance();
    // InitInstance, the message loop until WM_QUIT, then ExitInstance; the program's exit code.
    virtual int Run();

    // Runs one message through the message loop's filters and dispatches it unless a filter took it.
    static void PumpMessage(MSG* pMsg);
    // Asks the target window of `pMsg` and then each of its parents, up to its top-level window, whether
    // its PreTranslateMessage consumes the message.
    static BOOL WalkPreTranslateTree(MSG* pMsg);

protected:
    int m_nExitCode = 0;
};

// The application object, or null when none exists.
CWinApp* AfxGetApp();
// The application's main window, or null.
CWnd* AfxGetMainWnd();
// The application's name, which the framework's own message boxes carry as their caption: the executable's file
// name without its extension ("Squozen" for Squozen.exe).
std::string AfxGetAppName();
// Registers the common-control classes the program uses (list view, header, toolbar, rebar, status bar, tooltips,
// standard controls); safe to call more than once.
void AfxInitCommonControls();
