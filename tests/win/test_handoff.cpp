// Start-up and the handoff in this process: the first copy takes the value at the end of its start-up and on
// every WM_TAKE_HANDOFF (lower case, split after ".swf ", trimmed, no duplicate or existence test, the value
// emptied), a later copy hands over to the running one and ends, and the command line adds no rows. A movie named
// outside the ANSI code page, handed over by its short name, is added and optimized.
#include <gtest/gtest.h>

#include "ansi_path.h"
#include "gui_test_support.h"
#include "resource.h"
#include "window_test_support.h"

using sqztest::Ansi;
using sqztest::ListRow;
using sqztest::ProgramFixture;

namespace {

std::vector<std::string> Paths(ProgramFixture& p) {
    std::vector<std::string> paths;
    for (const ListRow& row : p.Rows()) paths.push_back(row.cells[1] + row.cells[0]);
    return paths;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

void TakeHandoff(ProgramFixture& p) { p.frame().SendMessage(WM_TAKE_HANDOFF, 0, 0); }

}  // namespace

TEST(Handoff, TheWorkedExampleAddsTwoLowerCaseTrimmedRowsAndEmptiesTheValue) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    sqztest::WriteHandoffValue("D:\\Movies\\Intro.SWF E:\\my files\\a b.swf ");
    TakeHandoff(p);
    std::vector<ListRow> rows = p.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[0], "intro.swf");
    EXPECT_EQ(rows[0].cells[1], "d:\\movies\\");
    EXPECT_EQ(rows[1].cells[0], "a b.swf");
    EXPECT_EQ(rows[1].cells[1], "e:\\my files\\");
    // Neither names a movie: each still gets its row, marked bad, with no message.
    for (const ListRow& row : rows) {
        EXPECT_EQ(row.cells[6], "Bad Flash File");
        EXPECT_EQ(row.image, -1);
    }
    bool exists = false;
    EXPECT_EQ(sqztest::ReadHandoffValue(&exists), "");
    EXPECT_TRUE(exists) << "emptied, not deleted";
    EXPECT_EQ(p.StatusText(2), Ansi("共计 2 个文件"));

    // Taken once: the next handoff adds nothing but still reports the count.
    p.frame().SendMessage(WM_FILELIST_COUNT, 7, 0);
    TakeHandoff(p);
    EXPECT_EQ(p.list().GetItemCount(), 2);
    EXPECT_EQ(p.StatusText(2), Ansi("共计 2 个文件"));
}

TEST(Handoff, RealMoviesInUpperCaseAreReadAndShownInLowerCaseAndDuplicatesAreKept) {
    const std::string movie = sqztest::CorpusDir() + "swfdec-Function-6.swf",
                      other = sqztest::CorpusDir() + "swfdec-Mouse-5.swf";
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    p.AddFiles({movie});
    // A valid movie already in the list, handed over twice in capitals, then another one.
    sqztest::WriteHandoffValue(Upper(movie) + " " + Upper(movie) + " " + other + " ");
    TakeHandoff(p);
    std::vector<ListRow> rows = p.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(Paths(p), (std::vector<std::string>{movie, Lower(movie), Lower(movie), Lower(other)}));
    for (int i = 1; i < 3; ++i) {
        for (int c = 2; c < 7; ++c) EXPECT_EQ(rows[i].cells[c], rows[0].cells[c]) << "row " << i << " column " << c;
        EXPECT_EQ(rows[i].image, rows[0].image);
    }
    EXPECT_EQ(rows[0].cells[5], "6");
    EXPECT_EQ(rows[3].cells[5], "5");
}

TEST(Handoff, APathWithoutItsTrailingSpaceIsNotTaken) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    sqztest::WriteHandoffValue("c:\\a\\one.swf c:\\a\\two.swf");
    TakeHandoff(p);
    EXPECT_EQ(Paths(p), (std::vector<std::string>{"c:\\a\\one.swf"}));
    EXPECT_EQ(sqztest::ReadHandoffValue(), "");

    // Nothing but the last path: nothing at all.
    sqztest::WriteHandoffValue("c:\\a\\three.swf");
    TakeHandoff(p);
    EXPECT_EQ(p.list().GetItemCount(), 1);
}

