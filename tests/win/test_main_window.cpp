// The main window as the program builds it, driven in this process: start-up state, the list's columns and rows
// for the sample movies, Open's duplicate and existence tests, the status panes, the greying of every menu and
// popup, the keyboard commands, the double-click action, Options, and the temp folder emptied on close and Exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include "gui_test_support.h"
#include "resource.h"
#include "window_test_support.h"

using sqztest::Ansi;
using sqztest::ListRow;
using sqztest::ProgramFixture;

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Grouped(long long n) {
    std::string digits = std::to_string(n), text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

// What the row of a sample movie must show, from the corpus's own description of the file.
ListRow ExpectedRow(const sqztest::OracleRow& o) {
    ListRow row;
    row.cells[0] = o.at("name");
    row.cells[1] = sqztest::CorpusDir();
    long long version = sqztest::Num(o, "version");
    // The corpus's table calls an LZMA movie ("ZWS", which it does not decode) "other"; the corpus's one is whole.
    const sqztest::Bytes head = sqztest::Slice(sqztest::ReadAll(sqztest::CorpusDir() + o.at("name")), 0, 3);
    bool lzma = head == sqztest::Bytes{'Z', 'W', 'S'};
    bool compressed = o.at("signature") == "CWS" || lzma;
    bool readable =
        lzma || (o.at("signature") == "CWS" ? sqztest::Num(o, "body_len") != -1
                                            : o.at("signature") == "FWS" && sqztest::Num(o, "file_size") >= 8);
    // Every version from 1 on is a movie; 8 and later look like 7.
    if (!readable || version < 1) {
        row.cells[6] = "Bad Flash File";
        row.image = -1;
        return row;
    }
    // A compressed movie shows its size on disk, an uncompressed one the length its header gives.
    row.cells[2] = Grouped(sqztest::Num(o, compressed ? "file_size" : "declared_len"));
    row.cells[5] = std::to_string(version);
    row.cells[6] = Ansi(compressed ? "已优化" : "就绪");
    row.image = version == 6 ? 1 : 0;
    return row;
}

void ExpectRow(const ListRow& got, const ListRow& want, const std::string& what) {
    for (int c = 0; c < 7; ++c) EXPECT_EQ(got.cells[c], want.cells[c]) << what << ", column " << c;
    EXPECT_EQ(got.image, want.image) << what;
}

RECT WindowRect(HWND h) {
    RECT r;
    ::GetWindowRect(h, &r);
    return r;
}

// Makes the view's client area `width` pixels wide by resizing the frame.
void SetViewWidth(ProgramFixture& p, int width) {
    RECT frame = WindowRect(p.frame().m_hWnd), client;
    p.view().GetClientRect(&client);
    ::SetWindowPos(p.frame().m_hWnd, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                   frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
    sqztest::PumpPending();
}

std::vector<int> ColumnWidths(CListCtrl& list) {
    std::vector<int> widths;
    for (int c = 0; c < 7; ++c) widths.push_back(list.GetColumnWidth(c));
    return widths;
}

// The height of the font control `hWnd` draws with, in pixels.
int FontHeight(HWND hWnd) {
    LOGFONTA lf = {};
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(hWnd, WM_GETFONT, 0, 0));
    if (!font) return 0;
    ::GetObjectA(font, sizeof(lf), &lf);
    return lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
}

SIZE ImageSize(HIMAGELIST images) {
    SIZE size = {0, 0};
    int cx = 0, cy = 0;
    if (images && ImageList_GetIconSize(images, &cx, &cy)) size = {cx, cy};
    return size;
}

}  // namespace

