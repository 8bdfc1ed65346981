// The option store against real config.ini files, and the Options dialog opened for real and driven by
// messages: what it shows, what Save writes and in which order, and that every way of closing it without
// Save leaves the file alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>

#include "gui_test_support.h"
#include "option_store.h"
#include "options_dlg.h"
#include "resource.h"
#include "test_support.h"
#include "win_app.h"

using sqztest::DriveModal;

namespace {

class Options : public ::testing::Test {
protected:
    void SetUp() override { AfxInitCommonControls(); }

    std::string Ini() const { return dir_ / "config.ini"; }
    bool IniExists() const { return ::GetFileAttributesA(Ini().c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string IniText() const {
        std::ifstream in(Ini(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // The lines of config.ini without their line ends and without blank lines.
    std::vector<std::string> IniLines() const {
        std::vector<std::string> lines;
        std::stringstream ss(IniText());
        std::string line;
        while (std::getline(ss, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) lines.push_back(line);
        }
        return lines;
    }
    void WriteIni(const std::string& text) const {
        std::ofstream out(Ini(), std::ios::binary | std::ios::trunc);
        out << text;
    }

    sqztest::ScratchDir dir_;
    sqztest::ProgramFolderAt program_{dir_.path()};
};

bool Checked(HWND dlg, int id) { return ::SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Click(HWND dlg, int id) { ::SendDlgItemMessageA(dlg, id, BM_CLICK, 0, 0); }

INT_PTR ShowOptions() {
    COptionsDlg dlg;
    return dlg.DoModal();
}

}  // namespace

TEST_F(Options, StoreReadsDefaultsWithoutAFileAndCreatesNone) {
    EXPECT_EQ(ReadBackupOption(), 1);
    EXPECT_EQ(ReadProtectOption(), 0);
    EXPECT_EQ(ReadDoubleClickAction(), 0);
    EXPECT_FALSE(IniExists());
    // A file without the section, or with other keys only, gives the defaults too.
    WriteIni("[OTHER]\r\nISBACKUP=0\r\n[OPTION]\r\nSOMETHING=4\r\n");
    EXPECT_EQ(ReadBackupOption(), 1);
    EXPECT_EQ(ReadProtectOption(), 0);
    EXPECT_EQ(ReadDoubleClickAction(), 0);
}

TEST_F(Options, StoreWritesDecimalTextAndReadsItBack) {
    EXPECT_NE(WriteBackupOption(1), 0);
    EXPECT_NE(WriteProtectOption(0), 0);
    EXPECT_NE(WriteDoubleClickAction(0), 0);
    EXPECT_EQ(IniLines(), (std::vector<std::string>{"[OPTION]", "ISBACKUP=1", "ISPROTECT=0", "DOUBLECLICKACTION=0"}));

    EXPECT_NE(WriteDoubleClickAction(-1), 0);
    EXPECT_NE(WriteProtectOption(12345), 0);
    EXPECT_EQ(IniLines(),
              (std::vector<std::string>{"[OPTION]", "ISBACKUP=1", "ISPROTECT=12345", "DOUBLECLICKACTION=-1"}));
    EXPECT_EQ(ReadProtectOption(), 12345);
    EXPECT_EQ(ReadBackupOption(), 1);
}

TEST_F(Options, StoreReturnsStoredValuesUnchanged) {
    WriteIni("[OPTION]\r\nISBACKUP=7\r\nISPROTECT=0\r\nDOUBLECLICKACTION=5\r\n");
    EXPECT_EQ(ReadBackupOption(), 7);  // on for the batch, whatever the dialog shows
    EXPECT_EQ(ReadProtectOption(), 0);
    EXPECT_EQ(ReadDoubleClickAction(), 5);
    WriteIni("[OPTION]\r\nISBACKUP=0\r\nISPROTECT=12abc\r\nDOUBLECLICKACTION=abc\r\n");
    EXPECT_EQ(ReadBackupOption(), 0);
    EXPECT_EQ(ReadProtectOption(), 12);     // leading digits
    EXPECT_EQ(ReadDoubleClickAction(), 0);  // no digits
}

TEST_F(Options, DialogTemplateHasThePartsControlsInTemplateOrder) {
    DriveModal(ShowOptions, [](HWND dlg) {
        EXPECT_EQ(CWnd::FromHandlePermanent(dlg)->GetWindowText(), L"选项");
        struct Expect {
            int id;
            const char* text;
            LONG type;
            bool group;
            bool tab;
            RECT du;
        };
        // Template order: the radio group first, then check boxes, group boxes and buttons.
        const Expect kControls[] = {
            {IDC_DBLCLICK_VIEW, "查看及播放 flash 文件", BS_AUTORADIOBUTTON, true, false, {48, 79, 113, 10}},
            {IDC_DBLCLICK_TEST, "优化之前测试 flash 文件", BS_AUTORADIOBUTTON, false, false, {48, 94, 125, 10}},
            {IDC_DBLCLICK_OPTIMIZE, "优化所选定的 flash 文件", BS_AUTORADIOBUTTON, false, false, {48, 109, 111, 10}},
            {IDC_OPTION_BACKUP, "优化之前备份 flash 文件", BS_AUTOCHECKBOX, false, true, {30, 24, 121, 10}},
            {IDC_OPTION_PROTECT, "优化时为文件添加保护", BS_AUTOCHECKBOX, false, true, {30, 43, 143, 10}},
            {-1, "选项设置", BS_GROUPBOX, false, false, {11, 6, 202, 157}},
            {-1, "双击文件", BS_GROUPBOX, false, false, {25, 66, 166, 63}},
            {IDC_OPTIONS_SAVE, "保存(&S)", BS_PUSHBUTTON, false, true, {41, 141, 50, 14}},
            {IDC_OPTIONS_CANCEL, "取消(&C)", BS_PUSHBUTTON, false, true, {119, 141, 50, 14}},
        };
        HWND child = ::GetWindow(dlg, GW_CHILD);
        for (const Expect& e : kControls) {
            ASSERT_NE(child, nullptr) << e.text;
            LONG style = static_cast<LONG>(::GetWindowLongPtrA(child, GWL_STYLE));
            EXPECT_EQ(::GetDlgCtrlID(child), e.id) << e.text;
            char text[128] = {};
            ::GetWindowTextA(child, text, sizeof(text));
            EXPECT_EQ(text, sqztest::Ansi(e.text));
            EXPECT_EQ(style & BS_TYPEMASK, e.type) << e.text;
            EXPECT_EQ((style & WS_GROUP) != 0, e.group) << e.text;
            // The checked radio button takes the tab stop of its group from the button control itself.
            bool tab = e.type == BS_AUTORADIOBUTTON ? ::SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED : e.tab;
            EXPECT_EQ((style & WS_TABSTOP) != 0, tab) << e.text;
            RECT du = e.du;  // x, y, width, height: each converted on its own, as the dialog manager does
            ::MapDialogRect(dlg, &du);
            RECT r;
            ::GetWindowRect(child, &r);
            ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(r.left, du.left) << e.text;
            EXPECT_EQ(r.top, du.top) << e.text;
            EXPECT_EQ(r.right - r.left, du.right) << e.text;
            EXPECT_EQ(r.bottom - r.top, du.bottom) << e.text;
            if (e.type == BS_PUSHBUTTON) {
                EXPECT_NE(style & BS_TYPEMASK, BS_DEFPUSHBUTTON) << e.text;
            }
            child = ::GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr) << "more controls than the dialog should have";
        RECT client, du = {0, 0, 223, 169};
        ::GetClientRect(dlg, &client);
        ::MapDialogRect(dlg, &du);
        EXPECT_EQ(client.right, du.right);
        EXPECT_EQ(client.bottom, du.bottom);
        // No control answers to the default identifier IDOK.
        EXPECT_EQ(::GetDlgItem(dlg, IDOK), nullptr);
        ::SendMessageA(dlg, WM_COMMAND, IDC_OPTIONS_CANCEL, 0);
    });
}

TEST_F(Options, FreshInstallationShowsDefaultsAndSaveWritesThemInKeyOrder) {
    INT_PTR result = DriveModal(ShowOptions, [](HWND dlg) {
        EXPECT_TRUE(Checked(dlg, IDC_OPTION_BACKUP));
        EXPECT_FALSE(Checked(dlg, IDC_OPTION_PROTECT));
        EXPECT_TRUE(Checked(dlg, IDC_DBLCLICK_VIEW));
        EXPECT_FALSE(Checked(dlg, IDC_DBLCLICK_TEST));
        EXPECT_FALSE(Checked(dlg, IDC_DBLCLICK_OPTIMIZE));
        Click(dlg, IDC_OPTIONS_SAVE);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(IniLines(), (std::vector<std::string>{"[OPTION]", "ISBACKUP=1", "ISPROTECT=0", "DOUBLECLICKACTION=0"}));
}

TEST_F(Options, SaveWritesWhatTheUserChose) {
    DriveModal(ShowOptions, [](HWND dlg) {
        Click(dlg, IDC_OPTION_BACKUP);   // off
        Click(dlg, IDC_OPTION_PROTECT);  // on
        Click(dlg, IDC_DBLCLICK_OPTIMIZE);
        EXPECT_FALSE(Checked(dlg, IDC_DBLCLICK_VIEW));  // automatic radio buttons of one group
        Click(dlg, IDC_OPTIONS_SAVE);
    });
    EXPECT_EQ(IniLines(), (std::vector<std::string>{"[OPTION]", "ISBACKUP=0", "ISPROTECT=1", "DOUBLECLICKACTION=2"}));
    // The next opening shows the stored choice.
    DriveModal(ShowOptions, [](HWND dlg) {
        EXPECT_FALSE(Checked(dlg, IDC_OPTION_BACKUP));
        EXPECT_TRUE(Checked(dlg, IDC_OPTION_PROTECT));
        EXPECT_TRUE(Checked(dlg, IDC_DBLCLICK_OPTIMIZE));
        Click(dlg, IDC_DBLCLICK_TEST);
        Click(dlg, IDC_OPTIONS_SAVE);
    });
    EXPECT_EQ(ReadDoubleClickAction(), 1);
}

TEST_F(Options, OutOfRangeValuesAreShownUncheckedAndSavedAsTheDialogShowsThem) {
    WriteIni("[OPTION]\r\nISBACKUP=7\r\nISPROTECT=1\r\nDOUBLECLICKACTION=5\r\n");
    DriveModal(ShowOptions, [](HWND dlg) {
        EXPECT_FALSE(Checked(dlg, IDC_OPTION_BACKUP));  // 7 is outside 0..2
        EXPECT_TRUE(Checked(dlg, IDC_OPTION_PROTECT));
        EXPECT_FALSE(Checked(dlg, IDC_DBLCLICK_VIEW));  // 5 matches no button
        EXPECT_FALSE(Checked(dlg, IDC_DBLCLICK_TEST));
        EXPECT_FALSE(Checked(dlg, IDC_DBLCLICK_OPTIMIZE));
        Click(dlg, IDC_OPTIONS_SAVE);
    });
    EXPECT_EQ(IniLines(), (std::vector<std::string>{"[OPTION]", "ISBACKUP=0", "ISPROTECT=1", "DOUBLECLICKACTION=-1"}));
}

TEST_F(Options, EveryCloseWithoutSaveLeavesTheFileAlone) {
    const std::string original = "[OPTION]\r\nISBACKUP=0\r\nISPROTECT=1\r\nDOUBLECLICKACTION=1\r\n";
    WriteIni(original);
    // The dialog is changed first each time, so that a write would show.
    auto change = [](HWND dlg) {
        Click(dlg, IDC_OPTION_BACKUP);
        Click(dlg, IDC_DBLCLICK_OPTIMIZE);
    };
    EXPECT_EQ(DriveModal(ShowOptions,
                         [&](HWND dlg) {
                             change(dlg);
                             Click(dlg, IDC_OPTIONS_CANCEL);
                         }),
              IDCANCEL);
    EXPECT_EQ(IniText(), original);

    EXPECT_EQ(DriveModal(ShowOptions,
                         [&](HWND dlg) {
                             change(dlg);
                             ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
                         }),
              IDCANCEL);
    EXPECT_EQ(IniText(), original);

    EXPECT_EQ(DriveModal(ShowOptions,
                         [&](HWND dlg) {
                             change(dlg);
                             ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                         }),
              IDCANCEL);
    EXPECT_EQ(IniText(), original);

    // Enter on a check box: no default button, so the system sends IDOK, which closes without writing.
    EXPECT_EQ(DriveModal(ShowOptions,
                         [&](HWND dlg) {
                             change(dlg);
                             HWND box = ::GetDlgItem(dlg, IDC_OPTION_PROTECT);
                             ::SetFocus(box);
                             ::PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
                         }),
              IDOK);
    EXPECT_EQ(IniText(), original);
}

TEST_F(Options, DialogIsOwnedByTheMainWindowAndDisablesIt) {
    CWinApp app;
    sqztest::HostWindow frame({50, 50, 450, 350});
    app.m_pMainWnd = &frame;
    DriveModal(ShowOptions, [&](HWND dlg) {
        EXPECT_EQ(::GetWindow(dlg, GW_OWNER), frame.m_hWnd);
        EXPECT_FALSE(::IsWindowEnabled(frame.m_hWnd));
        Click(dlg, IDC_OPTIONS_CANCEL);
    });
    EXPECT_TRUE(::IsWindowEnabled(frame.m_hWnd));
    app.m_pMainWnd = nullptr;
}
