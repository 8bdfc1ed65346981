// The Win32 layer on real windows: command routing view -> frame -> application, notifications reflected to
// the control that sent them, the dialog data exchange, the modal loop, and the boundary that keeps C++
// exceptions out of the system's frames.
#include <gtest/gtest.h>

#include <new>

#include "ansi_path.h"
#include "controls.h"
#include "dialog.h"
#include "file_dialog.h"
#include "frame_wnd.h"
#include "gui_test_support.h"
#include "resource.h"
#include "test_support.h"
#include "win_app.h"

namespace {

std::vector<std::string> g_log;

class TestApp : public CWinApp {
protected:
    BOOL HandleCommand(UINT nID, int nCode) override {
        static const CommandEntry<TestApp> kCommands[] = {{ID_APP_ABOUT, &TestApp::OnAbout},
                                                          {ID_FILE_NEW, &TestApp::OnNew}};
        return DispatchCommand(this, kCommands, nID, nCode);
    }
    void OnAbout() { g_log.push_back("app:about"); }
    void OnNew() { g_log.push_back("app:new"); }
};

class TestFrame : public CFrameWnd {
protected:
    BOOL HandleCommand(UINT nID, int nCode) override {
        static const CommandEntry<TestFrame> kCommands[] = {{ID_ACTION_TEST, &TestFrame::OnTest},
                                                            {ID_FILE_NEW, &TestFrame::OnNew}};
        return DispatchCommand(this, kCommands, nID, nCode);
    }
    void OnTest() { g_log.push_back("frame:test"); }
    void OnNew() { g_log.push_back("frame:new"); }
};

class TestView : public CFormView {
public:
    TestView() : CFormView(IDD_SQUOZEN_FORM) {}

protected:
    BOOL HandleCommand(UINT nID, int nCode) override {
        static const CommandEntry<TestView> kCommands[] = {{ID_ACTION_TEST, &TestView::OnTest},
                                                           {ID_TOOL_OPEN, &TestView::OnOpen}};
        return DispatchCommand(this, kCommands, nID, nCode);
    }
    void OnTest() { g_log.push_back("view:test"); }
    void OnOpen() { g_log.push_back("view:open"); }
};

class Layer : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        AfxInitCommonControls();
    }
};

}  // namespace