TEST(MainWindow, StartsWithItsTitleTheSevenColumnsAndAnEmptyList) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    HWND main = p.frame().m_hWnd;
    EXPECT_EQ(sqztest::WindowText(main), "Zenvola SWF Optimizer");
    EXPECT_EQ(::FindWindowA(nullptr, "Zenvola SWF Optimizer"), main);
    EXPECT_EQ(::FindWindowW(CFrameWnd::kClassName, L"Zenvola SWF Optimizer"), main) << "found by class and title";
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(AfxGetMainWnd(), &p.frame());
    HANDLE mutex = ::OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutexName);
    EXPECT_NE(mutex, nullptr) << "the single-instance mutex exists";
    if (mutex) ::CloseHandle(mutex);

    // Centred on the work area.
    RECT r = WindowRect(main), area;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR((r.left + r.right) / 2, (area.left + area.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (area.top + area.bottom) / 2, 1);

    // The columns: headings, alignments, the extended styles, the widths in fortieths of the view, the images.
    const char* headings[7] = {"名称", "路径", "原始大小", "优化后大小", "比率", "版本", "注释"};
    const int formats[7] = {LVCFMT_LEFT,  LVCFMT_LEFT,   LVCFMT_RIGHT, LVCFMT_RIGHT,
                            LVCFMT_RIGHT, LVCFMT_CENTER, LVCFMT_CENTER};
    CSortingListCtrl& list = p.list();
    EXPECT_EQ(list.GetDlgCtrlID(), IDC_FILE_LIST);
    ASSERT_EQ(list.m_header.GetItemCount(), 7);
    RECT client;
    p.view().GetClientRect(&client);
    for (int c = 0; c < 7; ++c) {
        char text[64] = {};
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_FMT;
        col.pszText = text;
        col.cchTextMax = sizeof(text);
        ASSERT_TRUE(list.SendMessage(LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&col)));
        EXPECT_EQ(std::string(text), Ansi(headings[c]));
        EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, formats[c]) << "column " << c;
    }
    EXPECT_EQ(list.GetExtendedStyle(), static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
    const int fortieths[7] = {8, 10, 5, 6, 3, 3, 5};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(list.GetColumnWidth(c), fortieths[c] * client.right / 40) << c;
    EXPECT_EQ(list.m_bTextColumn, (std::vector<BOOL>{TRUE, TRUE, FALSE, FALSE, FALSE, FALSE, TRUE}));
    EXPECT_EQ(list.m_bSortable, std::vector<BOOL>(7, TRUE));
    HIMAGELIST images = ListView_GetImageList(list.m_hWnd, LVSIL_SMALL);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 4);
    RECT listRect = WindowRect(list.m_hWnd), viewRect = WindowRect(p.view().m_hWnd);
    EXPECT_TRUE(::EqualRect(&listRect, &viewRect)) << "the list fills the view";

    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(p.StatusText(0), "");
    EXPECT_EQ(p.StatusText(1), "");
    EXPECT_EQ(p.StatusText(2), Ansi("共计 0 个文件")) << "the handoff at the end of start-up reports the count";
    EXPECT_EQ(p.frame().GetActiveView(), &p.view()) << "commands reach the view first";

    // The toolbar: seven captioned buttons over 32 x 32 images, none greyed.
    CToolBarCtrl& bar = p.frame().m_wndToolBar;
    ASSERT_EQ(bar.GetButtonCount(), 7);
    const UINT commands[7] = {32782, 32783, 32784, 32789, 32785, 32786, 32790};
    const char* captions[7] = {"打开", "测试", "优化", "移除", "查看", "帮助", "退出"};
    for (int i = 0; i < 7; ++i) {
        TBBUTTON b = {};
        ASSERT_TRUE(bar.GetButton(i, &b));
        EXPECT_EQ(static_cast<UINT>(b.idCommand), commands[i]);
        EXPECT_EQ(b.iBitmap, i);
        EXPECT_TRUE(b.fsState & TBSTATE_ENABLED);
        char text[32] = {};
        bar.SendMessage(TB_GETBUTTONTEXTA, commands[i], reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::string(text), Ansi(captions[i]));
    }
    HIMAGELIST toolImages = reinterpret_cast<HIMAGELIST>(bar.SendMessage(TB_GETIMAGELIST));
    ASSERT_NE(toolImages, nullptr);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(toolImages, &cx, &cy);
    EXPECT_EQ(ImageList_GetImageCount(toolImages), 7);
    EXPECT_EQ(cx, 32);
    EXPECT_EQ(cy, 32);
    // It lies in the one band of a rebar, with a gripper, the band as large as the toolbar; the rebar spans the top.
    CReBarCtrl& rebar = p.frame().m_wndReBar;
    EXPECT_EQ(bar.GetParent(), rebar.m_hWnd);
    ASSERT_EQ(rebar.GetBandCount(), 1);
    REBARBANDINFOW band = {};
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE;
    ASSERT_TRUE(rebar.GetBandInfo(0, &band));
    EXPECT_EQ(band.hwndChild, bar.m_hWnd);
    EXPECT_TRUE(band.fStyle & RBBS_GRIPPERALWAYS);
    SIZE full = {};
    bar.SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&full));
    EXPECT_EQ(band.cyMinChild, static_cast<UINT>(full.cy));
    RECT barRect = WindowRect(bar.m_hWnd), rebarRect = WindowRect(rebar.m_hWnd);
    EXPECT_GE(barRect.bottom - barRect.top, full.cy) << "the buttons are not cut";
    EXPECT_LE(barRect.bottom, rebarRect.bottom);
    RECT frameClient;
    p.frame().GetClientRect(&frameClient);
    EXPECT_EQ(rebarRect.right - rebarRect.left, frameClient.right) << "across the frame";
    EXPECT_EQ(viewRect.top, rebarRect.bottom) << "the view starts under the toolbar's rebar";
    RECT statusRect = WindowRect(p.frame().m_wndStatusBar.m_hWnd);
    EXPECT_EQ(viewRect.bottom, statusRect.top) << "and ends over the status bar";
}

