// Start-up of the program, the single-instance rule, the framework's profile settings and the application's own
// commands.
#include "squozen_app.h"

#include <commdlg.h>

#include <cstdlib>

#include "about_dlg.h"
#include "ansi_path.h"
#include "file_dialog.h"
#include "mbcs.h"
#include "product_info.h"
#include "resource.h"

const char kInstanceMutexName[] = SQZ_INSTANCE_MUTEX;
const wchar_t kMainWindowTitle[] = L"" SQZ_PRODUCT_TITLE;
const char kProfileRegistryKey[] = SQZ_PROFILE_REGISTRY_KEY;
const char kRecentFileSection[] = "Recent File List";

namespace {

constexpr size_t kRecentFileCount = 4;

// The window of a running copy to bring to the front: the question or box it shows (a window of its thread that its
// main window `hMain` owns and that keeps it disabled), else the main window. Brought up with the main window instead,
// the box would stay behind it, and the keyboard would reach neither.
struct FrontWindow {
    HWND hOwner;
    HWND hFound;
};

BOOL CALLBACK FindOwnedBox(HWND hWnd, LPARAM lParam) {
    FrontWindow* front = reinterpret_cast<FrontWindow*>(lParam);
    if (::GetWindow(hWnd, GW_OWNER) != front->hOwner || !::IsWindowVisible(hWnd) || !::IsWindowEnabled(hWnd))
        return TRUE;
    front->hFound = hWnd;
    return FALSE;
}

HWND FrontWindowOf(HWND hMain) {
    FrontWindow front = {hMain, hMain};
    if (!::IsWindowEnabled(hMain))
        ::EnumThreadWindows(::GetWindowThreadProcessId(hMain, nullptr), FindOwnedBox, reinterpret_cast<LPARAM>(&front));
    return front.hFound;
}

}  // namespace

CSquozenApp::CSquozenApp(HINSTANCE hInstance) : CWinApp(hInstance) {}

CSquozenApp::~CSquozenApp() {
    // The view is a child of the frame: the frame's window goes first, taking the view's with it.
    m_pMainFrame.reset();
    m_pView.reset();
    m_pMainWnd = nullptr;
}

std::unique_ptr<CSquozenView> CSquozenApp::CreateView() { return std::make_unique<CSquozenView>(); }

BOOL CSquozenApp::InitInstance() {
    // The common controls; there is nothing else to switch on for control hosting or the dialog look.
    CWinApp::InitInstance();
    if (!m_bCommandArgsGiven)
        for (int i = 1; i < __argc; ++i) m_commandArgs.emplace_back(__argv[i]);
    LoadRecentFileList();

    m_hInstanceMutex = ::CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another copy runs: bring it to the front and let it take the handoff; the call returns once it has
        // added the rows. It is found by its frame's window class and its title, so that no other window of the
        // same title (an Explorer window on the program's folder, which the installer names alike) is ever
        // minimised, restored or sent the message. A copy that is still starting (its title not set yet) is not
        // found; it takes the handoff itself at the end of its start-up.
        HWND hRunning = ::FindWindowW(CFrameWnd::kClassName, kMainWindowTitle);
        if (hRunning) {
            ::ShowWindow(hRunning, SW_MINIMIZE);
            ::ShowWindow(hRunning, SW_RESTORE);
            ::SetForegroundWindow(FrontWindowOf(hRunning));
            ::SendMessageA(hRunning, WM_TAKE_HANDOFF, 0, 0);
        }
        return FALSE;
    }

    if (!ProcessShellCommand()) return FALSE;
    m_pMainFrame->CenterWindow();
    m_pMainFrame->ShowWindow(SW_SHOW);
    m_pMainFrame->UpdateWindow();
    m_pMainFrame->SetWindowText(kMainWindowTitle);
    ::SendMessageA(m_pMainFrame->m_hWnd, WM_TAKE_HANDOFF, 0, 0);
    return TRUE;
}

int CSquozenApp::ExitInstance() {
    SaveRecentFileList();
    // The main window (with the view in it) goes while the program still runs, not among the static objects at the
    // process's end, whose order leaves nothing its teardown may rely on.
    if (m_pMainFrame && m_pMainFrame->m_hWnd) m_pMainFrame->DestroyWindow();
    return CWinApp::ExitInstance();
}

BOOL CSquozenApp::CreateMainWindow() {
    m_pMainFrame = std::make_unique<CMainFrame>();
    // The framework's title for a document without a name, until start-up sets the program's own.
    std::wstring title = L"无标题 - " + ansi_path::Wide(AfxGetAppName(), CP_ACP);
    if (!m_pMainFrame->LoadFrame(IDR_MAINFRAME, title.c_str())) {
        m_pMainFrame.reset();
        return FALSE;
    }
    m_pMainWnd = m_pMainFrame.get();
    m_pView = CreateView();
    if (!m_pMainFrame->CreateView(m_pView.get())) {
        m_pMainWnd = nullptr;
        m_pMainFrame.reset();
        m_pView.reset();
        return FALSE;
    }
    m_pView->OnInitialUpdate();
    return TRUE;
}

