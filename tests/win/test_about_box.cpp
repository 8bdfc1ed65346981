// The About box and its links on real windows: texts, the links' targets, fonts, fitted sizes, colours, hand
// pointer and tooltips; following a link by click and by the space bar (a stand-in takes what the shell opens);
// the hover capture; the web-browser fallback; and the message when nothing can open the target.
#include <gtest/gtest.h>

#include <windows.h>

#include "about_dlg.h"
#include "gui_test_support.h"
#include "hyperlink.h"
#include "resource.h"
#include "window_test_support.h"

using sqztest::Ansi;
using sqztest::ProgramFixture;

namespace {

CHyperLink* LinkOf(HWND dlg, int id) {
    return dynamic_cast<CHyperLink*>(CWnd::FromHandlePermanent(::GetDlgItem(dlg, id)));
}

struct Painted {
    COLORREF text;
    int mode;
    HGDIOBJ brush;
};

// What the dialog tells a static control to paint with (the reflected WM_CTLCOLORSTATIC).
Painted PaintOf(HWND dlg, HWND control) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SetTextColor(dc, RGB(1, 2, 3));
    LRESULT brush =
        ::SendMessageA(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    Painted p = {::GetTextColor(dc), ::GetBkMode(dc), reinterpret_cast<HGDIOBJ>(brush)};
    ::DeleteDC(dc);
    return p;
}

SIZE TextExtent(HWND control) {
    std::string text = sqztest::WindowText(control);
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE extent = {0, 0};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return extent;
}

void Click(HWND control) {
    RECT r;
    ::GetClientRect(control, &r);
    LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    ::SendMessageA(control, WM_MOUSEMOVE, 0, at);
    ::SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(control, WM_LBUTTONUP, 0, at);
}

INT_PTR ShowAbout(ProgramFixture& p) {
    p.frame().SendMessage(WM_COMMAND, ID_APP_ABOUT);
    return 0;
}

}  // namespace

TEST(AboutBox, ShowsTheProductTheMakerAndTwoLinks) {
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    bool shown = false;
    sqztest::DriveModal(
        [&] { return ShowAbout(p); },
        [&](HWND dlg) {
            shown = true;
            EXPECT_EQ(sqztest::WindowText(dlg), Ansi("关于 Zenvola SWF Optimizer"));
            EXPECT_EQ(::GetWindow(dlg, GW_OWNER), p.frame().m_hWnd) << "owned by the main window";
            std::vector<std::string> texts = sqztest::DialogTexts(dlg);
            EXPECT_NE(std::find(texts.begin(), texts.end(), Ansi("Zenvola SWF Optimizer 版本 1.10")), texts.end());
            EXPECT_NE(std::find(texts.begin(), texts.end(), Ansi("技术支持：")), texts.end());

            CHyperLink* home = LinkOf(dlg, IDC_LINK_HOMEPAGE);
            CHyperLink* mail = LinkOf(dlg, IDC_LINK_SUPPORTMAIL);
            ASSERT_NE(home, nullptr);
            ASSERT_NE(mail, nullptr);
            EXPECT_EQ(home->m_strUrl, "http://www.zenvola.com");
            EXPECT_EQ(sqztest::WindowText(home->m_hWnd), "http://www.zenvola.com");
            EXPECT_EQ(mail->m_strUrl, "mailto:support@zenvola.com");
            EXPECT_EQ(sqztest::WindowText(mail->m_hWnd), "E-Mail:support@zenvola.com");
            for (CHyperLink* link : {home, mail}) {
                EXPECT_EQ(link->m_nStyle, 0x15u);
                EXPECT_EQ(link->m_toolTip.GetText(link, 1), sqztest::WideOfAnsi(link->m_strUrl))
                    << "the tooltip shows the target";
                LOGFONTA lf = {};
                ::GetObjectA(reinterpret_cast<HFONT>(link->SendMessage(WM_GETFONT)), sizeof(lf), &lf);
                EXPECT_EQ(lf.lfUnderline, 1);
                // Fitted to its text.
                RECT client;
                link->GetClientRect(&client);
                SIZE extent = TextExtent(link->m_hWnd);
                EXPECT_EQ(client.right, extent.cx);
                EXPECT_EQ(client.bottom, extent.cy);
                Painted paint = PaintOf(dlg, link->m_hWnd);
                EXPECT_EQ(paint.text, RGB(0, 0, 255));
                EXPECT_EQ(paint.mode, TRANSPARENT);
                EXPECT_EQ(paint.brush, ::GetStockObject(NULL_BRUSH));
                EXPECT_EQ(link->SendMessage(WM_NCHITTEST, 0, 0), HTCLIENT);
                EXPECT_TRUE(link->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(link->m_hWnd), HTCLIENT));
            }
            EXPECT_NE(CHyperLink::s_hLinkCursor, nullptr) << "a hand pointer";
            // Other statics keep the dialog's colours.
            EXPECT_EQ(PaintOf(dlg, ::GetDlgItem(dlg, IDC_ABOUT_RULE)).text, ::GetSysColor(COLOR_WINDOWTEXT));
            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(shown);
    // Escape closes it too.
    sqztest::DriveModal([&] { return ShowAbout(p); }, [](HWND dlg) { ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); });
}