TEST(MainWindow, TakesNoSystemWideHotKeys) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    // Every one of the five keys is still free for other programs while the window is up.
    const std::pair<UINT, UINT> keys[] = {
        {MOD_CONTROL, 'A'}, {0, VK_DELETE}, {MOD_CONTROL, 'O'}, {MOD_CONTROL, 'N'}, {MOD_CONTROL, 'S'}};
    int id = 0x5100;
    for (const auto& key : keys) {
        EXPECT_TRUE(::RegisterHotKey(nullptr, id, key.first, key.second)) << "key " << key.second;
        ::UnregisterHotKey(nullptr, id++);
    }
}

TEST(MainWindow, ColumnWidthsFollowTheViewWidth) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    SetViewWidth(p, 400);
    EXPECT_EQ(ColumnWidths(p.list()), (std::vector<int>{80, 100, 50, 60, 30, 30, 50}));
    SetViewWidth(p, 399);
    EXPECT_EQ(ColumnWidths(p.list()), (std::vector<int>{79, 99, 49, 59, 29, 29, 49}));
    // A width the user dragged goes at the next resize.
    p.list().SetColumnWidth(0, 250);
    SetViewWidth(p, 600);
    EXPECT_EQ(ColumnWidths(p.list()), (std::vector<int>{120, 150, 75, 90, 45, 45, 75}));
    RECT client, list;
    p.view().GetClientRect(&client);
    p.list().GetClientRect(&list);
    EXPECT_EQ(WindowRect(p.list().m_hWnd).right - WindowRect(p.list().m_hWnd).left, client.right);
}