BOOL CSquozenApp::ProcessShellCommand() {
    // The first argument that is not a flag names a document file; flags ask for nothing this program does.
    std::string document;
    for (const std::string& arg : m_commandArgs)
        if (!arg.empty() && arg[0] != '/' && arg[0] != '-') {
            document = arg;
            break;
        }
    m_pDocument = std::make_unique<CSquozenDoc>();
    if (document.empty()) {
        if (!m_pDocument->OnNewDocument()) return FALSE;
        return CreateMainWindow();
    }
    if (!CreateMainWindow()) return FALSE;
    if (!m_pDocument->OnOpenDocument(document)) {
        AfxMessageBox(m_pMainFrame.get(), L"无法打开文档：\n" + ansi_path::Wide(document, CP_ACP),
                      ansi_path::Wide(AfxGetAppName(), CP_ACP), MB_OK | MB_ICONEXCLAMATION);
        m_pMainWnd = nullptr;
        m_pMainFrame.reset();
        m_pView.reset();
        return FALSE;
    }
    AddToRecentFileList(m_pDocument->GetPathName());
    return TRUE;
}

BOOL CSquozenApp::HandleCommand(UINT nID, int nCode) {
    static const CommandEntry<CSquozenApp> kCommands[] = {
        {ID_APP_ABOUT, &CSquozenApp::OnAppAbout},
        {ID_FILE_NEW, &CSquozenApp::OnFileNew},
        {ID_FILE_OPEN, &CSquozenApp::OnFileOpen},
        {ID_FILE_PRINT_SETUP, &CSquozenApp::OnFilePrintSetup},
    };
    return DispatchCommand(this, kCommands, nID, nCode);
}

void CSquozenApp::OnAppAbout() {
    CAboutDlg dlg;
    dlg.DoModal();
}

void CSquozenApp::OnFileNew() {
    if (m_pDocument) m_pDocument->OnNewDocument();
}

void CSquozenApp::OnFileOpen() {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_FILEMUSTEXIST,
                    L"所有文件 (*.*)|*.*||", nullptr);
    if (dlg.DoModal() != IDOK || !m_pDocument) return;
    std::string path = dlg.GetPathName();
    if (m_pDocument->OnOpenDocument(path))
        AddToRecentFileList(m_pDocument->GetPathName());
    else
        AfxMessageBox(nullptr, L"无法打开文档：\n" + ansi_path::Wide(path, CP_ACP),
                      ansi_path::Wide(AfxGetAppName(), CP_ACP), MB_OK | MB_ICONEXCLAMATION);
}

void CSquozenApp::OnFilePrintSetup() {
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    pd.Flags = PD_PRINTSETUP;
    if (::PrintDlgA(&pd)) {
        if (pd.hDevMode) ::GlobalFree(pd.hDevMode);
        if (pd.hDevNames) ::GlobalFree(pd.hDevNames);
    }
}

std::string CSquozenApp::AppRegistryPath() const {
    return std::string("Software\\") + kProfileRegistryKey + "\\" + AfxGetAppName();
}

void CSquozenApp::AddToRecentFileList(const std::string& path) {
    if (path.empty()) return;
    for (auto it = m_recentFiles.begin(); it != m_recentFiles.end();)
        it = sqz::MbsICmp(*it, path) == 0 ? m_recentFiles.erase(it) : it + 1;
    m_recentFiles.insert(m_recentFiles.begin(), path);
    if (m_recentFiles.size() > kRecentFileCount) m_recentFiles.resize(kRecentFileCount);
}

void CSquozenApp::LoadRecentFileList() {
    m_recentFiles.clear();
    HKEY hKey = nullptr;
    std::string section = AppRegistryPath() + "\\" + kRecentFileSection;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, section.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return;
    for (size_t i = 1; i <= kRecentFileCount; ++i) {
        char value[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH, type = 0;
        std::string entry = "File" + std::to_string(i);
        if (::RegQueryValueExA(hKey, entry.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ && value[0] != '\0')
            m_recentFiles.emplace_back(value);
    }
    ::RegCloseKey(hKey);
}

void CSquozenApp::SaveRecentFileList() const {
    // The section is written anew: entries beyond the list's length do not survive.
    HKEY hApp = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, AppRegistryPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hApp,
                          nullptr) != ERROR_SUCCESS)
        return;
    ::RegDeleteKeyA(hApp, kRecentFileSection);
    if (!m_recentFiles.empty()) {
        HKEY hSection = nullptr;
        if (::RegCreateKeyExA(hApp, kRecentFileSection, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hSection, nullptr) ==
            ERROR_SUCCESS) {
            for (size_t i = 0; i < m_recentFiles.size(); ++i) {
                std::string entry = "File" + std::to_string(i + 1);
                const std::string& path = m_recentFiles[i];
                ::RegSetValueExA(hSection, entry.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                 static_cast<DWORD>(path.size() + 1));
            }
            ::RegCloseKey(hSection);
        }
    }
    ::RegCloseKey(hApp);
}