TEST(Handoff, AFolderNamedLikeAMovieSplitsThePath) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    sqztest::WriteHandoffValue("C:\\old.swf files\\x.swf ");
    TakeHandoff(p);
    std::vector<ListRow> rows = p.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[0], "old.swf");
    EXPECT_EQ(rows[0].cells[1], "c:\\");
    EXPECT_EQ(rows[1].cells[0], "x.swf");
    EXPECT_EQ(rows[1].cells[1], "files\\") << "the relative rest of the path";
}

TEST(Handoff, ChineseFoldersSurviveAndOnlyAsciiLettersAreLowered) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    std::string folder = Ansi("D:\\动画 Ｍovies\\");
    sqztest::WriteHandoffValue(folder + "Clip.SWF " + folder + "second.swf ");
    TakeHandoff(p);
    std::vector<ListRow> rows = p.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[1], Ansi("d:\\动画 Ｍovies\\")) << "the full-width letter keeps its case";
    EXPECT_EQ(rows[0].cells[0], "clip.swf");
    EXPECT_EQ(rows[1].cells[0], "second.swf");
}

TEST(Handoff, AMovieNamedOutsideTheCodePageComesByItsShortNameAndIsOptimized) {
    sqztest::ScratchDir dir;
    const char kMovie[] = "swfdec-offspring.swf";
    const sqztest::Bytes movie = sqztest::ReadAll(sqztest::CorpusDir() + kMovie);
    ASSERT_EQ(std::string(movie.begin(), movie.begin() + 3), "FWS");
    sqztest::CopyMovie(kMovie, dir / "a.swf");
    sqztest::CopyMovie(kMovie, dir / "b.swf");
    // Kana and an emoji; code page 936 holds the kana only.
    std::wstring folder(dir.path().size(), L'\0');
    folder.resize(
        static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, dir.path().data(), static_cast<int>(dir.path().size()),
                                                  &folder[0], static_cast<int>(folder.size()))));
    const std::wstring wide = folder + L"\u30e0\u30fc\u30d3\u30fc\U0001F600.swf";
    HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(h, movie.data(), static_cast<DWORD>(movie.size()), &written, nullptr);
    ::CloseHandle(h);
    // What the extension hands over for it (its short name): no "?" in it.
    const std::string shortPath = ansi_path::AnsiPathOf(wide, CP_ACP);
    ASSERT_FALSE(shortPath.empty());
    ASSERT_EQ(shortPath.find('?'), std::string::npos) << shortPath;

    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    sqztest::WriteHandoffValue(dir / "a.swf " + shortPath + " " + dir / "b.swf ");
    TakeHandoff(p);
    EXPECT_EQ(Paths(p), (std::vector<std::string>{Lower(dir / "a.swf"), Lower(shortPath), Lower(dir / "b.swf")}));
    EXPECT_EQ(p.Rows().at(1).cells[6], Ansi("就绪"));

    p.Select({0, 1, 2});
    EXPECT_TRUE(sqztest::AnswerBoxes([&] { p.frame().SendMessage(WM_COMMAND, ID_ACTION_OPTIMIZE); }, IDOK).empty());
    for (const ListRow& row : p.Rows()) EXPECT_EQ(row.cells[6], Ansi("已优化")) << row.cells[0];
    h = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "the movie keeps its long name";
    char head[3] = {};
    DWORD read = 0;
    ::ReadFile(h, head, sizeof head, &read, nullptr);
    ::CloseHandle(h);
    EXPECT_EQ(std::string(head, read), "CWS");
    const sqztest::Bytes other = sqztest::ReadAll(dir / "b.swf");
    EXPECT_EQ(std::string(other.begin(), other.begin() + 3), "CWS");
}