TEST(MainWindow, MovedToAMonitorOfAnotherDpiItsImagesFontsAndLayoutFollow) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    // Two movies with images: a version-4 one and a compressed version-6 one.
    p.AddFiles({sqztest::CorpusDir() + "swfdec-chartoascii-4.swf", sqztest::CorpusDir() + "swfdec-Function-6.swf"});
    CMainFrame& frame = p.frame();
    CToolBarCtrl& bar = frame.m_wndToolBar;
    HWND list = p.list().m_hWnd, status = frame.m_wndStatusBar.m_hWnd;
    auto toolImages = [&] { return reinterpret_cast<HIMAGELIST>(bar.SendMessage(TB_GETIMAGELIST)); };
    auto listImages = [&] { return ListView_GetImageList(list, LVSIL_SMALL); };
    // This display runs at 96 DPI: the images drawn at 32 and 16 pixels.
    HDC screen = ::GetDC(nullptr);
    ASSERT_EQ(::GetDeviceCaps(screen, LOGPIXELSY), 96);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(ImageSize(toolImages()).cx, 32);
    EXPECT_EQ(ImageSize(listImages()).cx, 16);
    const RECT start = WindowRect(frame.m_hWnd);
    const int barFont = FontHeight(bar.m_hWnd), statusFont = FontHeight(status), listFont = FontHeight(list);
    const LRESULT button = bar.SendMessage(TB_GETBUTTONSIZE);
    ASSERT_GT(barFont, 0);
    ASSERT_GT(statusFont, 0);
    ASSERT_GT(listFont, 0);

    // What the system sends when the window moves to a monitor of another scale: the new DPI and a rectangle.
    struct Monitor {
        UINT dpi;
        RECT suggested;
        int toolbar, images;  // the sizes of the images drawn for it
    } const kMonitors[] = {{144, {40, 30, 1040, 690}, 48, 24},
                           {192, {0, 0, 1270, 1000}, 64, 32},
                           {120, {10, 10, 900, 600}, 32, 16},
                           {96, start, 32, 16}};
    for (const Monitor& m : kMonitors) {
        SCOPED_TRACE(m.dpi);
        RECT suggested = m.suggested;
        frame.SendMessage(WM_DPICHANGED, MAKEWPARAM(m.dpi, m.dpi), reinterpret_cast<LPARAM>(&suggested));
        sqztest::PumpPending();
        RECT now = WindowRect(frame.m_hWnd);
        EXPECT_TRUE(::EqualRect(&now, &m.suggested)) << "the window takes the suggested rectangle";
        EXPECT_EQ(ImageSize(toolImages()).cx, m.toolbar);
        EXPECT_EQ(ImageSize(toolImages()).cy, m.toolbar);
        EXPECT_EQ(ImageList_GetImageCount(toolImages()), 7);
        EXPECT_EQ(ImageSize(listImages()).cx, m.images);
        EXPECT_EQ(ImageSize(listImages()).cy, m.images);
        EXPECT_EQ(ImageList_GetImageCount(listImages()), 4);
        EXPECT_EQ(FontHeight(bar.m_hWnd), ::MulDiv(barFont, m.dpi, 96));
        EXPECT_EQ(FontHeight(status), ::MulDiv(statusFont, m.dpi, 96));
        EXPECT_EQ(FontHeight(list), ::MulDiv(listFont, m.dpi, 96));

        // The buttons at the scale, whole in their band; the view between the band and the status bar, the list
        // filling it with the columns in their shares.
        LRESULT size = bar.SendMessage(TB_GETBUTTONSIZE);
        EXPECT_EQ(LOWORD(size), ::MulDiv(LOWORD(button), m.dpi, 96));
        EXPECT_GE(HIWORD(size), m.toolbar + FontHeight(bar.m_hWnd));
        SIZE full = {};
        bar.SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&full));
        REBARBANDINFOW band = {};
        band.fMask = RBBIM_CHILDSIZE;
        ASSERT_TRUE(frame.m_wndReBar.GetBandInfo(0, &band));
        EXPECT_EQ(band.cyMinChild, static_cast<UINT>(full.cy));
        RECT barRect = WindowRect(bar.m_hWnd), rebarRect = WindowRect(frame.m_wndReBar.m_hWnd);
        RECT viewRect = WindowRect(p.view().m_hWnd), listRect = WindowRect(list), statusRect = WindowRect(status);
        EXPECT_GE(barRect.bottom - barRect.top, full.cy) << "the buttons are not cut";
        EXPECT_EQ(viewRect.top, rebarRect.bottom);
        EXPECT_EQ(viewRect.bottom, statusRect.top);
        EXPECT_TRUE(::EqualRect(&listRect, &viewRect));
        EXPECT_EQ(p.list().GetColumnWidth(1), 10 * (viewRect.right - viewRect.left) / 40);
        if (m.dpi == 192) {
            sqztest::RepaintNow(frame.m_hWnd);
            EXPECT_TRUE(sqztest::WaitUntilDisplayed(frame.m_hWnd));
            EXPECT_TRUE(sqztest::SaveWindowPng(frame.m_hWnd, sqztest::ScreenshotPath("main_window_moved_to_200.png")));
        }
    }
    // Back at 96 DPI everything is as at the start.
    EXPECT_EQ(bar.SendMessage(TB_GETBUTTONSIZE), button);
    EXPECT_EQ(FontHeight(list), listFont);

    // Minimised, the window lays nothing out when its DPI changes, and the widths the user gave the columns survive
    // both the change and the restore, which lays the window out for its taller bars (the view's height changes,
    // not its width).
    auto clientSize = [](HWND hWnd) {
        RECT r;
        ::GetClientRect(hWnd, &r);
        return SIZE{r.right, r.bottom};
    };
    p.list().SetColumnWidth(0, 250);
    const std::vector<int> dragged = ColumnWidths(p.list());
    const SIZE viewBefore = clientSize(p.view().m_hWnd);
    ::ShowWindow(frame.m_hWnd, SW_MINIMIZE);
    sqztest::PumpPending();
    ASSERT_TRUE(::IsIconic(frame.m_hWnd));
    RECT suggested = {40, 30, 1040, 690};
    frame.SendMessage(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    sqztest::PumpPending();
    EXPECT_TRUE(::IsIconic(frame.m_hWnd));
    EXPECT_EQ(ImageSize(toolImages()).cx, 48) << "the images and fonts follow the DPI at once";
    EXPECT_EQ(FontHeight(list), ::MulDiv(listFont, 144, 96));
    EXPECT_EQ(clientSize(p.view().m_hWnd).cx, viewBefore.cx) << "no layout while minimised";
    EXPECT_EQ(clientSize(p.view().m_hWnd).cy, viewBefore.cy) << "no layout while minimised";
    EXPECT_EQ(ColumnWidths(p.list()), dragged);
    ::ShowWindow(frame.m_hWnd, SW_RESTORE);
    sqztest::PumpPending();
    EXPECT_LT(clientSize(p.view().m_hWnd).cy, viewBefore.cy) << "laid out when restored, for the taller bars";
    EXPECT_EQ(ColumnWidths(p.list()), dragged);
}

