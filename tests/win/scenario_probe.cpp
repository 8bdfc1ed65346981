// The eyes of the scenario tests (scenario_test.sh), which drive a real Squozen.exe with keys and clicks on the
// display: this console program looks at the running program's main window (in the Wine desktop named on the
// command line) and says what a user would see there, waits until it shows what is expected, or tells where on the
// screen a row or a column header lies for the next click. It also writes the handoff value before a start.
//
//   scenario_probe <desktop> get <what>               prints the value (UTF-8)
//   scenario_probe <desktop> wait <seconds> <what> <expected>
//                                                    polls until the value is the expected one (each "*" in it
//                                                    stands for any text); exit 1 when it does not become so in time,
//                                                    naming what it saw last
//   scenario_probe <desktop> point <row|header|divider|frame> <n>
//                                                    prints "x y", the screen point to click (a row's name, a column
//                                                    header, the right edge of a column header, the place of the
//                                                    window's caption whose hit-test code is n: 20 the close box,
//                                                    8 the minimise box)
//   scenario_probe <desktop> rect <toolbar|header|status|active>
//                                                    prints the screen rectangle of the toolbar, the list's header, the
//                                                    status bar or the program's active window as "WxH+X+Y"
//   scenario_probe <desktop> handoff <path>...       writes the paths as the handoff value, as the Explorer
//                                                    extension does
//   scenario_probe <desktop> handoff-folder <folder> the same with every movie (*.swf) of the folder, in name order
//
// What can be asked: window (1 when the main window is shown), rows, order (names of all rows, joined by "|"),
// selected (names of the selected rows, joined by "|"), mark (name of the selection mark's row), focus (window class of
// the keyboard focus in the program), active (title of the program's active window), texts (the texts of the active
// window's controls, top to bottom, joined by "|": a dialog's or a message box's), title (the main window's), menu (1
// while a menu takes the keyboard), iconic (1 when minimised), status0 to status2 (the status panes), width0 to width6
// (column widths), headings (the columns' headings, joined by "|"), captions (the toolbar's captions, joined by "|"),
// image (the width of the first row's small image), button (the width of the toolbar's buttons), row<n> (the seven
// cells of row n, joined by "|"), codepage (the ANSI code page the program runs with). Texts are read as the windows
// hold them (UTF-16) and printed as UTF-8.
#include <windows.h>
#include <shellapi.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame_wnd.h"
#include "korvane_test_support.h"
#include "product_info.h"
#include "remote_window.h"
#include "resource.h"

