// Screenshots of the program's own windows on the virtual display, for a person to look at: the main window with
// a dozen sample movies (two selected), the list's context menu over it, the About box, the list after Optimize of
// copies of those movies and the properties dialog. PNG files in "screenshots" under the test's build folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <map>

#include "gui_test_support.h"
#include "resource.h"
#include "window_test_support.h"

using sqztest::ProgramFixture;

namespace {

// Eleven valid sample movies, at most three of each version, and one bad file.
std::vector<std::string> ADozenMovies() {
    std::vector<std::string> picked;
    std::map<long long, int> perVersion;
    std::string bad;
    for (const sqztest::OracleRow& row : sqztest::LoadTable("oracle.tsv")) {
        long long v = sqztest::Num(row, "version");
        bool movie =
            row.at("signature") == "FWS" || (row.at("signature") == "CWS" && sqztest::Num(row, "body_len") >= 0);
        if (movie && v >= 1 && v <= 7 && picked.size() < 11 && perVersion[v] < 3) {
            ++perVersion[v];
            picked.push_back(sqztest::CorpusDir() + row.at("name"));
        } else if (bad.empty() && (!movie || v > 7)) {
            bad = sqztest::CorpusDir() + row.at("name");
        }
    }
    picked.insert(picked.begin() + 4, bad);
    return picked;
}

// Ten uncompressed sample movies of versions 4 to 7, with a compressed one and a bad one among them.
std::vector<std::string> ADozenUncompressedMovies() {
    std::vector<std::string> picked;
    std::map<long long, int> perVersion;
    for (const sqztest::OracleRow& row : sqztest::LoadTable("oracle.tsv")) {
        long long v = sqztest::Num(row, "version");
        if (row.at("signature") == "FWS" && v >= 4 && v <= 7 && picked.size() < 10 && perVersion[v] < 3) {
            ++perVersion[v];
            picked.push_back(sqztest::CorpusDir() + row.at("name"));
        }
    }
    picked.insert(picked.begin() + 3, sqztest::CorpusDir() + "swfdec-Function-6.swf");
    picked.insert(picked.begin() + 7, sqztest::CorpusDir() + "swfdec-blend-mode-0-8.swf");
    return picked;
}

// One comparison of what the screen shows of `hWnd` with what the window painted, without taking messages
// (inside a menu's own loop).
bool ShowsOnScreen(HWND hWnd) {
    RECT r;
    if (!::GetWindowRect(hWnd, &r)) return false;
    HDC screen = ::GetDC(nullptr), window = ::GetWindowDC(hWnd);
    int differ = 0, samples = 0;
    for (int y = 2; y < r.bottom - r.top - 2; y += 5)
        for (int x = 2; x < r.right - r.left - 2; x += 5, ++samples)
            if (::GetPixel(screen, r.left + x, r.top + y) != ::GetPixel(window, x, y)) ++differ;
    ::ReleaseDC(hWnd, window);
    ::ReleaseDC(nullptr, screen);
    return samples > 0 && differ == 0;
}

struct MenuShot {
    HWND frame = nullptr;
    std::string path;
    int ticks = 0;
    bool saved = false;
};
MenuShot* g_shot = nullptr;

void CALLBACK ShootTheMenu(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_shot) return;
    HWND menu = ::FindWindowA("#32768", nullptr);
    ++g_shot->ticks;
    if (menu && ::IsWindowVisible(menu) && (ShowsOnScreen(menu) || g_shot->ticks > 100)) {
        g_shot->saved = sqztest::SaveWindowPng(g_shot->frame, g_shot->path);
        ::KillTimer(nullptr, id);
        ::EndMenu();
    } else if (g_shot->ticks > 200) {
        ::KillTimer(nullptr, id);
        ::EndMenu();
    }
}

}  // namespace

