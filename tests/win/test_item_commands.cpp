// The commands on single rows and on the whole list, on the real window with copies of sample movies: Rename with
// its name rules and its refusals, Delete and its selection afterwards, Remove all, Select all, View through the
// shell, Save as through the system's dialog, and Properties with the properties dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <ctime>

#include "gui_test_support.h"
#include "ansi_path.h"
#include "file_helpers.h"
#include "resource.h"
#include "window_test_support.h"

using sqztest::Ansi;
using sqztest::FileNameEdit;
using sqztest::WideOfAnsi;
using sqztest::Bytes;
using sqztest::ProgramFixture;
using sqztest::ReadAll;
using sqztest::SeenBox;

namespace {

struct Items {
    ProgramFixture p;
    sqztest::ScratchDir movies;

    Items() { EXPECT_TRUE(p.Start()); }
    std::string Add(const std::string& name, const std::string& as) {
        sqztest::CopyMovie(name, movies / as);
        p.AddFiles({movies / as});
        return movies / as;
    }
    std::vector<SeenBox> Run(UINT command, const std::function<void(HWND, size_t)>& script = nullptr) {
        return sqztest::AnswerBoxes(
            [&] { p.frame().SendMessage(WM_COMMAND, command); },
            script ? script : [](HWND box, size_t) { ::PostMessageA(box, WM_COMMAND, IDOK, 0); });
    }
    // The end of an in-place edit of row `row` with the typed text `text` (null: cancelled), as the list reports it.
    std::vector<SeenBox> EndEdit(int row, const wchar_t* text) {
        NMLVDISPINFOW info = {};
        info.hdr = {p.list().m_hWnd, IDC_FILE_LIST, static_cast<UINT>(LVN_ENDLABELEDITW)};
        info.item.iItem = row;
        info.item.pszText = const_cast<wchar_t*>(text);
        LRESULT result = 1;
        std::vector<SeenBox> boxes = sqztest::AnswerBoxes(
            [&] { result = p.view().SendMessage(WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&info)); },
            [](HWND box, size_t) { ::PostMessageA(box, WM_COMMAND, IDOK, 0); });
        EXPECT_EQ(result, 0) << "the list never takes the text by itself";
        return boxes;
    }
    // The same with a text typed in the ANSI code page.
    std::vector<SeenBox> EndEdit(int row, const char* text) {
        const std::wstring wide = text ? sqztest::WideOfAnsi(text) : std::wstring();
        return EndEdit(row, text ? wide.c_str() : nullptr);
    }
    void Mark(const std::vector<int>& selected, int mark) {
        p.Select(selected);
        ListView_SetSelectionMark(p.list().m_hWnd, mark);
    }
    std::vector<int> Selected() {
        std::vector<int> rows;
        for (int i = p.list().GetNextItem(-1, LVNI_SELECTED); i >= 0; i = p.list().GetNextItem(i, LVNI_SELECTED))
            rows.push_back(i);
        return rows;
    }
};

std::string OnlyText(const std::vector<SeenBox>& boxes) {
    if (boxes.size() != 1) return "boxes: " + std::to_string(boxes.size());
    EXPECT_EQ(boxes[0].caption, "Zenvola SWF Optimizer");
    return boxes[0].texts.empty() ? std::string() : boxes[0].texts.back();
}

// An uncompressed movie of `size` bytes (also its header's length), 550 x 400 pixels, 12 frames a second, 34 frames.
Bytes SizedMovie(unsigned char version, uint32_t size) {
    Bytes body = sqztest::FrameHeader(15, 0, 550 * 20, 0, 400 * 20, 12 << 8, 34);
    body.resize(size - 8, 0);
    return sqztest::MakeMovie("FWS", version, size, body);
}

}  // namespace

