// The main-window test helpers: the program in this process, registry sandbox, shell stand-in, box answering.
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "ansi_path.h"
#include "gui_test_support.h"

namespace sqztest {

namespace {

const char kHandoffKey[] = "Software\\Zenvola SWF Optimizer";
const char kHandoffValue[] = "StartWithParamter";

std::string ReadFileText(const std::string& path) {
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

}  // namespace

RegistrySandbox::RegistrySandbox() {
    static LONG counter = 0;
    path_ = "Software\\SquozenWindowTests\\" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(::InterlockedIncrement(&counter));
    EXPECT_EQ(
        ::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, key_), ERROR_SUCCESS);
}

RegistrySandbox::~RegistrySandbox() {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(key_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
}

void WriteHandoffValue(const std::string& data) {
    HKEY hKey = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kHandoffKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    // A byte after the text that the stored length leaves out, so that no terminator is stored.
    std::string buffer = data + "#";
    EXPECT_EQ(::RegSetValueExA(hKey, kHandoffValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(buffer.data()),
                               static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    ::RegCloseKey(hKey);
}

std::string ReadHandoffValue(bool* exists) {
    if (exists) *exists = false;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kHandoffKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return std::string();
    std::vector<char> data(300000, '\0');
    DWORD size = static_cast<DWORD>(data.size()), type = 0;
    LONG got = ::RegQueryValueExA(hKey, kHandoffValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    ::RegCloseKey(hKey);
    if (got != ERROR_SUCCESS) return std::string();
    if (exists) *exists = true;
    std::string text(data.data(), size);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

ProgramFixture::ProgramFixture()
    : folderAt_(std::make_unique<ProgramFolderAt>(scratch_.path())),
      registry_(std::make_unique<RegistrySandbox>()),
      app_(std::make_unique<TestApp>()) {}

ProgramFixture::~ProgramFixture() {
    if (app_->GetMainFrame() && app_->GetMainFrame()->m_hWnd) app_->GetMainFrame()->DestroyWindow();
    PumpPending();
    TakeQuit();
    if (app_->m_hInstanceMutex) ::CloseHandle(app_->m_hInstanceMutex);
    app_.reset();
    TakeQuit();
}

BOOL ProgramFixture::Start(const std::vector<std::string>& args) {
    app_->SetCommandArgs(args);
    BOOL ok = app_->InitInstance();
    PumpPending();
    return ok;
}

bool ProgramFixture::TakeQuit() {
    MSG msg;
    bool took = false;
    while (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) took = true;
    return took;
}

bool ProgramFixture::CloseMainWindow() {
    frame().SendMessage(WM_CLOSE);
    // Before anything else takes the quit message from the queue.
    bool quit = TakeQuit();
    PumpPending();
    return quit;
}

std::string ProgramFixture::StatusText(int pane) {
    return ansi_path::Narrow(frame().m_wndStatusBar.GetText(pane), CP_ACP);
}

std::vector<ListRow> ProgramFixture::Rows() {
    std::vector<ListRow> rows;
    for (int i = 0; i < list().GetItemCount(); ++i) {
        ListRow row;
        for (int c = 0; c < 7; ++c) row.cells[c] = list().GetItemText(i, c);
        LVITEMW item = {};
        item.mask = LVIF_IMAGE | LVIF_STATE;
        item.iItem = i;
        item.stateMask = LVIS_SELECTED;
        list().GetItem(&item);
        row.image = item.iImage;
        row.selected = (item.state & LVIS_SELECTED) != 0;
        rows.push_back(row);
    }
    return rows;
}

void ProgramFixture::Select(const std::vector<int>& indexes) {
    list().SetItemState(-1, 0, LVIS_SELECTED);
    for (int i : indexes) list().SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    PumpPending();
}

std::string ProgramFixture::Greyed(HMENU hMenu) {
    frame().SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hMenu), MAKELPARAM(0, FALSE));
    return MenuStates(hMenu);
}

std::string MenuStates(HMENU hMenu) {
    std::string states;
    for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
        UINT state = ::GetMenuState(hMenu, static_cast<UINT>(i), MF_BYPOSITION);
        states += (state & MF_SEPARATOR) ? '-' : (state & MF_GRAYED) ? 'X' : 'o';
    }
    return states;
}

ShellRecorder::ShellRecorder(bool withWebPages, bool withMail) {
    program_ = folder_.path() + "shell_standin.exe";
    EXPECT_TRUE(::CopyFileA(SQZ_SHELL_STANDIN, program_.c_str(), FALSE)) << SQZ_SHELL_STANDIN;
    const std::string command = "\"" + program_ + "\" \"%1\"";
    SetDefault("http\\shell\\open\\command", command);
    if (withMail) {
        SetDefault("mailto\\shell\\open\\command", command);
    } else {
        // No mail program: the protocol has no command.
        SetDefault("mailto\\shell\\open\\command", "");
    }
    std::string chmClass;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, ".chm", 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        char value[MAX_PATH] = {};
        DWORD size = sizeof(value) - 1;
        if (::RegQueryValueExA(hKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
            chmClass = value;
        ::RegCloseKey(hKey);
    }
    if (chmClass.empty()) {
        chmClass = "SqzTest.HelpFile";
        SetDefault(".chm", chmClass);
    }
    SetDefault(chmClass + "\\shell\\open\\command", command);
    if (withWebPages) {
        SetDefault(".htm", "SqzTest.WebPage");
        SetDefault("SqzTest.WebPage\\shell\\open\\command", command);
    }
}

void ShellRecorder::SetDefault(const std::string& key, const std::string& value) {
    Saved saved{key, false, std::string()};
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        saved.existed = true;
        char old[1024] = {};
        DWORD size = sizeof(old) - 1;
        if (::RegQueryValueExA(hKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS)
            saved.value = old;
        ::RegCloseKey(hKey);
    } else {
        // The topmost key of the path that does not exist yet goes again at the end.
        std::string top = key.substr(0, key.find('\\'));
        if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, top.c_str(), 0, KEY_READ, &hKey) == ERROR_SUCCESS)
            ::RegCloseKey(hKey);
        else
            created_.push_back(top);
    }
    saved_.push_back(saved);
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(hKey);
}

ShellRecorder::~ShellRecorder() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (!it->existed) continue;
        HKEY hKey = nullptr;
        if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, it->key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                              nullptr) == ERROR_SUCCESS) {
            ::RegSetValueExA(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(it->value.c_str()),
                             static_cast<DWORD>(it->value.size() + 1));
            ::RegCloseKey(hKey);
        }
    }
    for (const std::string& key : created_) ::RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    // A stand-in still starting must not find its folder gone.
    WaitForOpened(Opened().size());
}

