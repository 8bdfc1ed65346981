// Helpers of the main-window tests: the program's application object started in this process (with its program
// folder, HKEY_CURRENT_USER and view put in places of the test's choosing), the rows and status texts read back
// from its window, a stand-in that records what the shell was asked to open, and message boxes answered by a
// script.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "squozen_app.h"
#include "test_support.h"

namespace sqztest {

// HKEY_CURRENT_USER of this process redirected to a fresh, empty key for the object's life.
class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

private:
    std::string path_;
    HKEY key_ = nullptr;
};

// Writes `data` (exactly these bytes, no terminator) as the handoff value, creating the key.
void WriteHandoffValue(const std::string& data);
// The handoff value as stored (ANSI); `*exists` tells whether the value exists at all.
std::string ReadHandoffValue(bool* exists = nullptr);

// The view of the tests: the program's view, recording every command that reaches it.
class RecordingView : public CSquozenView {
public:
    std::vector<UINT> m_commands;
    BOOL OnCmdMsg(UINT nID, int nCode) override {
        if (nCode == CN_COMMAND) m_commands.push_back(nID);
        return CSquozenView::OnCmdMsg(nID, nCode);
    }
};

class TestApp : public CSquozenApp {
public:
    RecordingView* View() const { return static_cast<RecordingView*>(GetView()); }

protected:
    std::unique_ptr<CSquozenView> CreateView() override { return std::make_unique<RecordingView>(); }
};

// One row of the program's list as it stands.
struct ListRow {
    std::string cells[7];
    int image = -1;
    bool selected = false;
};

// The program started in this process: a scratch program folder (config.ini, temp\), an empty HKEY_CURRENT_USER,
// then CSquozenApp::InitInstance with the given command-line arguments. Closing the main window and the single-
// instance mutex are cleaned up at the end, and the quit message the window's end posts is taken from the queue.
class ProgramFixture {
public:
    ProgramFixture();
    ~ProgramFixture();

    // Runs InitInstance; its result.
    BOOL Start(const std::vector<std::string>& args = {});
    // Closes the main window with its close box (WM_CLOSE) and takes the quit message; true when one came.
    bool CloseMainWindow();
    // Takes a WM_QUIT from the queue; true when there was one.
    static bool TakeQuit();

    TestApp& app() { return *app_; }
    CMainFrame& frame() { return *app_->GetMainFrame(); }
    RecordingView& view() { return *app_->View(); }
    CSortingListCtrl& list() { return app_->View()->m_wndFileList; }
    const std::string& folder() const { return scratch_.path(); }
    // The text of a status pane in the ANSI code page.
    std::string StatusText(int pane);
    std::vector<ListRow> Rows();
    // Selects exactly the rows `indexes` (through the list, so the view reports the selection).
    void Select(const std::vector<int>& indexes);
    // Rows of the files at `paths`, added the way Open adds them.
    void AddFiles(const std::vector<std::string>& paths) { view().AddFiles(paths, FileSource::kOpened); }
    // Sends WM_INITMENUPOPUP for `hMenu` to the frame and returns the items' states by position: 'o' enabled,
    // 'X' greyed, '-' a separator.
    std::string Greyed(HMENU hMenu);

private:
    ScratchDir scratch_;
    std::unique_ptr<ProgramFolderAt> folderAt_;
    std::unique_ptr<RegistrySandbox> registry_;
    std::unique_ptr<TestApp> app_;
};

// Copies of the stand-in program that records what the shell asked it to open, registered (for the object's life)
// as the open command of the URL protocols http and mailto, of compiled help files (.chm) and, when asked, as the
// program that opens web pages (the class of ".htm"). Earlier registrations are put back at the end.
class ShellRecorder {
public:
    explicit ShellRecorder(bool withWebPages = false, bool withMail = true);
    ~ShellRecorder();
    // Waits (up to 30 s) until `count` starts of the stand-in have been recorded; their arguments, in order of the
    // records' names (process id), as the stand-in's command line after its own name.
    std::vector<std::string> WaitForOpened(size_t count);
    // The arguments recorded so far, without waiting.
    std::vector<std::string> Opened();
    // Makes the stand-in the program that opens files ending in `extension` (".swf") too.
    void OpenFilesOf(const std::string& extension);

private:
    struct Saved {
        std::string key;
        bool existed;
        std::string value;
    };
    void SetDefault(const std::string& key, const std::string& value);
    ScratchDir folder_;
    std::string program_;
    std::vector<Saved> saved_;
    std::vector<std::string> created_;
};