TEST(ItemCommands, RenameFollowsTheNameRulesAndNeverTakesAnotherName) {
    Items t;
    t.Add("shumway-morph2.swf", "intro.swf");
    t.Mark({0}, 0);
    // Started from the menu: the list takes the editing style, and Enter in the edit box renames the file.
    EXPECT_TRUE(t.Run(ID_POPUP_RENAME).empty());
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongPtrA(t.p.list().m_hWnd, GWL_STYLE)), 0x50800201u);
    HWND edit = ListView_GetEditControl(t.p.list().m_hWnd);
    ASSERT_NE(edit, nullptr);
    ::SetWindowTextA(edit, "clip");
    ::SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    sqztest::PumpPending();
    EXPECT_EQ(t.p.list().GetItemText(0, 0), "clip.swf");
    EXPECT_EQ(sqztest::FolderNames(t.movies.path()), (std::vector<std::string>{"clip.swf"}));
    // Escape ends the edit without a name.
    t.Run(ID_POPUP_RENAME);
    edit = ListView_GetEditControl(t.p.list().m_hWnd);
    ASSERT_NE(edit, nullptr);
    ::SetWindowTextA(edit, "other");
    ::SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    sqztest::PumpPending();
    EXPECT_EQ(t.p.list().GetItemText(0, 0), "clip.swf");

    struct Case {
        const char* typed;
        std::string name;  // the name afterwards
    };
    const Case cases[] = {
        {"clip.SWF", "clip.SWF"},
        {"a.swf.bak", "a.swf.bak.swf"},
        {"a:b", "a.swf.bak.swf"},
        {"a*b", "a.swf.bak.swf"},
        {"a|b", "a.swf.bak.swf"},
        {"a/b", "a.swf.bak.swf"},
        {".swf", "a.swf.bak.swf"},
        {".SWF", "a.swf.bak.swf"},
        {"", "a.swf.bak.swf"},
        {"(null)", "a.swf.bak.swf"},
        {nullptr, "a.swf.bak.swf"},
        {"\x81\x5c"
         "x",
         "a.swf.bak.swf"},                             // a double-byte character whose second byte is a backslash
        {"\x81\x7c", "a.swf.bak.swf"},                 // ... a vertical bar
        {"\xd3\xb0\xc6\xac", "\xd3\xb0\xc6\xac.swf"},  // any other double-byte name is fine
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "(cancelled)");
        EXPECT_TRUE(t.EndEdit(0, c.typed).empty());
        EXPECT_EQ(t.p.list().GetItemText(0, 0), c.name);
        // (Wine keeps the letter case a file had when a rename changes only that.)
        EXPECT_EQ(sqztest::FolderNames(t.movies.path()).size(), 1u);
        EXPECT_TRUE(PathExists(t.movies / c.name));
    }
    // A name the ANSI code page cannot hold exactly (Korean, on a Chinese system) could name no file the program
    // works on: refused, as a character that would turn into "?" is.
    EXPECT_TRUE(t.EndEdit(0, L"\ud55c\uae00").empty());
    EXPECT_EQ(t.p.list().GetItemText(0, 0), "\xd3\xb0\xc6\xac.swf");
    EXPECT_EQ(sqztest::FolderNames(t.movies.path()), (std::vector<std::string>{"\xd3\xb0\xc6\xac.swf"}));

    // A name another file has, or a movie in use: the box, and the row and both files as they were.
    const std::string name = t.p.list().GetItemText(0, 0), path = t.movies / name;
    const Bytes taken = sqztest::CopyMovie("swfdec-offspring.swf", t.movies / "taken.swf");
    EXPECT_EQ(OnlyText(t.EndEdit(0, "taken")), Ansi("重命名 ") + path + Ansi(" 失败！"));
    EXPECT_EQ(ReadAll(t.movies / "taken.swf"), taken);
    EXPECT_EQ(ReadAll(path), ReadAll(sqztest::CorpusDir() + "shumway-morph2.swf"));
    EXPECT_EQ(t.p.list().GetItemText(0, 0), name);
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OnlyText(t.EndEdit(0, "free")), Ansi("重命名 ") + path + Ansi(" 失败！"));
    ::CloseHandle(h);
    EXPECT_EQ(t.p.list().GetItemText(0, 0), name);
    EXPECT_EQ(t.movies.Names().size(), 2u);
}

