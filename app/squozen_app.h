// The application object of Squozen.exe: start-up with the single-instance rule (a second copy hands the request
// to the running one and ends), the single document with its frame and view, the framework's profile area with
// its recent-file list, and the About command.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "main_frame.h"
#include "squozen_doc.h"
#include "squozen_view.h"
#include "win_app.h"

// The single-instance mutex: a plain name (no namespace prefix), created unowned and never closed.
extern const char kInstanceMutexName[];
// The main window's title, by which (with the frame's window class) a second copy finds the running one.
extern const wchar_t kMainWindowTitle[];
// The framework's registry key under HKEY_CURRENT_USER\Software, and the section of the recent-file list.
extern const char kProfileRegistryKey[];
extern const char kRecentFileSection[];

class CSquozenApp : public CWinApp {
public:
    explicit CSquozenApp(HINSTANCE hInstance = nullptr);
    ~CSquozenApp() override;

    HANDLE m_hInstanceMutex = nullptr;
    // The command-line arguments after the program's name: the process's own unless SetCommandArgs gave others.
    std::vector<std::string> m_commandArgs;
    void SetCommandArgs(std::vector<std::string> args) {
        m_commandArgs = std::move(args);
        m_bCommandArgsGiven = true;
    }
    // The framework's recent-file list: at most four full paths, the latest first.
    std::vector<std::string> m_recentFiles;

    // TRUE when this copy becomes the running program; FALSE when it must end at once (another copy runs, or
    // the main window could not be made).
    BOOL InitInstance() override;
    // Writes the recent-file list back under the framework's registry key and destroys the main window; the loop's
    // exit code.
    int ExitInstance() override;

    CSquozenDoc* GetDocument() const { return m_pDocument.get(); }
    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }
    CSquozenView* GetView() const { return m_pView.get(); }

    // Puts `path` at the front of the recent-file list (an older entry of the same path, in any letter case, goes).
    void AddToRecentFileList(const std::string& path);

protected:
    BOOL HandleCommand(UINT nID, int nCode) override;
    void OnAppAbout();
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();

    // The view class of the document template (a test may put its own in place).
    virtual std::unique_ptr<CSquozenView> CreateView();
    // The framework's handling of the command line: no document argument creates the new document, the frame
    // and the view; a document argument opens that file as the document (reporting a file that does not open,
    // in the framework's own message box). FALSE when the main window is not made.
    BOOL ProcessShellCommand();
    // Creates the frame around the view for the document, shows nothing yet.
    BOOL CreateMainWindow();
    // HKEY_CURRENT_USER\Software\<kProfileRegistryKey>\<application name>.
    std::string AppRegistryPath() const;
    void LoadRecentFileList();
    void SaveRecentFileList() const;

    bool m_bCommandArgsGiven = false;
    std::unique_ptr<CSquozenDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    std::unique_ptr<CSquozenView> m_pView;
};