void ShellRecorder::OpenFilesOf(const std::string& extension) {
    const std::string type = "SqzTest" + extension;
    SetDefault(extension, type);
    SetDefault(type + "\\shell\\open\\command", "\"" + program_ + "\" \"%1\"");
}

std::vector<std::string> ShellRecorder::Opened() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((folder_.path() + "opened-*.txt").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do names.push_back(found.cFileName);
        while (::FindNextFileA(h, &found));
        ::FindClose(h);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> opened;
    for (const std::string& name : names) opened.push_back(ReadFileText(folder_.path() + name));
    return opened;
}

std::vector<std::string> ShellRecorder::WaitForOpened(size_t count) {
    DWORD start = ::GetTickCount();
    for (;;) {
        std::vector<std::string> opened = Opened();
        if (opened.size() >= count || ::GetTickCount() - start > 30000) return opened;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpPending();
    }
}

std::string WindowText(HWND hWnd) {
    int n = ::GetWindowTextLengthA(hWnd);
    std::string text(static_cast<size_t>(n > 0 ? n : 0) * 2 + 1, '\0');
    int got = ::GetWindowTextA(hWnd, &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::vector<std::string> DialogTexts(HWND hDlg) {
    struct Found {
        HWND parent;
        std::vector<std::pair<LONG, std::string>> texts;
    } found{hDlg, {}};
    ::EnumChildWindows(
        hDlg,
        [](HWND hChild, LPARAM lParam) -> BOOL {
            Found* f = reinterpret_cast<Found*>(lParam);
            char name[32] = {};
            ::GetClassNameA(hChild, name, sizeof(name));
            if (::lstrcmpiA(name, "Static") != 0 || ::GetParent(hChild) != f->parent) return TRUE;
            std::string text = WindowText(hChild);
            if (text.empty()) return TRUE;
            RECT r;
            ::GetWindowRect(hChild, &r);
            f->texts.emplace_back(r.top, text);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    std::stable_sort(found.texts.begin(), found.texts.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> texts;
    for (const auto& t : found.texts) texts.push_back(t.second);
    return texts;
}

INT_PTR AnswerBox(const std::function<INT_PTR()>& show, int button, std::string* caption,
                  std::vector<std::string>* texts) {
    return DriveModal(show, [&](HWND hDlg) {
        if (caption) *caption = WindowText(hDlg);
        if (texts) *texts = DialogTexts(hDlg);
        ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
}

namespace {

// The state of one AnswerBoxes call (hook and timer procedures have no context argument).
struct Answering {
    const std::function<void(HWND, size_t)>* script = nullptr;
    std::vector<HWND> waiting;  // boxes that came up and are not answered yet
    std::vector<SeenBox> seen;
};
Answering* g_answering = nullptr;

LRESULT CALLBACK NoteBox(int code, WPARAM wParam, LPARAM lParam) {
    const CWPRETSTRUCT* ret = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && g_answering && ret->message == WM_INITDIALOG &&
        !(::GetWindowLongPtrA(ret->hwnd, GWL_STYLE) & WS_CHILD))
        g_answering->waiting.push_back(ret->hwnd);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK AnswerWaiting(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_answering || g_answering->waiting.empty()) return;
    // The newest box is the one whose modal loop runs (a question a dialog asks comes after the dialog).
    HWND box = g_answering->waiting.back();
    if (!::IsWindow(box)) {
        g_answering->waiting.pop_back();
        return;
    }
    if (!::IsWindowVisible(box)) return;
    g_answering->waiting.pop_back();
    g_answering->seen.push_back({WindowText(box), DialogTexts(box)});
    (*g_answering->script)(box, g_answering->seen.size() - 1);
}

}  // namespace

std::vector<SeenBox> AnswerBoxes(const std::function<void()>& run, const std::function<void(HWND, size_t)>& script) {
    Answering answering;
    answering.script = &script;
    Answering* outer = g_answering;
    g_answering = &answering;
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, NoteBox, nullptr, ::GetCurrentThreadId());
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, AnswerWaiting);
    run();
    ::KillTimer(nullptr, timer);
    ::UnhookWindowsHookEx(hook);
    g_answering = outer;
    return answering.seen;
}

std::vector<SeenBox> AnswerBoxes(const std::function<void()>& run, int button) {
    return AnswerBoxes(
        run, [button](HWND box, size_t) { ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); });
}

std::string BentFiles::Key(const std::string& path) {
    std::string key = path;
    ::CharLowerBuffA(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

bool BentFiles::Find(const std::string& path, sqz::FileEntry* entry) {
    if (!prev_->Find(path, entry)) return false;
    if (!entry) return true;
    auto size = sizes_.find(Key(path));
    if (size != sizes_.end()) entry->nSize = entry->nSizeLow = size->second;
    auto created = created_.find(Key(path));
    if (created != created_.end()) entry->tCreated = created->second;
    return true;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const sqz::FileEntry& e : sqz::PlatformFiles().List(folder))
        if (e.name != "." && e.name != "..") names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

Bytes CopyMovie(const std::string& name, const std::string& path) {
    Bytes movie = ReadAll(CorpusDir() + name);
    WriteAll(path, movie);
    return movie;
}

std::vector<std::string> CorpusMovies() {
    std::vector<std::string> paths;
    for (const OracleRow& row : LoadTable("oracle.tsv")) paths.push_back(CorpusDir() + row.at("name"));
    return paths;
}

}  // namespace sqztest