TEST(ItemCommands, DeleteSelectsTheRowAfterAndRemoveAllEmptiesTheList) {
    Items t;
    for (const char* as : {"a.swf", "b.swf", "c.swf", "d.swf", "e.swf"}) t.Add("swfdec-offspring.swf", as);
    t.p.Select({2, 3});
    EXPECT_TRUE(t.Run(ID_POPUP_DELETE).empty());
    std::vector<sqztest::ListRow> rows = t.p.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].cells[0], "e.swf");
    EXPECT_EQ(t.Selected(), (std::vector<int>{2}));
    EXPECT_EQ(t.p.StatusText(2), Ansi("共计 3 个文件"));
    EXPECT_EQ(t.p.StatusText(0), Ansi("已选择 1 个文件，44 K"));

    t.Add("swfdec-offspring.swf", "f.swf");
    t.Add("swfdec-offspring.swf", "g.swf");
    t.p.Select({4});
    EXPECT_TRUE(t.Run(ID_TOOL_REMOVE).empty());
    EXPECT_EQ(t.p.list().GetItemCount(), 4);
    EXPECT_EQ(t.Selected(), (std::vector<int>{3}));

    // Select all: every row, and the frame hears of it.
    EXPECT_TRUE(t.Run(ID_POPUP_SELECTALL).empty());
    EXPECT_EQ(t.Selected(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(::GetFocus(), t.p.list().m_hWnd);
    EXPECT_EQ(t.p.StatusText(0), Ansi("已选择 4 个文件，176 K"));

    // Deleting every row leaves nothing selected and says so.
    EXPECT_TRUE(t.Run(ID_POPUP_DELETE).empty());
    EXPECT_EQ(t.p.list().GetItemCount(), 0);
    EXPECT_EQ(t.p.StatusText(0), Ansi("已选择 0 个文件，0 K"));
    t.Add("swfdec-offspring.swf", "a.swf");
    t.p.Select({0});
    EXPECT_TRUE(t.Run(ID_POPUP_REMOVEALL).empty());
    EXPECT_EQ(t.p.list().GetItemCount(), 0);
    EXPECT_EQ(t.p.StatusText(2), Ansi("共计 0 个文件"));
    EXPECT_EQ(t.p.StatusText(0), Ansi("已选择 0 个文件，0 K"));
    // The movies stay on disk.
    EXPECT_EQ(t.movies.Names().size(), 7u);
}

TEST(ItemCommands, ViewOpensEverySelectedMovieWithItsProgram) {
    sqztest::ShellRecorder shell;
    shell.OpenFilesOf(".swf");
    Items t;
    std::vector<std::string> paths;
    for (const char* as : {"a.swf", "b.swf", "c.swf", "d.swf"}) paths.push_back(t.Add("shumway-morph2.swf", as));
    t.p.Select({0, 2, 3});
    t.Run(ID_TOOL_VIEW);
    std::vector<std::string> opened = shell.WaitForOpened(3);
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::string>{paths[0], paths[2], paths[3]}));
}