TEST_F(Layer, CommandsReachTheViewThenTheFrameThenTheApplication) {
    TestApp app;
    TestFrame frame;
    ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME, L"Zenvola SWF Optimizer"));
    app.m_pMainWnd = &frame;
    TestView view;
    RECT r = {0, 0, 300, 200};
    ASSERT_TRUE(view.Create(&frame, 59648, r));
    frame.SetActiveView(&view);

    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_ACTION_TEST, 0), 0);  // both view and frame: the view wins
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOL_OPEN, 0), 0);    // the view only
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 1), 0);     // accelerator: frame before app
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_APP_ABOUT, 0), 0);    // the application only
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP_MAIL, 0), 0);    // nobody
    EXPECT_EQ(g_log, (std::vector<std::string>{"view:test", "view:open", "frame:new", "app:about"}));

    // Asking only: who handles what, without running anything.
    g_log.clear();
    EXPECT_TRUE(frame.OnCmdMsg(ID_TOOL_OPEN, CN_UPDATE_COMMAND_UI));
    EXPECT_TRUE(frame.OnCmdMsg(ID_APP_ABOUT, CN_UPDATE_COMMAND_UI));
    EXPECT_FALSE(frame.OnCmdMsg(ID_HELP_MAIL, CN_UPDATE_COMMAND_UI));
    // A control's notification other than a click is not a command.
    EXPECT_FALSE(frame.OnCmdMsg(ID_TOOL_OPEN, EN_CHANGE));
    EXPECT_TRUE(g_log.empty());

    // A toolbar button of the frame sends its command to the frame, which routes it to the view.
    CToolBarCtrl bar;
    ASSERT_TRUE(bar.Create(WS_VISIBLE | TBSTYLE_FLAT, &frame, AFX_IDW_TOOLBAR));
    ASSERT_TRUE(bar.LoadToolBar(IDR_MAINFRAME));
    ASSERT_EQ(bar.GetButtonCount(), 7);
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOL_OPEN, BN_CLICKED), reinterpret_cast<LPARAM>(bar.m_hWnd));
    EXPECT_EQ(g_log, (std::vector<std::string>{"view:open"}));

    view.DestroyWindow();
    frame.DestroyWindow();
    MSG quit;
    EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the main window's end quits";
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST_F(Layer, MenusEnableTheCommandsSomebodyHandles) {
    TestApp app;
    TestFrame frame;
    ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME, L"Zenvola SWF Optimizer"));
    app.m_pMainWnd = &frame;
    TestView view;
    RECT r = {0, 0, 300, 200};
    ASSERT_TRUE(view.Create(&frame, 59648, r));
    frame.SetActiveView(&view);
    HMENU actions = ::GetSubMenu(::GetMenu(frame.m_hWnd), 1);  // 测试 (view and frame), 优化, 全部移除
    HMENU help = ::GetSubMenu(::GetMenu(frame.m_hWnd), 3);     // ... and the application's About
    auto enabled = [](HMENU m, int pos) {
        return !(::GetMenuState(m, static_cast<UINT>(pos), MF_BYPOSITION) & MF_GRAYED);
    };
    frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(actions), MAKELPARAM(1, FALSE));
    EXPECT_TRUE(enabled(actions, 0));
    EXPECT_FALSE(enabled(actions, 1));
    EXPECT_FALSE(enabled(actions, 3));
    frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(help), MAKELPARAM(3, FALSE));
    EXPECT_FALSE(enabled(help, 0));
    EXPECT_TRUE(enabled(help, 4));
    EXPECT_TRUE(g_log.empty()) << "asking must not run a command";
    view.DestroyWindow();
    frame.DestroyWindow();
    sqztest::PumpPending();
    MSG quit;
    ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(Layer, AcceleratorsOfTheFrameTurnKeysIntoCommands) {
    TestApp app;
    TestFrame frame;
    ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME, L"Zenvola SWF Optimizer"));
    app.m_pMainWnd = &frame;
    ASSERT_NE(frame.GetAccelerators(), nullptr);
    ::ShowWindow(frame.m_hWnd, SW_SHOW);
    ::SetForegroundWindow(frame.m_hWnd);
    frame.SetFocus();
    MSG msg = {frame.m_hWnd, WM_KEYDOWN, 'N', 0, 0, {0, 0}};
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    EXPECT_TRUE(CWinApp::WalkPreTranslateTree(&msg));
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(g_log, (std::vector<std::string>{"frame:new"}));
    frame.DestroyWindow();
    sqztest::PumpPending();
}

namespace {

// A list control that takes its own column clicks, as the sortable list does.
class ReflectingList : public CListCtrl {
public:
    int clicks = 0;
    int lastColumn = -1;

protected:
    BOOL OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* pResult) override {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (msg != WM_NOTIFY || hdr->code != LVN_COLUMNCLICK) return FALSE;
        ++clicks;
        lastColumn = reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem;
        *pResult = 0;
        return TRUE;
    }
};

}  // namespace

TEST_F(Layer, NotificationsAreReflectedToTheControlThatSentThem) {
    sqztest::HostWindow host({30, 30, 430, 330});
    ReflectingList list;
    RECT r = {0, 0, 380, 250};
    ASSERT_TRUE(list.CreateEx(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, r, host.m_hWnd, 1000));
    EXPECT_EQ(CWnd::FromHandlePermanent(list.m_hWnd), &list);
    list.InsertColumn(0, L"a", LVCFMT_LEFT, 100);
    list.InsertColumn(1, L"b", LVCFMT_LEFT, 100);
    list.InsertItem(0, "row");

    // A real click on the second header item: header -> list view -> host -> reflected to the list.
    HWND header = list.GetHeaderCtrl();
    RECT item;
    Header_GetItemRect(header, 1, &item);
    LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    ::SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(header, WM_LBUTTONUP, 0, at);
    sqztest::PumpPending();
    EXPECT_EQ(list.clicks, 1);
    EXPECT_EQ(list.lastColumn, 1);
    for (UINT code : host.m_unreflected) EXPECT_NE(code, static_cast<UINT>(LVN_COLUMNCLICK));

    // What the list does not take reaches the parent's own handler.
    NMHDR other = {list.m_hWnd, 1000, NM_RCLICK};
    host.SendMessage(WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&other));
    ASSERT_FALSE(host.m_unreflected.empty());
    EXPECT_EQ(host.m_unreflected.back(), static_cast<UINT>(NM_RCLICK));

    // Unbound, the control is the system's again and its parent sees everything.
    HWND hList = list.UnsubclassWindow();
    EXPECT_EQ(CWnd::FromHandlePermanent(hList), nullptr);
    ::DestroyWindow(hList);
}