TEST(Handoff, AValueThatFillsTheWholeReadBufferIsTakenWhole) {
    // 1024 paths of 259 bytes, each with its space: 266,240 bytes, the extension's longest text, with no room
    // for a terminator in the read buffer.
    std::string value;
    for (int i = 0; i < 1024; ++i) {
        char head[32];
        std::snprintf(head, sizeof(head), "c:\\m\\%04d-", i);
        std::string path = head;
        path += std::string(259 - path.size() - 4, 'x') + ".swf";
        value += path + " ";
    }
    ASSERT_EQ(value.size(), 266240u);
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    sqztest::WriteHandoffValue(value);
    TakeHandoff(p);
    ASSERT_EQ(p.list().GetItemCount(), 1024);
    EXPECT_EQ(p.list().GetItemText(0, 0).substr(0, 5), "0000-");
    EXPECT_EQ(p.list().GetItemText(1023, 0).substr(0, 5), "1023-");
    EXPECT_EQ(p.list().GetItemText(1023, 0).size(), 259u - 5u);
    EXPECT_EQ(p.StatusText(2), Ansi("共计 1024 个文件"));
    EXPECT_EQ(sqztest::ReadHandoffValue(), "");
}

TEST(Handoff, WithoutTheKeyNothingIsAddedAndNothingIsWritten) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Zenvola SWF Optimizer");
    p.frame().SendMessage(WM_FILELIST_COUNT, 3, 0);
    TakeHandoff(p);
    EXPECT_EQ(p.list().GetItemCount(), 0);
    EXPECT_EQ(p.StatusText(2), Ansi("共计 0 个文件"));
    HKEY hKey = nullptr;
    EXPECT_NE(::RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Zenvola SWF Optimizer", &hKey), ERROR_SUCCESS);
    // A separator at the very start: nothing at all.
    sqztest::WriteHandoffValue(".swf c:\\a.swf ");
    TakeHandoff(p);
    EXPECT_EQ(p.list().GetItemCount(), 0);
}

TEST(Handoff, TheFirstCopyTakesTheValueAtTheEndOfItsStartUp) {
    ProgramFixture p;
    sqztest::WriteHandoffValue("D:\\m\\Intro.swf ");
    ASSERT_TRUE(p.Start());
    EXPECT_EQ(Paths(p), (std::vector<std::string>{"d:\\m\\intro.swf"}));
    EXPECT_EQ(sqztest::ReadHandoffValue(), "");
    EXPECT_EQ(p.StatusText(2), Ansi("共计 1 个文件"));
    EXPECT_TRUE(::IsWindowVisible(p.frame().m_hWnd)) << "the window shows before the rows are added";
}

namespace {

// Records the handoff messages and size changes that reach a window.
template <class Base>
class Recording : public Base {
public:
    using Base::Base;
    int handoffs = 0;
    std::vector<UINT> sizes;

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        if (msg == WM_TAKE_HANDOFF) {
            ++handoffs;
            *pResult = 0;
            return TRUE;
        }
        if (msg == WM_SIZE) sizes.push_back(static_cast<UINT>(wParam));
        return Base::OnWndMsg(msg, wParam, lParam, pResult);
    }
};

// A frame window with the main window's title standing in for a running copy.
class RunningCopy : public Recording<CFrameWnd> {
public:
    RunningCopy() {
        LoadFrame(IDR_MAINFRAME, L"Zenvola SWF Optimizer");
        ::SetWindowPos(m_hWnd, nullptr, 40, 40, 400, 300, SWP_NOZORDER | SWP_SHOWWINDOW);
    }
};

// Another window of the same title, such as an Explorer window on the program's folder (the installer names the
// folder as the program's title).
class SameTitle : public Recording<sqztest::HostWindow> {
public:
    SameTitle() : Recording(RECT{60, 60, 420, 320}, L"Zenvola SWF Optimizer") {}
};

}  // namespace

