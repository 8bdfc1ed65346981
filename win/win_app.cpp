// The application object, the message loop and its filters.
#include "win_app.h"

#include <commctrl.h>

#include "file_helpers.h"
#include "mbcs.h"
#include "platform.h"

namespace {

// The application object of the process (the one global a Win32 program of this shape needs).
CWinApp* g_pApp = nullptr;

}  // namespace

CWinApp::CWinApp(HINSTANCE hInstance) : m_hInstance(hInstance ? hInstance : ::GetModuleHandleA(nullptr)) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp ? g_pApp->m_pMainWnd : nullptr; }

std::string AfxGetAppName() {
    // The file name of the running program after its last backslash, then the text before its last dot.
    std::string name = GetFileNamePart(sqz::PlatformFiles().ModulePath());
    size_t dot = sqz::MbsFindLast(name, '.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

void AfxInitCommonControls() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES |
                                                 ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
}

BOOL CWinApp::InitInstance() {
    AfxInitCommonControls();
    return TRUE;
}

int CWinApp::ExitInstance() { return m_nExitCode; }

BOOL CWinApp::WalkPreTranslateTree(MSG* pMsg) {
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
        if (wnd && wnd->PreTranslateMessage(pMsg)) return TRUE;
        if (!(::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD)) break;  // top-level window reached
    }
    return FALSE;
}

void CWinApp::PumpMessage(MSG* pMsg) {
    if (WalkPreTranslateTree(pMsg)) return;
    ::TranslateMessage(pMsg);
    ::DispatchMessageW(pMsg);
}

int CWinApp::Run() {
    if (!InitInstance()) return ExitInstance();
    MSG msg = {};
    for (;;) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        PumpMessage(&msg);
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}