namespace {

class ThrowingWnd : public CWnd {
protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        if (msg == WM_APP) throw std::bad_alloc();
        return CWnd::OnWndMsg(msg, wParam, lParam, pResult);
    }
};

}  // namespace

TEST_F(Layer, NothingEscapesAWindowProcedure) {
    ASSERT_TRUE(CWnd::RegisterWndClass(L"SqzThrowing"));
    ThrowingWnd wnd;
    RECT r = {0, 0, 10, 10};
    ASSERT_TRUE(wnd.CreateEx(0, L"SqzThrowing", L"", WS_POPUP, r, nullptr, 0));
    EXPECT_EQ(wnd.SendMessage(WM_APP), 0);
    EXPECT_TRUE(wnd.IsWindow());
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

namespace {

// The Options template driven through the generic exchange: check boxes, the radio group and an edit put on
// the template at run time.
class ExchangeDlg : public CDialog {
public:
    ExchangeDlg() : CDialog(IDD_OPTIONS) {}
    int check = 0;
    int radio = -1;
    int number = 0;
    std::string text;
    CWnd bound;
    bool endInInit = false;
    BOOL ok = TRUE;

protected:
    BOOL OnInitDialog() override {
        RECT r = {0, 0, 50, 12};
        ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_GROUP, r.left, r.top, r.right, r.bottom, m_hWnd,
                          reinterpret_cast<HMENU>(2000), nullptr, nullptr);
        CDialog::OnInitDialog();
        if (endInInit) EndDialog(77);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Check(pDX, IDC_OPTION_BACKUP, check);
        DDX_Radio(pDX, IDC_DBLCLICK_VIEW, radio);
        DDX_Control(pDX, IDC_OPTIONS_SAVE, bound);
        if (pDX->m_bSaveAndValidate) {
            DDX_Text(pDX, 2000, text);
            DDX_Text(pDX, 2000, number);
        }
    }
};

}  // namespace

TEST_F(Layer, DataExchangeBothWays) {
    ExchangeDlg dlg;
    dlg.check = 7;  // outside 0..2: shown unchecked, member set to 0
    dlg.radio = 1;
    sqztest::DriveModal([&] { return dlg.DoModal(); },
                        [&](HWND h) {
                            EXPECT_EQ(dlg.check, 0);
                            EXPECT_EQ(::SendDlgItemMessageA(h, IDC_OPTION_BACKUP, BM_GETCHECK, 0, 0), BST_UNCHECKED);
                            EXPECT_EQ(::SendDlgItemMessageA(h, IDC_DBLCLICK_TEST, BM_GETCHECK, 0, 0), BST_CHECKED);
                            EXPECT_EQ(dlg.bound.m_hWnd, ::GetDlgItem(h, IDC_OPTIONS_SAVE));
                            EXPECT_EQ(CWnd::FromHandlePermanent(dlg.bound.m_hWnd), &dlg.bound);

                            // Only radio buttons count in the group, which runs to the next WS_GROUP control (the
                            // edit).
                            ::SendDlgItemMessageA(h, IDC_DBLCLICK_TEST, BM_SETCHECK, BST_UNCHECKED, 0);
                            ::SendDlgItemMessageA(h, IDC_DBLCLICK_OPTIMIZE, BM_SETCHECK, BST_CHECKED, 0);
                            ::SendDlgItemMessageA(h, IDC_OPTION_BACKUP, BM_SETCHECK, BST_CHECKED, 0);
                            ::SetDlgItemTextA(h, 2000, " 42 ");
                            EXPECT_TRUE(dlg.UpdateData(TRUE));
                            EXPECT_EQ(dlg.check, 1);
                            EXPECT_EQ(dlg.radio, 2);
                            EXPECT_EQ(dlg.number, 42);
                            EXPECT_EQ(dlg.text, " 42 ");

                            ::SendDlgItemMessageA(h, IDC_DBLCLICK_OPTIMIZE, BM_SETCHECK, BST_UNCHECKED, 0);
                            ::SetDlgItemTextA(h, 2000, "4x2");
                            EXPECT_FALSE(dlg.UpdateData(TRUE));  // not an integer: refused, the member keeps its value
                            EXPECT_EQ(dlg.radio, -1);
                            EXPECT_EQ(dlg.number, 42);
                            EXPECT_EQ(::GetFocus(), ::GetDlgItem(h, 2000));

                            dlg.radio = 9;  // matches no button: all unchecked
                            dlg.UpdateData(FALSE);
                            for (int id : {IDC_DBLCLICK_VIEW, IDC_DBLCLICK_TEST, IDC_DBLCLICK_OPTIMIZE})
                                EXPECT_EQ(::SendDlgItemMessageA(h, id, BM_GETCHECK, 0, 0), BST_UNCHECKED);
                            // IDOK with a refused value keeps the dialog open; IDCANCEL closes it.
                            ::SendMessageA(h, WM_COMMAND, IDOK, 0);
                            EXPECT_TRUE(::IsWindowVisible(h));
                            ::SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
                        });
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.bound.m_hWnd, nullptr);  // the control went with its dialog
}

