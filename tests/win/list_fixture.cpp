// The test file list: form, columns and corpus rows.
#include "list_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "file_helpers.h"
#include "resource.h"
#include "swf_container.h"
#include "swf_inspect.h"
#include "test_support.h"
#include "win_app.h"

namespace sqztest {

ListForm::ListForm() : CFormView(IDD_SQUOZEN_FORM) {}

void ListForm::DoDataExchange(CDataExchange* pDX) {
    CFormView::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FILE_LIST, m_list);
}

BOOL ListForm::OnNotify(WPARAM, LPARAM lParam, LRESULT*) {
    m_unreflected.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
    return FALSE;
}

ListFixture::ListFixture(int width, int height) : m_host({20, 20, 20 + width, 20 + height}, L"Zenvola SWF Optimizer") {
    AfxInitCommonControls();
    RECT client;
    m_host.GetClientRect(&client);
    EXPECT_TRUE(m_form.Create(&m_host, 59648, client));
    m_form.OnInitialUpdate();
    EXPECT_NE(list().m_hWnd, nullptr);
    EXPECT_NE(list().m_header.m_hWnd, nullptr);
    list().MoveWindow(0, 0, client.right, client.bottom);

    struct Col {
        const char* heading;
        int format;
        int fortieths;
    };
    const Col kColumns[7] = {{"名称", LVCFMT_LEFT, 8},        {"路径", LVCFMT_LEFT, 10}, {"原始大小", LVCFMT_RIGHT, 5},
                             {"优化后大小", LVCFMT_RIGHT, 6}, {"比率", LVCFMT_RIGHT, 3}, {"版本", LVCFMT_CENTER, 3},
                             {"注释", LVCFMT_CENTER, 5}};
    for (int c = 0; c < 7; ++c)
        list().InsertColumn(c, Wide(kColumns[c].heading), kColumns[c].format,
                            kColumns[c].fortieths * client.right / 40);
    list().SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    list().m_bTextColumn = {TRUE, TRUE, FALSE, FALSE, FALSE, FALSE, TRUE};
    list().m_bSortable.assign(7, TRUE);
    if (m_bitmap.LoadBitmap(IDB_FILE_IMAGES) && m_images.Create(16, 16, ILC_COLOR8 | ILC_MASK, 0, 4)) {
        m_images.Add(m_bitmap, RGB(255, 255, 255));
        list().SetImageList(m_images, LVSIL_SMALL);
    }
    m_host.UpdateWindow();
    PumpPending();
}

ListFixture::~ListFixture() {
    m_form.DestroyWindow();
    m_host.DestroyWindow();
    PumpPending();
}

std::vector<Row> ListFixture::CorpusRows(const std::string& scratch) {
    std::vector<Row> rows;
    for (const OracleRow& o : LoadTable("oracle.tsv")) {
        Row row;
        const std::string name = o.at("name");
        const std::string path = CorpusDir() + name;
        // A movie as the engine tells it: a movie signature and a version of 1 or more.
        int compressed = 0;
        const SwfFileInfo info = ReadSwfRowInfo(path, &compressed);
        row.cells[0] = name;
        row.cells[1] = CorpusDir();
        if (!IsValidSwf(info)) {
            row.cells[6] = "Bad Flash File";
            rows.push_back(row);
            continue;
        }
        long long size = info.nFileSize;
        row.cells[2] = FormatThousands(static_cast<int32_t>(size));
        row.cells[5] = std::to_string(info.nVersion);
        row.image = info.nVersion == 6 ? 1 : 0;
        if (compressed) {
            row.cells[6] = Ansi("已优化");
        } else {
            std::string out = scratch + GetFileStem(path) + "_Comp.swf";
            row.cells[6] = Ansi("就绪");
            if (CompressSwf(path, out)) {
                long long packed = GetFileSizeOnDisk(out);
                row.cells[3] = FormatThousands(static_cast<int32_t>(packed));
                char ratio[16];
                std::snprintf(ratio, sizeof(ratio), "%d%%", static_cast<int>((size - packed) * 100 / size));
                row.cells[4] = ratio;
                row.cells[6] = Ansi("已测试");
            }
        }
        rows.push_back(row);
    }
    return rows;
}

void ListFixture::Fill(const std::vector<Row>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
        int n = list().InsertItem(list().GetItemCount(), rows[i].cells[0], rows[i].image);
        for (int c = 1; c < 7; ++c) list().SetItemText(n, c, rows[i].cells[c]);
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = n;
        item.lParam = static_cast<LPARAM>(i);
        list().SetItem(&item);
    }
}

void ListFixture::FillColumn(int column, const std::vector<std::string>& texts) {
    std::vector<Row> rows(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) rows[i].cells[column] = texts[i];
    Fill(rows);
}

std::vector<std::string> ListFixture::Column(int column) const {
    std::vector<std::string> texts;
    const CSortingListCtrl& l = const_cast<ListFixture*>(this)->list();
    for (int i = 0; i < l.GetItemCount(); ++i) texts.push_back(l.GetItemText(i, column));
    return texts;
}

std::vector<LPARAM> ListFixture::Params() const {
    std::vector<LPARAM> params;
    const CSortingListCtrl& l = const_cast<ListFixture*>(this)->list();
    for (int i = 0; i < l.GetItemCount(); ++i) params.push_back(l.GetItemData(i));
    return params;
}

void ListFixture::ClickHeader(int column) {
    RECT r;
    ASSERT_TRUE(list().m_header.GetItemRect(column, &r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    list().m_header.SendMessage(WM_MOUSEMOVE, 0, at);
    list().m_header.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    list().m_header.SendMessage(WM_LBUTTONUP, 0, at);
    PumpPending();
}

}  // namespace sqztest