TEST(MainWindow, RowsOfTheSampleMoviesShowTheirPropertiesImagesAndComments) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    std::vector<sqztest::OracleRow> oracle = sqztest::LoadTable("oracle.tsv");
    p.AddFiles(sqztest::CorpusMovies());
    std::vector<ListRow> rows = p.Rows();
    ASSERT_EQ(rows.size(), oracle.size());
    int bad = 0, ready = 0, optimized = 0, later = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        ListRow want = ExpectedRow(oracle[i]);
        ExpectRow(rows[i], want, oracle[i].at("name"));
        bad += want.cells[6] == "Bad Flash File";
        ready += want.cells[6] == Ansi("就绪");
        optimized += want.cells[6] == Ansi("已优化");
        // Rows of version 8 and later have the image (ExpectRow) and the tint of version 7.
        if (want.image == 0 && std::atoi(want.cells[5].c_str()) >= 8) {
            ++later;
            EXPECT_EQ(CSortingListCtrl::VersionTint(std::atoi(rows[i].cells[5].c_str())),
                      CSortingListCtrl::VersionTint(7))
                << oracle[i].at("name");
        }
    }
    EXPECT_GT(bad, 0);
    EXPECT_GT(ready, 0);
    EXPECT_GT(optimized, 0);
    EXPECT_GT(later, 20);
    EXPECT_EQ(p.StatusText(2), Ansi("共计 " + std::to_string(oracle.size()) + " 个文件"));
    // Nothing is selected by adding rows.
    for (const ListRow& row : rows) EXPECT_FALSE(row.selected);
}