TEST_F(Layer, ModalLoopEndsFromInitAndHandsQuitOn) {
    ExchangeDlg early;
    early.endInInit = true;
    EXPECT_EQ(early.DoModal(), 77);

    ExchangeDlg dlg;
    sqztest::DriveModal([&] { return dlg.DoModal(); },
                        [](HWND) {
                            // In the queue's order, so that it arrives before the driver's own bookkeeping messages.
                            ::PostThreadMessageA(::GetCurrentThreadId(), WM_QUIT, 5, 0);
                        });
    MSG quit;
    ASSERT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 5u);

    CDialog missing(4711);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(Layer, FileDialogResultsSplitIntoFullPaths) {
    using Paths = std::vector<std::wstring>;
    const wchar_t single[] = L"C:\\m\\intro.swf\0";
    EXPECT_EQ(CFileDialog::SplitResult(single, sizeof(single) / sizeof(wchar_t)), (Paths{L"C:\\m\\intro.swf"}));
    const wchar_t several[] = L"D:\\movies\0a.swf\0b c.swf\0\0";
    EXPECT_EQ(CFileDialog::SplitResult(several, sizeof(several) / sizeof(wchar_t)),
              (Paths{L"D:\\movies\\a.swf", L"D:\\movies\\b c.swf"}));
    const wchar_t root[] = L"D:\\\0a.swf\0b.swf\0\0";
    EXPECT_EQ(CFileDialog::SplitResult(root, sizeof(root) / sizeof(wchar_t)), (Paths{L"D:\\a.swf", L"D:\\b.swf"}));
    // A buffer without its terminating zeros is read no further than its size.
    const wchar_t cut[4] = {L'a', L'b', L'c', L'd'};
    EXPECT_EQ(CFileDialog::SplitResult(cut, 4), (Paths{L"abcd"}));
    EXPECT_TRUE(CFileDialog::SplitResult(L"\0", 1).empty());

    CFileDialog open(TRUE, L"*.swf", L"*.swf", OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST,
                     L"Flash (*.swf)|*.swf||");
    EXPECT_STREQ(open.m_ofn.lpstrDefExt, L"swf");  // the system appends the text as it stands
    EXPECT_EQ(std::wstring(open.m_ofn.lpstrFilter, 22), std::wstring(L"Flash (*.swf)\0*.swf\0\0", 22));
    EXPECT_EQ(open.m_ofn.nMaxFile, static_cast<DWORD>(MAX_PATH));
    EXPECT_STREQ(open.m_ofn.lpstrFile, L"*.swf");
    EXPECT_EQ(open.m_ofn.lStructSize, sizeof(OPENFILENAMEW));

    // Chosen movies as ANSI paths: a name the ANSI code page cannot hold by its short form, or, on a volume that
    // keeps none, not at all.
    sqztest::ScratchDir dir;
    std::wstring folder(dir.path().size(), L'\0');
    folder.resize(
        static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, dir.path().data(), static_cast<int>(dir.path().size()),
                                                  &folder[0], static_cast<int>(folder.size()))));
    const std::wstring odd = L"\u30e0\u30fc\u30d3\u30fc\U0001F600.swf";
    for (const std::wstring& name : {std::wstring(L"a.swf"), odd, std::wstring(L"\u52a8\u753b.swf")})
        ::CloseHandle(::CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    std::wstring result = folder + L'\0' + L"a.swf" + L'\0' + odd + L'\0' + L"\u52a8\u753b.swf" + L'\0';
    std::copy(result.begin(), result.end(), open.m_ofn.lpstrFile);
    wchar_t shortForm[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameW((folder + odd).c_str(), shortForm, MAX_PATH), 0u);
    char shortAnsi[MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, shortForm, -1, shortAnsi, MAX_PATH, nullptr, nullptr);
    EXPECT_EQ(open.GetPathNames(),
              (std::vector<std::string>{dir / "a.swf", shortAnsi, dir / sqztest::Ansi("动画.swf")}));
    ansi_path::ShortPathLookupInUse() = [](const std::wstring&) { return std::wstring(); };
    EXPECT_EQ(open.GetPathNames(), (std::vector<std::string>{dir / "a.swf", dir / sqztest::Ansi("动画.swf")}));
    ansi_path::ShortPathLookupInUse() = ansi_path::VolumeShortPath;
}

