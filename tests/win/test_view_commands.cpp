// The view's commands on the real window: Open through the system's dialog, files and folders dropped on the window,
// the keyboard commands (inside the program only, and never while a name is being typed), the double-click action and
// the Options dialog, Help, home page and e-mail through the shell, and the temp folder emptied by Exit and by closing
// the window.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

#include "ansi_path.h"
#include "gui_test_support.h"
#include "resource.h"
#include "window_test_support.h"

using sqztest::Ansi;
using sqztest::FileNameEdit;
using sqztest::WideOfAnsi;
using sqztest::ProgramFixture;

namespace {

// Runs one key press through the program's message filters, as its message loop does, with Ctrl and Shift held
// as asked. TRUE when a filter consumed it.
BOOL Press(HWND target, UINT vk, bool ctrl = false, bool shift = false) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    MSG msg = {target, WM_KEYDOWN, vk, 1, ::GetTickCount(), {0, 0}};
    BOOL taken = CWinApp::WalkPreTranslateTree(&msg);
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    return taken;
}

void Activate(ProgramFixture& p) {
    ::SetForegroundWindow(p.frame().m_hWnd);
    ::SetActiveWindow(p.frame().m_hWnd);
    p.list().SetFocus();
    sqztest::PumpPending();
}

// Sends the main window a drop of `paths` as Explorer makes it: a DROPFILES block of wide names, each ended by a NUL,
// and one more NUL at the end. The window owns the block from then on (DragFinish frees it).
void Drop(ProgramFixture& p, const std::vector<std::wstring>& paths) {
    std::wstring names;
    for (const std::wstring& path : paths) names += path + L'\0';
    names += L'\0';
    HGLOBAL block = ::GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    ASSERT_NE(block, nullptr);
    DROPFILES* drop = static_cast<DROPFILES*>(::GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
    ::GlobalUnlock(block);
    p.frame().SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(block));
}

void TouchFile(const std::string& path) { sqztest::WriteAll(path, sqztest::Bytes{'x'}); }

void WriteDoubleClickAction(const std::string& folder, const char* value) {
    ::WritePrivateProfileStringA("OPTION", "DOUBLECLICKACTION", value, (folder + "config.ini").c_str());
}

}  // namespace