TEST(MainWindow, OpenSkipsFilesAlreadyListedInAnyCaseAndFilesThatAreGone) {
    sqztest::ScratchDir dir;
    std::vector<std::string> movies = sqztest::CorpusMovies();
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    p.AddFiles({movies[0]});
    ASSERT_EQ(p.list().GetItemCount(), 1);

    p.AddFiles({Upper(movies[0]), dir / "gone.swf", movies[1], movies[2]});
    std::vector<ListRow> rows = p.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells[1] + rows[0].cells[0], movies[0]);
    EXPECT_EQ(rows[1].cells[1] + rows[1].cells[0], movies[1]);
    EXPECT_EQ(rows[2].cells[1] + rows[2].cells[0], movies[2]);
    EXPECT_EQ(p.StatusText(2), Ansi("共计 3 个文件"));

    // When every chosen file is skipped the count is still reported.
    p.frame().SendMessage(WM_FILELIST_COUNT, 99, 0);
    ASSERT_EQ(p.StatusText(2), Ansi("共计 99 个文件"));
    p.AddFiles({movies[2], Upper(movies[1])});
    EXPECT_EQ(p.list().GetItemCount(), 3);
    EXPECT_EQ(p.StatusText(2), Ansi("共计 3 个文件"));
    EXPECT_EQ(p.frame().m_nFileCount, 3);
}

TEST(MainWindow, StatusPanesTheirWidthsAndTexts) {
    // A status bar without a width yet.
    int widths[3];
    CMainFrame::StatusPaneWidths(0, widths);
    EXPECT_EQ(std::vector<int>(widths, widths + 3), (std::vector<int>{120, 200, 100}));

    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    HWND frame = p.frame().m_hWnd, status = p.frame().m_wndStatusBar.m_hWnd;
    for (int width : {1000, 999}) {
        RECT f = WindowRect(frame), s = WindowRect(status);
        ::SetWindowPos(frame, nullptr, 0, 0, (f.right - f.left) + width - (s.right - s.left), f.bottom - f.top,
                       SWP_NOMOVE | SWP_NOZORDER);
        sqztest::PumpPending();
        ASSERT_EQ(WindowRect(status).right - WindowRect(status).left, width);
        std::vector<int> edges;
        ASSERT_EQ(p.frame().m_wndStatusBar.GetParts(&edges), 3);
        int w = width;
        EXPECT_EQ(edges, (std::vector<int>{3 * w / 10, 3 * w / 10 + 4 * w / 10, 3 * w / 10 + 4 * w / 10 + 3 * w / 10}));
        // A size change empties every pane until the next report.
        for (int pane = 0; pane < 3; ++pane) EXPECT_EQ(p.StatusText(pane), "") << width;
    }

    p.frame().SendMessage(WM_FILELIST_SELECTION, 2, 3);
    p.frame().SendMessage(WM_FILELIST_COUNT, 5, 0);
    EXPECT_EQ(p.StatusText(0), Ansi("已选择 2 个文件，3 K"));
    EXPECT_EQ(p.StatusText(1), "");
    EXPECT_EQ(p.StatusText(2), Ansi("共计 5 个文件"));
    EXPECT_EQ(p.frame().m_nSelectedCount, 2);
    EXPECT_EQ(p.frame().m_nFileCount, 5);

    // Minimised and restored (as a second copy of the program does it): all three panes are empty again.
    ::ShowWindow(frame, SW_MINIMIZE);
    ::ShowWindow(frame, SW_RESTORE);
    sqztest::PumpPending();
    for (int pane = 0; pane < 3; ++pane) EXPECT_EQ(p.StatusText(pane), "");
}