TEST_F(Layer, ControlWrappersOverRealControls) {
    sqztest::HostWindow host({40, 40, 640, 440});
    CStatusBarCtrl status;
    ASSERT_TRUE(status.Create(WS_VISIBLE, &host, AFX_IDW_STATUS_BAR));
    ASSERT_TRUE(status.SetParts({300, 700, -1}));
    std::vector<int> parts;
    EXPECT_EQ(status.GetParts(&parts), 3);
    EXPECT_EQ(parts, (std::vector<int>{300, 700, -1}));
    // The controls hold UTF-16: a text the ANSI code page cannot hold (Korean, an emoji on a Chinese system) comes
    // back whole, and a narrow text of the ANSI code page goes in and comes out as it is.
    const std::wstring wide = L"\ud55c\uae00 \U0001F600 " + sqztest::Wide("共计 3 个文件");
    status.SetText(2, wide);
    EXPECT_EQ(status.GetText(2), wide);
    EXPECT_EQ(::IsWindowUnicode(status.m_hWnd), TRUE);

    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&host));
    RECT area = {0, 0, 100, 20};
    EXPECT_TRUE(tip.AddTool(&host, L"mailto:support@zenvola.com", area, 1));
    EXPECT_EQ(tip.GetToolCount(), 1);
    EXPECT_EQ(tip.GetText(&host, 1), L"mailto:support@zenvola.com");
    tip.UpdateTipText(wide, &host, 1);
    EXPECT_EQ(tip.GetText(&host, 1), wide);

    CListCtrl list;
    RECT r = {0, 0, 500, 300};
    ASSERT_TRUE(list.CreateEx(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, r, host.m_hWnd, 1000));
    list.InsertColumn(0, L"name", LVCFMT_LEFT, 100);
    list.InsertColumn(1, wide, LVCFMT_LEFT, 100);
    EXPECT_EQ(list.InsertItem(0, std::string(700, 'x')), 0);
    EXPECT_EQ(list.GetItemText(0, 0), std::string(700, 'x'));  // longer than the first buffer
    EXPECT_EQ(list.GetItemText(0, 3), "");
    const std::string ansi = sqztest::Ansi("动画 乗亅.swf");  // second bytes 0x5C and 0x7C in code page 936
    EXPECT_TRUE(list.SetItemText(0, 1, ansi));
    EXPECT_EQ(list.GetItemText(0, 1), ansi);
    EXPECT_EQ(list.GetItemTextW(0, 1), sqztest::Wide("动画 乗亅.swf"));
    EXPECT_TRUE(list.SetItemText(0, 1, wide));
    EXPECT_EQ(list.GetItemTextW(0, 1), wide);
    wchar_t heading[64] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT;
    column.pszText = heading;
    column.cchTextMax = 64;
    ASSERT_TRUE(list.SendMessage(LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(std::wstring(heading), wide);
    tip.DestroyWindow();
}
