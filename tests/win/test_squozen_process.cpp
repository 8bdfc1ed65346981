// Squozen.exe as its own process: a second start hands its movies to the running copy and ends without a window
// of its own; the Explorer extension's entry starts the program, which lists the chosen movies; closing the window
// ends the program and empties its temp folder. The list and the status bar of the running program are read from
// this process (RemoteProgram).
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "korvane_test_support.h"
#include "remote_window.h"

namespace {

const char kTitle[] = "Zenvola SWF Optimizer";
const char kHandoffKey[] = "Software\\Zenvola SWF Optimizer";

std::string CorpusDir() {
    std::string dir = SQZ_CORPUS_DIR;
    if (dir.back() != '\\') dir += '\\';
    return dir;
}

std::string Narrow(const std::wstring& w) { return ktest::Narrow(w); }

void WriteValue(const std::string& text) {
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kHandoffKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(hKey, "StartWithParamter", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                   static_cast<DWORD>(text.size()));
    RegCloseKey(hKey);
}

// A running copy of the program and what can be read of its window.
class Program {
public:
    explicit Program(const std::string& exe) {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        std::string line = "\"" + exe + "\"";
        started_ = CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
        EXPECT_TRUE(started_) << exe;
    }
    // Takes over a process started by someone else, found by its main window.
    explicit Program(HWND window) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        pi_.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
        pi_.dwProcessId = pid;
        started_ = pi_.hProcess != nullptr;
        window_ = window;
    }
    ~Program() {
        if (pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
        if (pi_.hProcess) CloseHandle(pi_.hProcess);
        if (pi_.hThread) CloseHandle(pi_.hThread);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD Id() const { return pi_.dwProcessId; }
    // Waits (up to 60 s) for a top-level window titled kTitle of this process.
    HWND WaitForWindow() {
        for (int i = 0; i < 1200 && !window_; ++i) {
            window_ = WindowOf(pi_.dwProcessId);
            if (!window_) Sleep(50);
        }
        return window_;
    }
    // True when the process ended within 60 s; its exit code in `*code`.
    bool WaitForExit(DWORD* code) {
        if (!started_ || WaitForSingleObject(pi_.hProcess, 60000) != WAIT_OBJECT_0) return false;
        GetExitCodeProcess(pi_.hProcess, code);
        return true;
    }
    static HWND WindowOf(DWORD pid) {
        struct Find {
            DWORD pid;
            HWND found;
        } find = {pid, nullptr};
        EnumWindows(
            [](HWND h, LPARAM l) -> BOOL {
                Find* f = reinterpret_cast<Find*>(l);
                DWORD owner = 0;
                GetWindowThreadProcessId(h, &owner);
                char title[64] = {};
                GetWindowTextA(h, title, sizeof(title));
                if (owner == f->pid && std::string(title) == kTitle) {
                    f->found = h;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&find));
        return find.found;
    }

    int RowCount() { return sqztest::RemoteProgram(window_).RowCount(); }
    std::wstring Cell(int row, int column) { return sqztest::RemoteProgram(window_).Cell(row, column); }
    std::wstring StatusText(int pane) { return sqztest::RemoteProgram(window_).StatusText(pane); }

private:
    PROCESS_INFORMATION pi_ = {};
    bool started_ = false;
    HWND window_ = nullptr;
};

TEST(SquozenProcess, ASecondStartHandsItsMoviesToTheRunningCopyAndEnds) {
    ktest::TempFolder folder;
    std::string dir = Narrow(folder.path()), exe = dir + "Squozen.exe";
    ASSERT_TRUE(CopyFileA(SQZ_SQUOZEN_EXE, exe.c_str(), FALSE));
    RegDeleteKeyA(HKEY_CURRENT_USER, kHandoffKey);

    Program first(exe);
    HWND window = first.WaitForWindow();
    ASSERT_NE(window, nullptr) << "the first copy shows its window";
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(first.RowCount(), 0);
    EXPECT_EQ(first.StatusText(2), L"共计 0 个文件");
    CreateDirectoryA((dir + "temp").c_str(), nullptr);
    HANDLE work =
        CreateFileA((dir + "temp\\intro_Comp.swf").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(work);

    // The extension's value: two movies, one in capitals, each followed by a space.
    std::string a = CorpusDir() + "swfdec-Function-6.swf", b = CorpusDir() + "SWFDEC-MOUSE-5.SWF";
    WriteValue(a + " " + b + " ");
    Program second(exe);
    DWORD code = 99;
    ASSERT_TRUE(second.WaitForExit(&code)) << "the second copy ends";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(Program::WindowOf(second.Id()), nullptr);
    // The second copy returns only once the first has added the rows.
    ASSERT_EQ(first.RowCount(), 2);
    EXPECT_EQ(first.Cell(0, 0), L"swfdec-function-6.swf");
    EXPECT_EQ(first.Cell(1, 0), L"swfdec-mouse-5.swf");
    EXPECT_EQ(first.Cell(1, 5), L"5");
    EXPECT_EQ(first.StatusText(2), L"共计 2 个文件");
    EXPECT_EQ(first.StatusText(0), L"") << "restored by the second copy: the selection pane is empty";
    EXPECT_FALSE(IsIconic(window));
    DWORD type = 0;
    EXPECT_EQ(ktest::ReadHandoff(&type), "") << "the value is emptied";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    // Started once more with nothing handed over: no row is added.
    Program third(exe);
    ASSERT_TRUE(third.WaitForExit(&code));
    EXPECT_EQ(first.RowCount(), 2);

    // Closing the window ends the program and empties its temp folder.
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(first.WaitForExit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(GetFileAttributesA((dir + "temp\\intro_Comp.swf").c_str()), INVALID_FILE_ATTRIBUTES);
    RegDeleteKeyA(HKEY_CURRENT_USER, kHandoffKey);
}

TEST(SquozenProcess, TheExplorerEntryStartsTheProgramWithTheChosenMovies) {
    ktest::TempFolder folder;
    std::string dir = Narrow(folder.path());
    ASSERT_TRUE(CopyFileA(SQZ_SQUOZEN_EXE, (dir + "Squozen.exe").c_str(), FALSE));
    RegDeleteKeyA(HKEY_CURRENT_USER, kHandoffKey);
    ktest::DllCopy korvane(folder.path());
    ktest::Ref<IShellExtInit> init;
    ASSERT_EQ(korvane.Create(IID_IShellExtInit, init.outv()), S_OK);

    std::wstring corpus = ktest::Widen(CorpusDir());
    std::vector<std::wstring> chosen = {corpus + L"swfdec-String-5.swf", corpus + L"oracle.tsv",
                                        corpus + L"swfdec-Error-7.swf"};
    ktest::DropDataObject* data = ktest::DropDataObject::Create(chosen);
    ASSERT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    ktest::Ref<IContextMenu> menu;
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.outv()), S_OK);
    HMENU h = CreatePopupMenu();
    EXPECT_EQ(menu->QueryContextMenu(h, 0, 1, 0x7FFF, CMF_NORMAL), 1);
    DestroyMenu(h);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(0);
    ASSERT_EQ(menu->InvokeCommand(&info), S_OK);

    // The program starts from the extension's folder and lists the two movies.
    HWND window = nullptr;
    for (int i = 0; i < 1200 && !window; ++i) {
        window = FindWindowA(nullptr, kTitle);
        if (!window) Sleep(50);
    }
    ASSERT_NE(window, nullptr);
    Program program(window);
    for (int i = 0; i < 1200 && program.RowCount() < 2; ++i) Sleep(50);
    ASSERT_EQ(program.RowCount(), 2);
    EXPECT_EQ(program.Cell(0, 0), L"swfdec-string-5.swf");
    EXPECT_EQ(program.Cell(1, 0), L"swfdec-error-7.swf");
    EXPECT_EQ(program.Cell(0, 6), L"已优化");
    DWORD type = 0;
    EXPECT_EQ(ktest::ReadHandoff(&type), "");

    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 99;
    EXPECT_TRUE(program.WaitForExit(&code));
    RegDeleteKeyA(HKEY_CURRENT_USER, kHandoffKey);
}

}  // namespace