TEST(ViewCommands, OpenThroughTheDialogAddsAWholeFolderOfMovies) {
    // More than 3,500 bytes of names: far beyond a 260-byte result buffer.
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    Activate(p);
    std::string title;
    sqztest::DriveModal(
        [&] {
            EXPECT_TRUE(Press(p.list().m_hWnd, 'O', true));
            return INT_PTR(0);
        },
        [&](HWND dlg) {
            title = sqztest::WindowText(dlg);
            HWND edit = FileNameEdit(dlg);
            EXPECT_EQ(sqztest::WindowText(edit), "*.swf");
            ::SetWindowTextA(edit, sqztest::CorpusDir().c_str());
            ::SendMessageA(dlg, WM_COMMAND, IDOK, 0);  // into the folder
            sqztest::PumpPending();
            HWND view = ::FindWindowExA(dlg, nullptr, "SHELLDLL_DefView", nullptr);
            HWND files = ::FindWindowExA(view, nullptr, "SysListView32", nullptr);
            ASSERT_NE(files, nullptr);
            ListView_SetItemState(files, -1, LVIS_SELECTED, LVIS_SELECTED);
            sqztest::PumpPending();
            EXPECT_GT(::GetWindowTextLengthA(edit), 3000);
            ::SendMessageA(dlg, WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(p.view().m_commands, (std::vector<UINT>{ID_FILE_OPENMOVIES}));
    std::vector<std::string> movies = sqztest::CorpusMovies();
    std::vector<sqztest::ListRow> rows = p.Rows();
    ASSERT_EQ(rows.size(), movies.size());
    std::vector<std::string> listed;
    for (const auto& row : rows) listed.push_back(row.cells[1] + row.cells[0]);
    std::sort(listed.begin(), listed.end());
    std::sort(movies.begin(), movies.end());
    EXPECT_EQ(listed, movies);
    EXPECT_EQ(p.StatusText(2), Ansi("共计 " + std::to_string(movies.size()) + " 个文件"));

    // Cancelled: nothing changes and nothing is reported.
    p.frame().SendMessage(WM_FILELIST_COUNT, 1, 0);
    sqztest::DriveModal(
        [&] {
            p.frame().SendMessage(WM_COMMAND, ID_TOOL_OPEN);
            return INT_PTR(0);
        },
        [](HWND dlg) { ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(p.list().GetItemCount(), static_cast<int>(movies.size()));
    EXPECT_EQ(p.StatusText(2), Ansi("共计 1 个文件"));
}

TEST(ViewCommands, FilesAndFoldersDroppedOnTheWindowAreAddedAsByOpenButNotDuringABatch) {
    // Two movies and a text file beside a folder tree: movies, a backup and a text file at each level.
    sqztest::ScratchDir dir;
    const char kMovie[] = "swfdec-offspring.swf";
    ::CreateDirectoryA((dir / "set").c_str(), nullptr);
    ::CreateDirectoryA((dir / "set\\sub").c_str(), nullptr);
    for (const char* name : {"a.swf", "b.SWF", "set\\c.swf", "set\\c_bak.swf", "set\\D.SWF", "set\\sub\\e.swf",
                             "set\\sub\\e_BAK.swf", "late.swf"})
        sqztest::CopyMovie(kMovie, dir / name);
    TouchFile(dir / "notes.txt");
    TouchFile(dir / "set\\readme.txt");
    // A movie whose name code page 936 cannot hold: it comes by its short name.
    const std::wstring clip = WideOfAnsi(dir.path()) + L"clip\U0001F3AC.swf";
    const std::wstring take = WideOfAnsi(dir / "more\\") + L"take\U0001F3AC.swf";
    ::CreateDirectoryA((dir / "more").c_str(), nullptr);
    sqztest::CopyMovie(kMovie, dir / "more\\f.swf");
    const std::wstring source = WideOfAnsi(sqztest::CorpusDir() + kMovie);
    for (const std::wstring& path : {clip, take}) ASSERT_TRUE(::CopyFileW(source.c_str(), path.c_str(), TRUE));

    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    p.AddFiles({dir / "a.swf"});
    // A movie listed already (in other letters), a text file, a movie that comes again with its folder, the folder,
    // the movie of another code page.
    Drop(p, {WideOfAnsi(dir / "A.SWF"), WideOfAnsi(dir / "b.SWF"), WideOfAnsi(dir / "notes.txt"),
             WideOfAnsi(dir / "set\\c.swf"), WideOfAnsi(dir / "set"), clip});
    std::vector<std::string> paths;
    for (const sqztest::ListRow& row : p.Rows()) paths.push_back(row.cells[1] + row.cells[0]);
    ASSERT_EQ(paths.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(paths.begin(), paths.end() - 1),
              (std::vector<std::string>{dir / "a.swf", dir / "b.SWF", dir / "set\\c.swf", dir / "set\\D.SWF",
                                        dir / "set\\sub\\e.swf"}));
    EXPECT_EQ(paths[5].find('?'), std::string::npos) << paths[5];
    wchar_t longName[MAX_PATH] = {};
    ::GetLongPathNameW(WideOfAnsi(paths[5]).c_str(), longName, MAX_PATH);
    EXPECT_TRUE(longName == clip) << paths[5] << " is the short name of the movie dropped";
    EXPECT_EQ(p.Rows()[5].cells[6], Ansi("就绪")) << "read as the movie it is";
    EXPECT_EQ(p.StatusText(2), Ansi("共计 6 个文件"));

    // While Optimize asks whether to work on the whole list, a drop is ignored; afterwards it is taken.
    std::vector<sqztest::SeenBox> boxes =
        sqztest::AnswerBoxes([&] { p.frame().SendMessage(WM_COMMAND, ID_ACTION_OPTIMIZE); },
                             [&](HWND box, size_t) {
                                 Drop(p, {WideOfAnsi(dir / "late.swf")});
                                 ::PostMessageA(box, WM_COMMAND, IDNO, 0);
                             });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(p.list().GetItemCount(), 6);
    Drop(p, {WideOfAnsi(dir / "late.swf")});
    EXPECT_EQ(p.list().GetItemCount(), 7);
    EXPECT_EQ(p.StatusText(2), Ansi("共计 7 个文件"));

    // On a volume without short names such a movie is left out, dropped or found in a folder; the others come.
    ansi_path::ShortPathLookupInUse() = [](const std::wstring&) { return std::wstring(); };
    Drop(p, {WideOfAnsi(dir / "a.swf"), take, WideOfAnsi(dir / "more")});
    ansi_path::ShortPathLookupInUse() = ansi_path::VolumeShortPath;
    ASSERT_EQ(p.list().GetItemCount(), 8);
    EXPECT_EQ(p.Rows()[7].cells[1] + p.Rows()[7].cells[0], dir / "more\\f.swf");
}

// A folder that takes long to walk (a drive, a large or a network folder): the left pane counts the movies found,
// Escape stops the walk, and the movies found until then are added in the walk's order; dropped again, the folder
// gives the rest.
TEST(ViewCommands, ADroppedFolderIsWalkedWithProgressAndEscapeKeepsWhatWasFound) {
    sqztest::ScratchDir dir;
    std::vector<std::string> movies;
    for (int i = 10; i < 30; ++i) {
        const std::string folder = dir / ("f" + std::to_string(i));
        ::CreateDirectoryA(folder.c_str(), nullptr);
        movies.push_back(folder + "\\m.swf");
        sqztest::CopyMovie("swfdec-offspring.swf", movies.back());
    }
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    p.frame().SendMessage(WM_FILELIST_SELECTION, 0, 0);
    const std::string before = p.StatusText(0);
    // Each listing takes a while; once the window shows the walk's progress, Escape is pressed.
    struct SlowListing : sqztest::FileServicesProxy {
        ProgramFixture* p = nullptr;
        std::vector<std::string> shown;
        std::vector<sqz::FileEntry> List(const std::string& folder) override {
            if (!p) return real().List(folder);
            ::Sleep(40);
            const std::string text = p->StatusText(0);
            if (text.rfind(Ansi("正在查找影片"), 0) == 0) {
                if (shown.empty()) {
                    sqztest::RepaintNow(p->frame().m_hWnd);
                    sqztest::SaveWindowPng(p->frame().m_hWnd, sqztest::ScreenshotPath("drop_walk.png"));
                    ::PostMessageA(p->list().m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
                }
                shown.push_back(text);
            }
            return real().List(folder);
        }
    } slow;
    slow.p = &p;
    Drop(p, {WideOfAnsi(dir.path())});
    slow.p = nullptr;
    std::vector<std::string> paths;
    for (const sqztest::ListRow& row : p.Rows()) paths.push_back(row.cells[1] + row.cells[0]);
    ASSERT_FALSE(slow.shown.empty()) << "the walk showed no progress";
    bool counted = false;
    for (size_t n = 1; n <= paths.size(); ++n)
        counted =
            counted || slow.shown.front() == Ansi("正在查找影片：已找到 " + std::to_string(n) + " 个（按 Esc 停止）");
    EXPECT_TRUE(counted) << slow.shown.front();
    ASSERT_GT(paths.size(), 0u);
    ASSERT_LT(paths.size(), movies.size()) << "Escape stopped the walk";
    EXPECT_EQ(paths, std::vector<std::string>(movies.begin(), movies.begin() + paths.size()));
    EXPECT_EQ(p.StatusText(0), before) << "the left pane shows the selection again";
    EXPECT_EQ(p.StatusText(2), Ansi("共计 " + std::to_string(paths.size()) + " 个文件"));

    Drop(p, {WideOfAnsi(dir.path())});
    EXPECT_EQ(p.list().GetItemCount(), static_cast<int>(movies.size()));
}

TEST(ViewCommands, KeyboardCommandsAreTakenInsideTheProgramOnly) {
    std::vector<std::string> movies = sqztest::CorpusMovies();
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    p.AddFiles({movies[0], movies[1]});
    Activate(p);
    auto& seen = p.view().m_commands;
    HWND list = p.list().m_hWnd, bar = p.frame().m_wndToolBar.m_hWnd;

    EXPECT_TRUE(Press(list, 'A', true));
    EXPECT_TRUE(Press(list, VK_DELETE));
    EXPECT_TRUE(Press(bar, 'A', true)) << "wherever the focus is in the main window";
    EXPECT_EQ(seen, (std::vector<UINT>{ID_POPUP_SELECTALL, ID_POPUP_DELETE, ID_POPUP_SELECTALL}));
    EXPECT_EQ(p.list().GetItemCount(), 0) << "Delete removed the selected rows";
    p.AddFiles({movies[0], movies[1]});
    seen.clear();
    // Ctrl+N and Ctrl+S are taken and do nothing; other combinations are not the commands.
    EXPECT_TRUE(Press(list, 'N', true));
    EXPECT_TRUE(Press(list, 'S', true));
    Press(list, 'A');
    Press(list, VK_DELETE, true);
    Press(list, 'A', true, true);
    EXPECT_TRUE(seen.empty());

    // While a row's name is being edited, every key goes to the edit box: Delete deletes a letter there, and
    // Shift+Delete (one of the frame's accelerators) cuts the text.
    ::SetWindowLongPtrA(list, GWL_STYLE, ::GetWindowLongPtrA(list, GWL_STYLE) | LVS_EDITLABELS);
    HWND edit = p.list().EditLabel(0);
    ASSERT_NE(edit, nullptr);
    ::SetWindowTextA(edit, "abc.swf");
    ::SendMessageA(edit, EM_SETSEL, 0, 0);
    Press(edit, VK_DELETE);
    EXPECT_EQ(sqztest::WindowText(edit), "bc.swf");
    Press(edit, 'A', true);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    Press(edit, VK_DELETE, false, true);
    EXPECT_EQ(sqztest::WindowText(edit), "");
    EXPECT_TRUE(seen.empty());
    ListView_CancelEditLabel(list);
    sqztest::PumpPending();

    // With another window active the keys do nothing.
    sqztest::HostWindow other({600, 600, 800, 700}, L"other");
    ::SetForegroundWindow(other.m_hWnd);
    ::SetActiveWindow(other.m_hWnd);
    sqztest::PumpPending();
    ASSERT_NE(::GetActiveWindow(), p.frame().m_hWnd);
    Press(list, 'A', true);
    Press(list, VK_DELETE);
    EXPECT_TRUE(seen.empty());
    other.DestroyWindow();

    // Nor while one of the program's dialogs is open: its keys never pass the main window.
    Activate(p);
    sqztest::DriveModal(
        [&] {
            p.frame().SendMessage(WM_COMMAND, ID_OPTIONS_SETTINGS);
            return INT_PTR(0);
        },
        [&](HWND dlg) {
            HWND box = ::GetDlgItem(dlg, IDC_OPTION_BACKUP);
            Press(box, 'A', true);
            Press(box, VK_DELETE);
            Press(box, 'O', true);
            ::PostMessageA(dlg, WM_COMMAND, IDC_OPTIONS_CANCEL, 0);
        });
    EXPECT_EQ(seen, (std::vector<UINT>{ID_OPTIONS_SETTINGS}));
}

TEST(ViewCommands, DoubleClickRunsTheChosenActionAndOptionsReloadWhenTheDialogCloses) {
    std::vector<std::string> movies = sqztest::CorpusMovies();
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    EXPECT_EQ(p.view().m_bBackup, 1) << "the defaults of a fresh installation";
    EXPECT_EQ(p.view().m_bProtect, 0);
    EXPECT_EQ(p.view().m_nDblClickAction, 0);
    // The actions really run: on a copy of a movie, its row selected, the shell's opening recorded and any box
    // (a batch's question or failure) answered.
    sqztest::ShellRecorder shell;
    shell.OpenFilesOf(".swf");
    sqztest::ScratchDir scratch;
    const std::string copy = scratch / "clicked.swf";
    sqztest::CopyMovie(movies[0].substr(movies[0].find_last_of('\\') + 1), copy);
    p.AddFiles({copy});
    auto& seen = p.view().m_commands;
    auto doubleClick = [&] {
        seen.clear();
        p.Select({0});
        NMITEMACTIVATE click = {};
        click.hdr = {p.list().m_hWnd, IDC_FILE_LIST, static_cast<UINT>(NM_DBLCLK)};
        click.iItem = 0;
        EXPECT_TRUE(sqztest::AnswerBoxes(
                        [&] { p.view().SendMessage(WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click)); }, IDOK)
                        .empty())
            << "the selected row is worked on without a question or a failure";
        return seen;
    };
    EXPECT_EQ(doubleClick(), (std::vector<UINT>{ID_POPUP_VIEW}));

    // Chosen in the Options dialog: the view takes the stored values when the dialog closes.
    const int radios[3] = {IDC_DBLCLICK_VIEW, IDC_DBLCLICK_TEST, IDC_DBLCLICK_OPTIMIZE};
    const UINT actions[3] = {ID_POPUP_VIEW, ID_ACTION_TEST, ID_ACTION_OPTIMIZE};
    for (int choice : {1, 2, 0}) {
        sqztest::DriveModal(
            [&] {
                p.frame().SendMessage(WM_COMMAND, ID_OPTIONS_SETTINGS);
                return INT_PTR(0);
            },
            [&](HWND dlg) {
                for (int r : radios) ::SendDlgItemMessageA(dlg, r, BM_SETCHECK, BST_UNCHECKED, 0);
                ::SendDlgItemMessageA(dlg, radios[choice], BM_SETCHECK, BST_CHECKED, 0);
                ::SendDlgItemMessageA(dlg, IDC_OPTION_BACKUP, BM_SETCHECK, choice == 0 ? BST_CHECKED : 0, 0);
                ::SendDlgItemMessageA(dlg, IDC_OPTION_PROTECT, BM_SETCHECK, choice == 2 ? BST_CHECKED : 0, 0);
                ::PostMessageA(dlg, WM_COMMAND, IDC_OPTIONS_SAVE, 0);
            });
        EXPECT_EQ(p.view().m_nDblClickAction, choice);
        EXPECT_EQ(p.view().m_bBackup, choice == 0 ? 1 : 0);
        EXPECT_EQ(p.view().m_bProtect, choice == 2 ? 1 : 0);
        EXPECT_EQ(doubleClick(), (std::vector<UINT>{actions[choice]})) << choice;
    }

    // A value edited by hand takes effect when the dialog closes, whatever its button; 3 or 5 do nothing.
    for (const char* value : {"3", "5", "-1"}) {
        WriteDoubleClickAction(p.folder(), value);
        sqztest::DriveModal(
            [&] {
                p.frame().SendMessage(WM_COMMAND, ID_OPTIONS_SETTINGS);
                return INT_PTR(0);
            },
            [](HWND dlg) { ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); });
        EXPECT_EQ(p.view().m_nDblClickAction, std::atoi(value));
        EXPECT_TRUE(doubleClick().empty()) << value;
    }
}

TEST(ViewCommands, HelpHomePageAndMailGoToTheShell) {
    sqztest::ShellRecorder shell;
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    TouchFile(p.folder() + "Squozen.chm");

    p.frame().SendMessage(WM_COMMAND, ID_HELP_CONTENTS);
    std::vector<std::string> opened = shell.WaitForOpened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], p.folder() + "Squozen.chm");

    p.frame().SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOL_HELP, BN_CLICKED),
                          reinterpret_cast<LPARAM>(p.frame().m_wndToolBar.m_hWnd));
    opened = shell.WaitForOpened(2);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], p.folder() + "Squozen.chm");

    p.frame().SendMessage(WM_COMMAND, ID_HELP_HOMEPAGE);
    opened = shell.WaitForOpened(3);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2], "http://www.zenvola.com");

    p.frame().SendMessage(WM_COMMAND, ID_HELP_MAIL);
    opened = shell.WaitForOpened(4);
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[3], "mailto:support@zenvola.com");

    // No help file: nothing is started and nothing is reported.
    ::DeleteFileA((p.folder() + "Squozen.chm").c_str());
    p.frame().SendMessage(WM_COMMAND, ID_HELP_CONTENTS);
    sqztest::PumpPending();
    EXPECT_EQ(shell.Opened().size(), 4u);
}