TEST(MainWindow, SelectionReportsTheCountAndTheRoundedUpKTotal) {
    sqztest::ScratchDir dir;
    // 1,000 + 2,049 + 1 bytes = 3,050 bytes: 2.98 K, shown as 3 K; a bad row counts nothing.
    std::vector<std::pair<const char*, size_t>> sizes = {{"a.swf", 1000}, {"b.swf", 2049}, {"c.swf", 1}};
    std::vector<std::string> paths;
    for (const auto& s : sizes) {
        sqztest::Bytes body(s.second > 8 ? s.second - 8 : 0, 0);
        sqztest::Bytes data = sqztest::MakeMovie("FWS", 5, static_cast<uint32_t>(s.second), body);
        sqztest::WriteAll(dir / s.first, data);
        paths.push_back(dir / s.first);
    }
    sqztest::WriteAll(dir / "bad.swf", sqztest::Bytes{'x'});
    paths.push_back(dir / "bad.swf");
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    p.AddFiles(paths);
    ASSERT_EQ(p.list().GetItemCount(), 4);
    ASSERT_EQ(p.list().GetItemText(2, 2), "1");

    p.Select({0});
    EXPECT_EQ(p.StatusText(0), Ansi("已选择 1 个文件，1 K"));
    EXPECT_EQ(p.frame().m_nSelectedCount, 1);
    p.Select({0, 1, 2, 3});
    EXPECT_EQ(p.StatusText(0), Ansi("已选择 4 个文件，3 K"));
    p.Select({1});
    EXPECT_EQ(p.StatusText(0), Ansi("已选择 1 个文件，3 K")) << "2,049 bytes are 3 K, rounded up";
    p.Select({3});
    EXPECT_EQ(p.StatusText(0), Ansi("已选择 1 个文件，0 K"));
    p.Select({});
    EXPECT_EQ(p.StatusText(0), Ansi("已选择 0 个文件，0 K"));
    EXPECT_EQ(p.frame().m_nSelectedCount, 0);
}

TEST(MainWindow, MenusAndPopupsGreyWhatDoesNotApply) {
    std::vector<std::string> movies = sqztest::CorpusMovies();
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    HMENU bar = ::GetMenu(p.frame().m_hWnd);
    HMENU file = ::GetSubMenu(bar, 0), action = ::GetSubMenu(bar, 1), options = ::GetSubMenu(bar, 2),
          help = ::GetSubMenu(bar, 3);
    HMENU popups = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LIST_POPUP));
    HMENU selected = ::GetSubMenu(popups, 0), noSelect = ::GetSubMenu(popups, 1);

    // An empty list.
    EXPECT_EQ(p.Greyed(file), "oX-o");
    EXPECT_EQ(p.Greyed(action), "XX-X");
    EXPECT_EQ(p.Greyed(noSelect), "oXX");
    EXPECT_EQ(p.Greyed(selected), "oXoXX");
    EXPECT_EQ(p.Greyed(options), "o");
    EXPECT_EQ(p.Greyed(help), "ooo-o");

    // Rows, none selected.
    p.AddFiles({movies[0], movies[1]});
    EXPECT_EQ(p.Greyed(file), "oX-o");
    EXPECT_EQ(p.Greyed(action), "XX-o");
    EXPECT_EQ(p.Greyed(noSelect), "ooo");

    // One selected row.
    p.Select({1});
    EXPECT_EQ(p.Greyed(file), "oo-o");
    EXPECT_EQ(p.Greyed(action), "oo-o");
    EXPECT_EQ(p.Greyed(selected), "ooooo");
    EXPECT_EQ(p.Greyed(noSelect), "ooo");

    // Two selected rows: Save as, Rename and Properties need exactly one.
    p.Select({0, 1});
    EXPECT_EQ(p.Greyed(file), "oX-o");
    EXPECT_EQ(p.Greyed(action), "oo-o");
    EXPECT_EQ(p.Greyed(selected), "oXoXX");
    EXPECT_EQ(p.Greyed(help), "ooo-o");
    ::DestroyMenu(popups);

    // The toolbar buttons are never greyed.
    p.Select({});
    for (int i = 0; i < 7; ++i) {
        TBBUTTON b = {};
        p.frame().m_wndToolBar.GetButton(i, &b);
        EXPECT_TRUE(b.fsState & TBSTATE_ENABLED) << i;
    }
}