TEST(AboutBox, ClickingAndTheSpaceBarFollowTheLinks) {
    sqztest::ShellRecorder shell;
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    sqztest::DriveModal(
        [&] { return ShowAbout(p); },
        [&](HWND dlg) {
            CHyperLink* home = LinkOf(dlg, IDC_LINK_HOMEPAGE);
            CHyperLink* mail = LinkOf(dlg, IDC_LINK_SUPPORTMAIL);
            ASSERT_TRUE(home && mail);
            EXPECT_FALSE(home->m_bVisited);
            Click(home->m_hWnd);
            std::vector<std::string> opened = shell.WaitForOpened(1);
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(opened[0], "http://www.zenvola.com");
            EXPECT_TRUE(home->m_bVisited);
            EXPECT_EQ(::GetFocus(), home->m_hWnd) << "a click gives the link the focus";
            EXPECT_EQ(PaintOf(dlg, home->m_hWnd).text, RGB(0, 128, 128)) << "active while it keeps the focus";
            ::SetFocus(::GetDlgItem(dlg, IDOK));
            EXPECT_EQ(PaintOf(dlg, home->m_hWnd).text, RGB(128, 0, 128)) << "visited once the focus moved on";

            mail->SetFocus();
            EXPECT_EQ(PaintOf(dlg, mail->m_hWnd).text, RGB(0, 128, 128));
            mail->SendMessage(WM_KEYDOWN, 'A', 0);
            mail->SendMessage(WM_KEYDOWN, VK_SPACE, 0);
            opened = shell.WaitForOpened(2);
            ASSERT_EQ(opened.size(), 2u);
            EXPECT_EQ(opened[1], "mailto:support@zenvola.com");
            EXPECT_TRUE(mail->m_bVisited);
            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        });
    // A new About box starts unvisited.
    sqztest::DriveModal([&] { return ShowAbout(p); },
                        [&](HWND dlg) {
                            EXPECT_FALSE(LinkOf(dlg, IDC_LINK_HOMEPAGE)->m_bVisited);
                            EXPECT_EQ(PaintOf(dlg, ::GetDlgItem(dlg, IDC_LINK_HOMEPAGE)).text, RGB(0, 0, 255));
                            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
                        });
    EXPECT_EQ(shell.Opened().size(), 2u);
}

TEST(AboutBox, MovingOffALinkReleasesTheMouseAtOnce) {
    sqztest::ShellRecorder shell;
    ProgramFixture p;
    ASSERT_TRUE(p.Start());
    sqztest::DriveModal([&] { return ShowAbout(p); },
                        [&](HWND dlg) {
                            CHyperLink* home = LinkOf(dlg, IDC_LINK_HOMEPAGE);
                            ASSERT_NE(home, nullptr);
                            home->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
                            EXPECT_TRUE(home->m_bOver);
                            EXPECT_EQ(::GetCapture(), home->m_hWnd);
                            home->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
                            EXPECT_EQ(::GetCapture(), home->m_hWnd) << "still over it";
                            // Pressed on the link, then dragged off: the capture goes, and the release lands elsewhere.
                            home->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
                            home->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-20, -20));
                            EXPECT_FALSE(home->m_bOver);
                            EXPECT_NE(::GetCapture(), home->m_hWnd);
                            EXPECT_EQ(PaintOf(dlg, home->m_hWnd).text, RGB(0, 128, 128))
                                << "no hover colour without its style";
                            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
                        });
    sqztest::PumpPending();
    EXPECT_TRUE(shell.Opened().empty());
}