namespace {

using ktest::Utf8;

std::wstring WindowTextOf(HWND hWnd) {
    wchar_t text[1024] = {};
    if (hWnd) ::GetWindowTextW(hWnd, text, 1024);
    return text;
}

// The desktop the program runs in (a Wine virtual desktop, made when the program starts, maybe after the probe).
std::string g_desktop;
bool g_onDesktop = false;

HWND MainWindow() {
    if (!g_onDesktop) {
        HDESK desktop = ::OpenDesktopA(g_desktop.c_str(), 0, FALSE, GENERIC_ALL);
        g_onDesktop = desktop && ::SetThreadDesktop(desktop);
        if (!g_onDesktop) return nullptr;
    }
    HWND window = ::FindWindowW(CFrameWnd::kClassName, L"" SQZ_PRODUCT_TITLE);
    return window && ::IsWindowVisible(window) ? window : nullptr;
}

std::string WindowClass(HWND hWnd) {
    char name[64] = {};
    if (hWnd) ::GetClassNameA(hWnd, name, sizeof name);
    return name;
}

std::string Value(const std::string& what) {
    HWND window = MainWindow();
    if (what == "window") return window ? "1" : "0";
    if (what == "codepage") return std::to_string(::GetACP());
    if (!window) return "(no main window)";
    sqztest::RemoteProgram program(window);
    if (what == "rows") return std::to_string(program.RowCount());
    if (what == "title") return Utf8(WindowTextOf(window));
    if (what == "headings" || what == "captions") {
        const int commands[] = {ID_TOOL_OPEN, ID_TOOL_TEST, ID_TOOL_OPTIMIZE, ID_TOOL_REMOVE,
                                ID_TOOL_VIEW, ID_TOOL_HELP, ID_TOOL_EXIT};
        std::wstring texts;
        for (int i = 0; i < 7; ++i)
            texts += (i ? L"|" : L"") + (what == "headings" ? program.HeaderText(i) : program.ButtonText(commands[i]));
        return Utf8(texts);
    }
    if (what == "selected" || what == "mark" || what == "order") {
        HWND list = program.List();
        if (what == "mark") {
            int mark = static_cast<int>(::SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
            return mark >= 0 ? Utf8(program.Cell(mark, 0)) : "";
        }
        const LPARAM flags = what == "order" ? LVNI_ALL : LVNI_SELECTED;
        std::string names;
        for (int i = -1;
             (i = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), flags))) >= 0;)
            names += (names.empty() ? "" : "|") + Utf8(program.Cell(i, 0));
        return names;
    }
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    if (what == "focus") return WindowClass(info.hwndFocus);
    if (what == "focustext") {
        // A control's own text (an edit box's) is asked of it; the system carries WM_GETTEXT between processes.
        wchar_t text[1024] = {};
        DWORD_PTR copied = 0;
        if (info.hwndFocus)
            ::SendMessageTimeoutW(info.hwndFocus, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                  2000, &copied);
        return Utf8(text);
    }
    if (what == "active") return Utf8(WindowTextOf(info.hwndActive));
    if (what == "texts") {
        std::wstring texts;
        for (HWND child = info.hwndActive ? ::GetWindow(info.hwndActive, GW_CHILD) : nullptr; child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            // An icon's "text" is the number of its resource (0xFFFF and the number): no text.
            std::wstring text = WindowTextOf(child);
            if (::IsWindowVisible(child) && !text.empty() && text[0] != L'\xFFFF')
                texts += (texts.empty() ? L"" : L"|") + text;
        }
        return Utf8(texts);
    }
    if (what == "menu") return info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE) ? "1" : "0";
    if (what == "iconic") return ::IsIconic(window) ? "1" : "0";
    if (what.compare(0, 6, "status") == 0) return Utf8(program.StatusText(std::atoi(what.c_str() + 6)));
    if (what.compare(0, 5, "width") == 0) return std::to_string(program.ColumnWidth(std::atoi(what.c_str() + 5)));
    if (what.compare(0, 3, "row") == 0) {
        std::string cells;
        for (int c = 0; c < 7; ++c) cells += (c ? "|" : "") + Utf8(program.Cell(std::atoi(what.c_str() + 3), c));
        return cells;
    }
    if (what == "image") {
        RECT r = program.RowRect(0, LVIR_ICON);
        return std::to_string(r.right - r.left);
    }
    if (what == "button") return std::to_string(LOWORD(::SendMessageA(program.ToolBar(), TB_GETBUTTONSIZE, 0, 0)));
    return "(unknown: " + what + ")";
}

int Point(const std::string& what, int n) {
    HWND window = MainWindow();
    if (!window) {
        std::fprintf(stderr, "no main window\n");
        return 1;
    }
    if (what == "frame") {
        // Along the middle of the caption, from the right, to the first point of that place.
        RECT w;
        ::GetWindowRect(window, &w);
        const long y = w.top + ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CYCAPTION) / 2;
        for (long x = w.right - 1; x > w.left; --x) {
            if (::SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == n) {
                std::printf("%ld %ld\n", x - 2, y);
                return 0;
            }
        }
        std::fprintf(stderr, "no place %d on the caption\n", n);
        return 1;
    }
    sqztest::RemoteProgram program(window);
    RECT r = what == "row" ? program.RowRect(n) : program.HeaderRect(n);
    long x = what == "divider" ? r.right - 1 : (r.left + r.right) / 2;
    std::printf("%ld %ld\n", x, (r.top + r.bottom) / 2);
    return 0;
}