TEST(WindowScreenshots, MainWindowWithADozenMoviesAndItsContextMenu) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    p.AddFiles(ADozenMovies());
    ASSERT_EQ(p.list().GetItemCount(), 12);
    p.Select({1, 6});
    p.list().SetItemState(6, LVIS_FOCUSED, LVIS_FOCUSED);
    ::SetForegroundWindow(p.frame().m_hWnd);
    p.list().SetFocus();
    HWND frame = p.frame().m_hWnd;
    sqztest::RepaintNow(frame);
    EXPECT_TRUE(sqztest::WaitUntilDisplayed(frame));
    EXPECT_GT(sqztest::DistinctColours(frame), 8u);
    std::string main = sqztest::ScreenshotPath("main_window.png");
    EXPECT_TRUE(sqztest::SaveWindowPng(frame, main));
    EXPECT_NE(::GetFileAttributesA(main.c_str()), INVALID_FILE_ATTRIBUTES);

    // The context menu of the two selected rows, popped up where the pointer is, over the list.
    RECT row;
    p.list().GetSubItemRect(6, 0, LVIR_LABEL, &row);
    POINT at = {(row.left + row.right) / 2, (row.top + row.bottom) / 2};
    ::ClientToScreen(p.list().m_hWnd, &at);
    ::SetCursorPos(at.x, at.y);
    MenuShot shot;
    shot.frame = frame;
    shot.path = sqztest::ScreenshotPath("context_menu.png");
    g_shot = &shot;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, ShootTheMenu);
    NMHDR click = {p.list().m_hWnd, IDC_FILE_LIST, static_cast<UINT>(NM_RCLICK)};
    p.view().SendMessage(WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
    ::KillTimer(nullptr, timer);
    g_shot = nullptr;
    EXPECT_TRUE(shot.saved);
    EXPECT_TRUE(p.view().m_commands.empty()) << "the menu was closed without a choice";
}

TEST(WindowScreenshots, AboutBox) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    std::string path = sqztest::ScreenshotPath("about_box.png");
    sqztest::DriveModal(
        [&] {
            p.frame().SendMessage(WM_COMMAND, ID_APP_ABOUT);
            return INT_PTR(0);
        },
        [&](HWND dlg) {
            sqztest::RepaintNow(dlg);
            EXPECT_TRUE(sqztest::WaitUntilDisplayed(dlg));
            EXPECT_GT(sqztest::DistinctColours(dlg), 8u);
            EXPECT_TRUE(sqztest::SaveWindowPng(dlg, path));
            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        });
    EXPECT_NE(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(WindowScreenshots, ListAfterOptimizingADozenMoviesAndThePropertiesDialog) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    p.view().m_bBackup = 0;
    sqztest::ScratchDir copies;
    std::vector<std::string> paths;
    for (const std::string& movie : ADozenUncompressedMovies()) {
        paths.push_back(copies / movie.substr(movie.find_last_of('\\') + 1));
        sqztest::WriteAll(paths.back(), sqztest::ReadAll(movie));
    }
    p.AddFiles(paths);
    ASSERT_EQ(p.list().GetItemCount(), 12);
    std::vector<sqztest::SeenBox> boxes =
        sqztest::AnswerBoxes([&] { p.frame().SendMessage(WM_COMMAND, ID_TOOL_OPTIMIZE); },
                             [](HWND box, size_t) { ::PostMessageA(box, WM_COMMAND, IDYES, 0); });
    EXPECT_EQ(boxes.size(), 1u) << "the question only";
    p.Select({2});
    ListView_SetSelectionMark(p.list().m_hWnd, 2);
    ::SetForegroundWindow(p.frame().m_hWnd);
    p.list().SetFocus();
    HWND frame = p.frame().m_hWnd;
    sqztest::RepaintNow(frame);
    EXPECT_TRUE(sqztest::WaitUntilDisplayed(frame));
    EXPECT_TRUE(sqztest::SaveWindowPng(frame, sqztest::ScreenshotPath("optimized_list.png")));

    std::string dialog = sqztest::ScreenshotPath("properties_dialog.png");
    sqztest::AnswerBoxes([&] { p.frame().SendMessage(WM_COMMAND, ID_POPUP_PROPERTIES); },
                         [&](HWND dlg, size_t) {
                             sqztest::RepaintNow(dlg);
                             EXPECT_TRUE(sqztest::WaitUntilDisplayed(dlg));
                             EXPECT_GT(sqztest::DistinctColours(dlg), 4u);
                             EXPECT_TRUE(sqztest::SaveWindowPng(dlg, dialog));
                             ::PostMessageA(dlg, WM_COMMAND, IDC_PROPERTIES_OK, 0);
                         });
    EXPECT_NE(::GetFileAttributesA(dialog.c_str()), INVALID_FILE_ATTRIBUTES);
}