TEST(ViewCommands, ExitAndClosingTheWindowEmptyTheTempFolder) {
    {
        ProgramFixture p;
        ASSERT_TRUE(p.Start());
        std::string temp = p.folder() + "temp\\";
        ::CreateDirectoryA(temp.c_str(), nullptr);
        ::CreateDirectoryA((temp + "keep").c_str(), nullptr);
        TouchFile(temp + "intro_Comp.swf");
        TouchFile(temp + "ProtectTemp.swf");
        TouchFile(p.folder() + "outside.swf");
        EXPECT_TRUE(p.CloseMainWindow()) << "the program ends";
        EXPECT_EQ(p.app().GetMainFrame()->m_hWnd, nullptr);
        EXPECT_EQ(::GetFileAttributesA((temp + "intro_Comp.swf").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(::GetFileAttributesA((temp + "ProtectTemp.swf").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_NE(::GetFileAttributesA(temp.c_str()), INVALID_FILE_ATTRIBUTES) << "the folder stays";
        EXPECT_NE(::GetFileAttributesA((temp + "keep").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_NE(::GetFileAttributesA((p.folder() + "outside.swf").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    for (UINT exit : {ID_FILE_EXITPROGRAM, ID_TOOL_EXIT}) {
        ProgramFixture p;
        ASSERT_TRUE(p.Start());
        std::string temp = p.folder() + "temp\\";
        ::CreateDirectoryA(temp.c_str(), nullptr);
        TouchFile(temp + "a_Comp.swf");
        p.frame().SendMessage(WM_COMMAND, exit);
        EXPECT_EQ(::GetFileAttributesA((temp + "a_Comp.swf").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(ProgramFixture::TakeQuit()) << "the message loop ends";
        // The end of the message loop: the windows go then, while the program runs, not among its static objects.
        const HWND main = p.frame().m_hWnd, view = p.view().m_hWnd;
        ASSERT_TRUE(::IsWindow(main));
        p.app().ExitInstance();
        EXPECT_FALSE(::IsWindow(main));
        EXPECT_FALSE(::IsWindow(view));
        EXPECT_EQ(p.frame().m_hWnd, nullptr);
        EXPECT_EQ(CWnd::FromHandlePermanent(main), nullptr);
        EXPECT_EQ(CWnd::FromHandlePermanent(view), nullptr);
    }
    {
        // The view itself, asked to close, ends the message loop too.
        ProgramFixture p;
        ASSERT_TRUE(p.Start());
        ProgramFixture::TakeQuit();
        p.view().SendMessage(WM_CLOSE);
        EXPECT_TRUE(ProgramFixture::TakeQuit());
    }
}