TEST(ItemCommands, SaveAsCopiesTheMarkedMovieAndReportsAFailedCopy) {
    Items t;
    const std::string source = t.Add("shumway-morph2.swf", "intro.swf");
    t.Add("swfdec-offspring.swf", "other.swf");
    sqztest::ScratchDir out;
    // Types `target` into the dialog and confirms, and confirms the question whether to replace it.
    auto saveAsWide = [&](const std::wstring& target) {
        return t.Run(ID_POPUP_SAVEAS, [&](HWND box, size_t index) {
            if (index == 0) ::SetWindowTextW(FileNameEdit(box), target.c_str());
            ::PostMessageA(box, WM_COMMAND, ::GetDlgItem(box, IDYES) ? IDYES : IDOK, 0);
        });
    };
    auto saveAs = [&](const std::string& target) { return saveAsWide(WideOfAnsi(target)); };
    // No selection mark: nothing happens.
    t.Mark({0}, -1);
    EXPECT_TRUE(t.Run(ID_POPUP_SAVEAS).empty());

    t.Mark({0, 1}, 0);
    EXPECT_EQ(saveAs(out / "copy.swf").size(), 1u);
    EXPECT_EQ(ReadAll(out / "copy.swf"), ReadAll(source));
    EXPECT_EQ(t.p.list().GetItemCount(), 2);
    // Over an existing file, once the user has agreed.
    sqztest::CopyMovie("swfdec-offspring.swf", out / "older.swf");
    EXPECT_EQ(saveAs(out / "older.swf").size(), 2u);
    EXPECT_EQ(ReadAll(out / "older.swf"), ReadAll(source));

    // A file that may not be replaced stays as it was, and no part of the copy is left beside it.
    const Bytes kept = sqztest::CopyMovie("swfdec-offspring.swf", out / "locked.swf");
    ASSERT_TRUE(::SetFileAttributesA((out / "locked.swf").c_str(), FILE_ATTRIBUTE_READONLY));
    std::vector<SeenBox> boxes = saveAs(out / "locked.swf");
    ::SetFileAttributesA((out / "locked.swf").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(OnlyText({boxes[2]}), Ansi("另存为 ") + out / "locked.swf" + Ansi(" 失败！"));
    EXPECT_EQ(ReadAll(out / "locked.swf"), kept);
    EXPECT_EQ(out.Names(), (std::vector<std::string>{"copy.swf", "locked.swf", "older.swf"}));
    EXPECT_EQ(t.p.Rows()[0].cells[0], "intro.swf");

    // A new name that code page 936 cannot hold: the copy is made under that very name. Where the volume keeps no
    // short names, the save fails with its box and leaves nothing behind.
    const std::wstring clip = WideOfAnsi(out.path()) + L"clip\U0001F3AC.swf";
    EXPECT_EQ(saveAsWide(clip).size(), 1u);
    HANDLE h = ::CreateFileW(clip.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<char> copied(64 * 1024);
    DWORD got = 0;
    ::ReadFile(h, copied.data(), static_cast<DWORD>(copied.size()), &got, nullptr);
    ::CloseHandle(h);
    const Bytes original = ReadAll(source);
    EXPECT_EQ(Bytes(copied.begin(), copied.begin() + got), original);
    ASSERT_TRUE(::DeleteFileW(clip.c_str()));
    ansi_path::ShortPathLookupInUse() = [](const std::wstring&) { return std::wstring(); };
    boxes = saveAsWide(clip);
    ansi_path::ShortPathLookupInUse() = ansi_path::VolumeShortPath;
    ASSERT_EQ(boxes.size(), 2u);
    // The name as the code page can show it: the emoji as "?" (one or two, by the system).
    const std::string text = OnlyText({boxes[1]});
    const std::string head = Ansi("另存为 ") + out.path() + "clip?", tail = "?.swf" + Ansi(" 失败！");
    EXPECT_TRUE(text.size() <= head.size() + tail.size() && text.compare(0, head.size(), head) == 0 &&
                text.compare(text.size() - tail.size(), tail.size(), tail) == 0)
        << text;
    EXPECT_EQ(out.Names(), (std::vector<std::string>{"copy.swf", "locked.swf", "older.swf"}));
}

TEST(ItemCommands, PropertiesOfTheMarkedRow) {
    Items t;
    sqztest::WriteAll(t.movies / "five.swf", SizedMovie(5, 1024));
    sqztest::WriteAll(t.movies / "seven.swf", SizedMovie(7, 1000));
    // Versions past 7 are movies too, named by their number.
    sqztest::WriteAll(t.movies / "nine.swf", SizedMovie(9, 3000));
    sqztest::WriteAll(t.movies / "later.swf", SizedMovie(21, 1000));
    sqztest::WriteAll(t.movies / "bad.swf", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e', '\n'});
    t.p.AddFiles({t.movies / "five.swf", t.movies / "seven.swf", t.movies / "bad.swf", t.movies / "nine.swf",
                  t.movies / "later.swf"});
    // 9 March 2004, 08:05:03 local time.
    std::tm local = {};
    local.tm_year = 104;
    local.tm_mon = 2;
    local.tm_mday = 9;
    local.tm_hour = 8;
    local.tm_min = 5;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    sqztest::BentFiles bent;
    bent.SetCreated(t.movies / "seven.swf", static_cast<int64_t>(std::mktime(&local)));

    const int edits[] = {IDC_PROP_FILENAME,  IDC_PROP_VERSION,    IDC_PROP_LENGTH, IDC_PROP_FRAMESIZE,
                         IDC_PROP_FRAMERATE, IDC_PROP_FRAMECOUNT, IDC_PROP_TIME};
    auto properties = [&](std::vector<std::string>* shown) {
        return t.Run(ID_POPUP_PROPERTIES, [&](HWND box, size_t) {
            for (int id : edits) {
                char text[128] = {};
                if (::GetDlgItemTextA(box, id, text, sizeof text) || ::GetDlgItem(box, id)) shown->push_back(text);
            }
            ::PostMessageA(box, WM_COMMAND, ::GetDlgItem(box, IDC_PROPERTIES_OK) ? IDC_PROPERTIES_OK : IDOK, 0);
        });
    };
    // Three rows selected: only the marked one is shown.
    t.Mark({0, 1, 2}, 1);
    std::vector<std::string> shown;
    std::vector<SeenBox> boxes = properties(&shown);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, Ansi("属性"));
    EXPECT_EQ(shown,
              (std::vector<std::string>{"seven.swf", "Flash MX", "1 K", "550 X 400", "12", "34", "3/9/2004 8:5:3"}));
    shown.clear();
    t.Mark({0}, 0);
    properties(&shown);
    ASSERT_EQ(shown.size(), 7u);
    EXPECT_EQ(shown[1], "Flash 5");
    EXPECT_EQ(shown[2], "2 K");
    for (const auto& [row, version] : {std::pair<int, const char*>{3, "Flash 9"}, {4, "Flash 21"}}) {
        shown.clear();
        t.Mark({row}, row);
        properties(&shown);
        ASSERT_EQ(shown.size(), 7u) << version;
        EXPECT_EQ(shown[1], version);
        EXPECT_EQ(shown[3], "550 X 400");
    }

    // A bad row: the message, no dialog.
    shown.clear();
    t.Mark({2}, 2);
    EXPECT_EQ(OnlyText(properties(&shown)), Ansi("Flash 文件损坏不能查看属性!"));
    EXPECT_TRUE(shown.empty());

    // No selection mark (rows selected only through Select all): the first selected row; no row at all: nothing.
    shown.clear();
    t.Mark({1, 2}, -1);
    properties(&shown);
    ASSERT_EQ(shown.size(), 7u);
    EXPECT_EQ(shown[0], "seven.swf");
    t.Mark({}, -1);
    EXPECT_TRUE(properties(&shown).empty());
}