TEST(Handoff, ALaterCopyBringsTheRunningOneToTheFrontHandsOverAndEnds) {
    HANDLE running = ::CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    ASSERT_NE(running, nullptr);
    {
        RunningCopy copy;
        // Newer, so in front of the running copy: a search by the title alone would find it first.
        SameTitle other;
        copy.sizes.clear();
        other.sizes.clear();
        ProgramFixture p;
        EXPECT_FALSE(p.Start());
        EXPECT_EQ(copy.handoffs, 1);
        EXPECT_EQ(other.handoffs, 0) << "the other window of the same title is left alone";
        EXPECT_EQ(other.sizes, std::vector<UINT>{});
        EXPECT_EQ(p.app().GetMainFrame(), nullptr) << "no window of its own";
        EXPECT_EQ(AfxGetMainWnd(), nullptr);
        // Minimised, then restored, and in front (a frame with a menu may hear of its minimised size twice).
        ASSERT_GE(copy.sizes.size(), 2u);
        EXPECT_EQ(copy.sizes.front(), static_cast<UINT>(SIZE_MINIMIZED));
        EXPECT_EQ(copy.sizes.back(), static_cast<UINT>(SIZE_RESTORED));
        EXPECT_FALSE(::IsIconic(copy.m_hWnd));
        EXPECT_EQ(::GetForegroundWindow(), copy.m_hWnd);

        // The running copy shows a box (its question before a batch), which keeps its window disabled: the box comes
        // to the front, so that the keyboard reaches it.
        HWND box = ::CreateWindowExW(WS_EX_DLGMODALFRAME, L"STATIC", L"box", WS_POPUP | WS_CAPTION | WS_VISIBLE, 60, 60,
                                     200, 100, copy.m_hWnd, nullptr, nullptr, nullptr);
        ASSERT_NE(box, nullptr);
        ::EnableWindow(copy.m_hWnd, FALSE);
        ::SetForegroundWindow(copy.m_hWnd);
        ProgramFixture second;
        EXPECT_FALSE(second.Start());
        EXPECT_EQ(copy.handoffs, 2);
        EXPECT_EQ(::GetForegroundWindow(), box);
        ::DestroyWindow(box);
        copy.DestroyWindow();
    }
    {
        // A running copy whose window is not there (yet): the new copy ends silently.
        ProgramFixture p;
        EXPECT_FALSE(p.Start());
        EXPECT_EQ(p.app().GetMainFrame(), nullptr);
    }
    ::CloseHandle(running);
}

TEST(Handoff, TheCommandLineAddsNoRowsAndOpensItsFileAsTheDocument) {
    std::vector<std::string> movies = sqztest::CorpusMovies();
    {
        ProgramFixture p;
        ASSERT_TRUE(p.Start({movies[3], "/dde"}));
        EXPECT_EQ(p.list().GetItemCount(), 0);
        EXPECT_EQ(p.app().GetDocument()->GetPathName(), movies[3]);
        EXPECT_EQ(p.app().m_recentFiles, (std::vector<std::string>{movies[3]}));
        // The framework keeps the file in its recent-file list, written back at the end.
        p.app().ExitInstance();
        char value[MAX_PATH] = {};
        DWORD size = sizeof(value);
        EXPECT_EQ(
            ::RegGetValueA(
                HKEY_CURRENT_USER,
                ("Software\\Local AppWizard-Generated Applications\\" + AfxGetAppName() + "\\Recent File List").c_str(),
                "File1", RRF_RT_REG_SZ, nullptr, value, &size),
            ERROR_SUCCESS);
        EXPECT_EQ(std::string(value), movies[3]);
    }
    {
        // A document that does not open: the framework's message, and the program ends.
        sqztest::ScratchDir dir;
        ProgramFixture p;
        std::string caption;
        std::vector<std::string> texts;
        BOOL started = TRUE;
        sqztest::AnswerBox([&] { return static_cast<INT_PTR>(started = p.Start({dir / "missing.swf"})); }, IDOK,
                           &caption, &texts);
        EXPECT_FALSE(started);
        EXPECT_EQ(caption, AfxGetAppName());
        ASSERT_FALSE(texts.empty());
        EXPECT_NE(texts.back().find(dir / "missing.swf"), std::string::npos) << texts.back();
        EXPECT_EQ(p.app().GetMainFrame(), nullptr);
    }
}
