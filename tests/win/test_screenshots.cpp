// Screenshots of the virtual display for a person to look at: the Options dialog as a fresh installation
// shows it, and the file list of the sample movies sorted by size (descending) with the arrow in its header
// and the rows tinted by version. PNG files under the test's build folder, in "screenshots".
#include <gtest/gtest.h>


#include "gui_test_support.h"
#include "list_fixture.h"
#include "options_dlg.h"
#include "test_support.h"
#include "win_app.h"

TEST(Screenshots, OptionsDialog) {
    AfxInitCommonControls();
    sqztest::ScratchDir dir;
    sqztest::ProgramFolderAt program(dir.path());
    std::string path = sqztest::ScreenshotPath("options.png");
    sqztest::DriveModal(
        [] {
            COptionsDlg dlg;
            return dlg.DoModal();
        },
        [&](HWND dlg) {
            CWnd::FromHandlePermanent(dlg)->CenterWindow();
            sqztest::RepaintNow(dlg);
            EXPECT_TRUE(sqztest::WaitUntilDisplayed(dlg));
            EXPECT_GT(sqztest::DistinctColours(dlg), 8u) << "the display shows nothing of the dialog";
            EXPECT_TRUE(sqztest::SaveWindowPng(dlg, path));
            ::SendDlgItemMessageA(dlg, 1006, BM_CLICK, 0, 0);
        });
    EXPECT_NE(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Screenshots, SortedFileList) {
    sqztest::ScratchDir scratch;
    sqztest::ListFixture fx(900, 520);
    fx.Fill(sqztest::ListFixture::CorpusRows(scratch.path()));
    fx.ClickHeader(2);
    fx.ClickHeader(2);  // by size, descending: the arrow on "原始大小" points down, the largest movies first
    fx.list().SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    fx.list().SetFocus();
    sqztest::RepaintNow(fx.m_host.m_hWnd);
    EXPECT_TRUE(sqztest::WaitUntilDisplayed(fx.m_host.m_hWnd));
    EXPECT_GT(sqztest::DistinctColours(fx.m_host.m_hWnd), 8u);
    std::string path = sqztest::ScreenshotPath("sorted_list.png");
    EXPECT_TRUE(sqztest::SaveWindowPng(fx.m_host.m_hWnd, path));
    EXPECT_NE(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}