TEST(Hyperlink, TargetAndTextFillEachOtherAndAControlWithoutAFontIsNotResized) {
    sqztest::HostWindow host({50, 50, 450, 250});
    HWND empty = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 200, 30, host.m_hWnd,
                                   reinterpret_cast<HMENU>(1), nullptr, nullptr);
    HWND titled = ::CreateWindowExA(0, "STATIC", "http://example.zenvola.com/a", WS_CHILD | WS_VISIBLE, 10, 50, 200, 30,
                                    host.m_hWnd, reinterpret_cast<HMENU>(2), nullptr, nullptr);
    CHyperLink first, second;
    first.SetLinkUrl("http://www.zenvola.com/first");  // before the window exists: only stored
    ASSERT_TRUE(first.SubclassWindow(empty));
    ASSERT_TRUE(second.SubclassWindow(titled));
    EXPECT_EQ(sqztest::WindowText(empty), "http://www.zenvola.com/first") << "an empty item shows its target";
    EXPECT_EQ(second.m_strUrl, "http://example.zenvola.com/a") << "an empty target is the item's text";
    // These statics have no font of their own: no underline font, no fitting.
    EXPECT_EQ(first.m_nStyle & HLS_AUTOSIZE, 0u);
    RECT r;
    first.GetClientRect(&r);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 30);
    EXPECT_EQ(first.m_toolTip.GetText(&first, 1), L"http://www.zenvola.com/first");
    second.SetLinkUrl("http://www.zenvola.com/second");
    EXPECT_EQ(second.m_toolTip.GetText(&second, 1), L"http://www.zenvola.com/second");
    second.SetLinkText("other text");
    EXPECT_EQ(sqztest::WindowText(titled), "other text");
    EXPECT_EQ(second.m_toolTip.GetText(&second, 1), L"http://www.zenvola.com/second") << "the tip keeps the target";
}

TEST(Hyperlink, WithoutAMailProgramTheWebBrowserGetsTheMailAddress) {
    sqztest::ShellRecorder shell(/*withWebPages=*/true, /*withMail=*/false);
    EXPECT_GT(ShellOpenUrl("mailto:support@zenvola.com", SW_SHOW), 32);
    std::vector<std::string> opened = shell.WaitForOpened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "mailto:support@zenvola.com");
    // So does an address of a protocol nothing is registered for.
    EXPECT_GT(ShellOpenUrl("sqz-nothing:somewhere", SW_SHOW), 32);
    opened = shell.WaitForOpened(2);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], "sqz-nothing:somewhere");
}

TEST(Hyperlink, ATargetNothingCanOpenGivesTheMessageAndStaysUnvisited) {
    sqztest::ShellRecorder shell(/*withWebPages=*/false, /*withMail=*/false);
    sqztest::HostWindow host({50, 50, 450, 250});
    HWND item = ::CreateWindowExA(0, "STATIC", "sqz-nothing:somewhere", WS_CHILD | WS_VISIBLE, 10, 10, 200, 30,
                                  host.m_hWnd, reinterpret_cast<HMENU>(1), nullptr, nullptr);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(item));
    int code = ShellOpenUrl(link.m_strUrl, SW_SHOW);
    EXPECT_LE(code, 32);
    std::string caption;
    std::vector<std::string> texts;
    sqztest::AnswerBox(
        [&] {
            link.OpenLink();
            return INT_PTR(0);
        },
        IDOK, &caption, &texts);
    EXPECT_EQ(caption, AfxGetAppName());
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(sqztest::WideOfAnsi(texts.back()), LinkErrorMessage(code));
    EXPECT_FALSE(link.m_bVisited);
    EXPECT_TRUE(shell.Opened().empty());

    EXPECT_EQ(LinkErrorMessage(4), sqztest::Wide("不能打开链接:\n\n未知的错误 (4) occurred。"));
    EXPECT_EQ(LinkErrorMessage(2), sqztest::Wide("不能打开链接:\n\n指定的文件没有找到。"));
    EXPECT_EQ(LinkErrorMessage(26), sqztest::Wide("不能打开链接:\n\n一个共享违背 occurred。 "));
    EXPECT_EQ(LinkErrorMessage(31), sqztest::Wide("不能打开链接:\n\n没有应用程序被关联\n用于被给定的文件扩展名。"));
    EXPECT_EQ(LinkErrorMessage(0), sqztest::Wide("不能打开链接:\n\n操作系统内存或资源不足。"));
}