namespace {

// The popup that TrackPopupMenu shows, caught when it opens: its first command and its greyed items.
struct PopupSeen {
    UINT firstCommand = 0;
    std::string greyed;
    int shown = 0;
};
PopupSeen* g_popup = nullptr;

LRESULT CALLBACK WatchPopup(int code, WPARAM wParam, LPARAM lParam) {
    const CWPRETSTRUCT* ret = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && g_popup && ret->message == WM_INITMENUPOPUP) {
        HMENU hMenu = reinterpret_cast<HMENU>(ret->wParam);
        g_popup->firstCommand = ::GetMenuItemID(hMenu, 0);
        g_popup->greyed = sqztest::MenuStates(hMenu);
        ++g_popup->shown;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK EndTheMenu(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_popup || g_popup->shown == 0) return;
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

// Right-clicks the list as a user does and returns what popped up.
PopupSeen RightClick(ProgramFixture& p) {
    PopupSeen seen;
    g_popup = &seen;
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, WatchPopup, nullptr, ::GetCurrentThreadId());
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, EndTheMenu);
    NMHDR click = {p.list().m_hWnd, IDC_FILE_LIST, static_cast<UINT>(NM_RCLICK)};
    p.view().SendMessage(WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
    ::KillTimer(nullptr, timer);
    ::UnhookWindowsHookEx(hook);
    g_popup = nullptr;
    return seen;
}

}  // namespace

TEST(MainWindow, RightClickPopsUpTheMenuForTheSelection) {
    std::vector<std::string> movies = sqztest::CorpusMovies();
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    PopupSeen none = RightClick(p);
    EXPECT_EQ(none.shown, 1);
    EXPECT_EQ(none.firstCommand, static_cast<UINT>(ID_POPUP_OPEN)) << "PopupNoSelect on an empty list";
    EXPECT_EQ(none.greyed, "oXX");

    p.AddFiles({movies[0], movies[1], movies[2]});
    p.Select({0, 2});
    PopupSeen two = RightClick(p);
    EXPECT_EQ(two.firstCommand, static_cast<UINT>(ID_POPUP_VIEW)) << "PopupSelected";
    EXPECT_EQ(two.greyed, "oXoXX") << "only View and Delete";

    p.Select({1});
    PopupSeen one = RightClick(p);
    EXPECT_EQ(one.firstCommand, static_cast<UINT>(ID_POPUP_VIEW));
    EXPECT_EQ(one.greyed, "ooooo");
}

TEST(MainWindow, EveryCommandOfTheMenusToolbarAndPopupsHasItsHandler) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    const UINT ids[] = {32771, 32795, 32782, 32772, 32793, 32773, 32790, 32774, 32783, 32775, 32784, 32800, 32796,
                        32798, 32799, 32785, 32791, 32792, 32789, 32794, 32801, 32777, 32786, 32778, 32779};
    for (UINT id : ids) EXPECT_TRUE(p.view().OnCmdMsg(id, CN_UPDATE_COMMAND_UI)) << id;
    // About belongs to the application, and the framework's New, Open and Print setup too.
    EXPECT_FALSE(p.view().OnCmdMsg(ID_APP_ABOUT, CN_UPDATE_COMMAND_UI));
    for (UINT id : {ID_APP_ABOUT, ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_PRINT_SETUP})
        EXPECT_TRUE(p.frame().OnCmdMsg(id, CN_UPDATE_COMMAND_UI)) << id;
    EXPECT_FALSE(p.frame().OnCmdMsg(ID_EDIT_COPY, CN_UPDATE_COMMAND_UI));
    EXPECT_TRUE(p.view().m_commands.empty()) << "asking runs nothing";

    // A toolbar click reaches the view through the frame.
    p.frame().SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOL_TEST, BN_CLICKED),
                          reinterpret_cast<LPARAM>(p.frame().m_wndToolBar.m_hWnd));
    EXPECT_EQ(p.view().m_commands, (std::vector<UINT>{ID_TOOL_TEST}));
}