// The states of the items of `hMenu` by position: 'o' enabled, 'X' greyed, '-' a separator.
std::string MenuStates(HMENU hMenu);

// The texts of the static controls of a dialog or message box, top to bottom, and its caption.
std::vector<std::string> DialogTexts(HWND hDlg);
std::string WindowText(HWND hWnd);

// Runs `show`, which shows a message box or dialog, and closes the first one that comes up with `button`,
// handing its caption and texts to `*caption` and `*texts`. The result of `show`.
INT_PTR AnswerBox(const std::function<INT_PTR()>& show, int button, std::string* caption,
                  std::vector<std::string>* texts);

// A message box or dialog that came up while a command ran.
struct SeenBox {
    std::string caption;
    std::vector<std::string> texts;  // its static texts, top to bottom
};

// Runs `run` and hands every top-level dialog or message box of this thread that comes up meanwhile, in order, to
// `script` with its window and its number (0 for the first); the script must close it (post a command to it).
// What the boxes showed, in order.
std::vector<SeenBox> AnswerBoxes(const std::function<void()>& run,
                                 const std::function<void(HWND hBox, size_t index)>& script);
// AnswerBoxes that closes every box with the command `button` (IDOK, IDYES, IDNO).
std::vector<SeenBox> AnswerBoxes(const std::function<void()>& run, int button);

// The file services in use with what a directory search reports bent for chosen files (so their size on disk and
// creation time read as the test says), installed on top of the services in use for the object's life.
class BentFiles : public sqz::FileServices {
public:
    BentFiles() : prev_(&sqz::Files()) { sqz::SetFileServices(this); }
    ~BentFiles() override { sqz::SetFileServices(prev_ == &sqz::PlatformFiles() ? nullptr : prev_); }
    // From now on the file `path` (any letter case) reads as `size` bytes long.
    void SetSize(const std::string& path, uint32_t size) { sizes_[Key(path)] = size; }
    // ... and as created at `t` (seconds since 1970, UTC).
    void SetCreated(const std::string& path, int64_t t) { created_[Key(path)] = t; }

    std::unique_ptr<sqz::ReadFile> OpenRead(const std::string& path) override { return prev_->OpenRead(path); }
    std::unique_ptr<sqz::WriteFile> OpenWrite(const std::string& path, sqz::CreateMode mode) override {
        return prev_->OpenWrite(path, mode);
    }
    bool Find(const std::string& path, sqz::FileEntry* entry) override;
    std::vector<sqz::FileEntry> List(const std::string& folder) override { return prev_->List(folder); }
    bool CreateFolder(const std::string& path) override { return prev_->CreateFolder(path); }
    bool Delete(const std::string& path) override { return prev_->Delete(path); }
    bool Move(const std::string& from, const std::string& to) override { return prev_->Move(from, to); }
    bool Replace(const std::string& from, const std::string& to) override { return prev_->Replace(from, to); }
    bool ReplaceExisting(const std::string& from, const std::string& to) override {
        return prev_->ReplaceExisting(from, to);
    }
    std::string ModulePath() override { return prev_->ModulePath(); }

private:
    static std::string Key(const std::string& path);
    sqz::FileServices* prev_;
    std::map<std::string, uint32_t> sizes_;
    std::map<std::string, int64_t> created_;
};

// The names in `folder` as the program sees them (ANSI), "." and ".." left out, sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// A copy of the sample movie `name` at `path`; its bytes.
Bytes CopyMovie(const std::string& name, const std::string& path);

// The movie paths of the corpus, in oracle order.
std::vector<std::string> CorpusMovies();

}  // namespace sqztest