// Prints the screen rectangle of a part of the program as ImageMagick's geometry "WxH+X+Y".
int Rect(const std::string& what) {
    HWND window = MainWindow();
    if (!window) {
        std::fprintf(stderr, "no main window\n");
        return 1;
    }
    sqztest::RemoteProgram program(window);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    HWND part = what == "toolbar"  ? program.ToolBar()
                : what == "header" ? program.Header()
                : what == "status" ? program.StatusBar()
                : what == "active" ? info.hwndActive
                                   : nullptr;
    RECT r;
    if (!part || !::GetWindowRect(part, &r)) {
        std::fprintf(stderr, "no %s\n", what.c_str());
        return 1;
    }
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
}

// Whether `seen` is `expected`, where each "*" in `expected` stands for any text.
bool Matches(const char* seen, const char* expected) {
    if (*expected == '*') return Matches(seen, expected + 1) || (*seen && Matches(seen + 1, expected));
    if (!*expected) return !*seen;
    return *seen == *expected && Matches(seen + 1, expected + 1);
}

// Writes `paths` (ANSI), each followed by one space, as the handoff value, as the Explorer extension does.
int Handoff(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) text += path + " ";
    ktest::WriteHandoff(text);
    return 0;
}

}  // namespace

int main() {
    // Plain line ends for the shell that reads the answers.
    _setmode(_fileno(stdout), _O_BINARY);
    // The arguments as UTF-8, whatever the ANSI code page: the expected texts come from a UTF-8 script.
    int argc = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(ktest::Utf8(wide[i]));
    ::LocalFree(wide);
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    if (argc < 3) {
        std::fprintf(stderr, "usage: scenario_probe <desktop> get|wait|point|handoff ...\n");
        return 2;
    }
    // The program runs in a desktop of its own (a Wine virtual desktop); its windows are found only from there.
    g_desktop = argv[1];
    const std::string command = argv[2];
    if (command == "get" && argc == 4) {
        std::printf("%s\n", Value(argv[3]).c_str());
        return 0;
    }
    if (command == "wait" && argc == 6) {
        const DWORD limit = static_cast<DWORD>(std::atof(argv[3]) * 1000);
        const DWORD start = ::GetTickCount();
        std::string seen;
        for (;;) {
            seen = Value(argv[4]);
            if (Matches(seen.c_str(), argv[5])) return 0;
            if (::GetTickCount() - start > limit) break;
            ::Sleep(50);
        }
        std::printf("%s: expected \"%s\", saw \"%s\"\n", argv[4], argv[5], seen.c_str());
        return 1;
    }
    if (command == "point" && argc == 5) return Point(argv[3], std::atoi(argv[4]));
    if (command == "rect" && argc == 4) return Rect(argv[3]);
    if (command == "handoff-folder" && argc == 4) {
        std::string folder = ktest::Narrow(ktest::Widen(args[3], CP_UTF8));
        if (!folder.empty() && folder.back() != '\\') folder += '\\';
        std::vector<std::string> paths;
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA((folder + "*.swf").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return 1;
        do paths.push_back(folder + found.cFileName);
        while (::FindNextFileA(search, &found));
        ::FindClose(search);
        std::sort(paths.begin(), paths.end());
        return Handoff(paths);
    }
    if (command == "handoff") {
        std::vector<std::string> paths;
        for (size_t i = 3; i < args.size(); ++i) paths.push_back(ktest::Narrow(ktest::Widen(args[i], CP_UTF8)));
        return Handoff(paths);
    }
    std::fprintf(stderr, "scenario_probe: bad command\n");
    return 2;
}
