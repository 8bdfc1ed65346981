// The sortable file list on a real list view (dialog 101's control, bound by the data exchange), filled with
// the sample movies: header clicks through the real header, both directions, every kind of column, rows
// moving whole (texts, image, selection, focus, marks, parameter), equal rows, the version tints and the
// arrow header's owner drawing.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "list_fixture.h"
#include "mbcs.h"
#include "test_support.h"

using sqztest::ListFixture;
using sqztest::Row;

namespace {

// Whether `texts` is ordered in `ascending` direction under the list's own reading of the column.
::testing::AssertionResult Ordered(const std::vector<std::string>& texts, bool ascending, bool text) {
    for (size_t i = 1; i < texts.size(); ++i) {
        int order = text ? sqz::MbsCmp(texts[i - 1], texts[i])
                         : (CSortingListCtrl::CellNumber(texts[i - 1]) < CSortingListCtrl::CellNumber(texts[i])   ? -1
                            : CSortingListCtrl::CellNumber(texts[i - 1]) > CSortingListCtrl::CellNumber(texts[i]) ? 1
                                                                                                                  : 0);
        if (ascending ? order > 0 : order < 0)
            return ::testing::AssertionFailure()
                   << "rows " << i - 1 << " and " << i << ": '" << texts[i - 1] << "' then '" << texts[i] << "'";
    }
    return ::testing::AssertionSuccess();
}

class SortingList : public ::testing::Test {
protected:
    void SetUp() override {
        rows_ = ListFixture::CorpusRows(scratch_.path());
        ASSERT_GT(rows_.size(), 100u);
        fx_.Fill(rows_);
    }

    // Every row still carries the texts, image and parameter it was added with.
    void ExpectRowsWhole() {
        CSortingListCtrl& l = fx_.list();
        ASSERT_EQ(l.GetItemCount(), static_cast<int>(rows_.size()));
        std::vector<bool> seen(rows_.size(), false);
        for (int i = 0; i < l.GetItemCount(); ++i) {
            LVITEMW item = {};
            item.mask = LVIF_PARAM | LVIF_IMAGE;
            item.iItem = i;
            ASSERT_TRUE(l.GetItem(&item));
            ASSERT_GE(item.lParam, 0);
            ASSERT_LT(static_cast<size_t>(item.lParam), rows_.size());
            const Row& row = rows_[static_cast<size_t>(item.lParam)];
            EXPECT_FALSE(seen[static_cast<size_t>(item.lParam)]) << "row " << item.lParam << " twice";
            seen[static_cast<size_t>(item.lParam)] = true;
            EXPECT_EQ(item.iImage, row.image) << row.cells[0];
            for (int c = 0; c < 7; ++c) EXPECT_EQ(l.GetItemText(i, c), row.cells[c]) << row.cells[0] << " column " << c;
        }
    }

    sqztest::ScratchDir scratch_;
    std::vector<Row> rows_;
    ListFixture fx_;
};

}  // namespace

TEST_F(SortingList, HeaderClicksSortEveryColumnBothWaysAndRowsMoveWhole) {
    // One direction flag for the whole list: clicks alternate ascending, descending, ascending... across
    // columns.
    bool ascending = true;
    for (int column : {0, 1, 2, 3, 4, 5, 6, 2, 2}) {
        fx_.ClickHeader(column);
        bool text = column == 0 || column == 1 || column == 6;
        EXPECT_EQ(fx_.list().m_nSortColumn, column);
        EXPECT_EQ(fx_.list().m_bSortAscending, ascending ? TRUE : FALSE);
        EXPECT_TRUE(Ordered(fx_.Column(column), ascending, text)) << "column " << column;
        ExpectRowsWhole();
        ascending = !ascending;
    }
    // The list took its notifications itself: none reached the form.
    for (UINT code : fx_.m_form.m_unreflected) {
        EXPECT_NE(code, static_cast<UINT>(LVN_COLUMNCLICK));
        EXPECT_NE(code, static_cast<UINT>(NM_CUSTOMDRAW));
    }
}

TEST_F(SortingList, NumberColumnsReadGroupedSizesAndPercentages) {
    fx_.list().DeleteAllItems();
    fx_.FillColumn(2, {"123,456", "99,999", "1,000,000", "", "7"});
    fx_.ClickHeader(2);
    EXPECT_EQ(fx_.Column(2), (std::vector<std::string>{"", "7", "99,999", "123,456", "1,000,000"}));
    fx_.ClickHeader(2);
    EXPECT_EQ(fx_.Column(2), (std::vector<std::string>{"1,000,000", "123,456", "99,999", "7", ""}));

    fx_.list().DeleteAllItems();
    fx_.FillColumn(4, {"37%", "5%", "-10%", "100%"});
    fx_.ClickHeader(4);  // third click: ascending
    EXPECT_EQ(fx_.Column(4), (std::vector<std::string>{"-10%", "5%", "37%", "100%"}));
    // The same texts as a text column order the other way.
    fx_.list().m_bTextColumn[4] = TRUE;
    fx_.list().m_bSortAscending = FALSE;
    fx_.ClickHeader(4);
    EXPECT_EQ(fx_.Column(4), (std::vector<std::string>{"-10%", "100%", "37%", "5%"}));
}

TEST_F(SortingList, TextColumnsCompareByCodeCaseSensitively) {
    fx_.list().DeleteAllItems();
    fx_.FillColumn(0, {"b.swf", sqztest::Ansi("动画.swf"), "B.swf", "a.swf", sqztest::Ansi("测试.swf")});
    fx_.ClickHeader(0);
    // Upper case before lower case; double-byte names (lead bytes above 0x80) after the single-byte ones, in
    // code page order: 测 (B2E2) before 动 (B6AF).
    EXPECT_EQ(fx_.Column(0), (std::vector<std::string>{"B.swf", "a.swf", "b.swf", sqztest::Ansi("测试.swf"),
                                                       sqztest::Ansi("动画.swf")}));

    // Texts the ANSI code page cannot hold (Korean here, as the Chinese comments are on a Western system) read alike
    // there ("??"): their UTF-16 keeps them apart. The texts it holds keep its order: 已测试 (D2D1 B2E2) before 已优化
    // (D2D1 D3C5), the other way round from their UTF-16.
    const std::vector<std::wstring> comments = {L"已优化", L"\ud55c\uae00", L"Bad Flash File",
                                                L"已测试", L"就绪",         L"\uae00\ud55c"};
    CSortingListCtrl& l = fx_.list();
    l.DeleteAllItems();
    fx_.FillColumn(6, std::vector<std::string>(comments.size()));
    for (size_t i = 0; i < comments.size(); ++i) l.SetItemText(static_cast<int>(i), 6, comments[i]);
    l.m_bSortAscending = FALSE;
    fx_.ClickHeader(6);
    std::vector<std::wstring> sorted;
    for (int i = 0; i < l.GetItemCount(); ++i) sorted.push_back(l.GetItemTextW(i, 6));
    EXPECT_EQ(sorted, (std::vector<std::wstring>{L"\uae00\ud55c", L"\ud55c\uae00", L"Bad Flash File", L"就绪",
                                                 L"已测试", L"已优化"}));
}

TEST_F(SortingList, NumberCellsReadAsTheWholeIntegerTheyShow) {
    EXPECT_EQ(CSortingListCtrl::CellNumber("  -1,234"), -1234);
    EXPECT_EQ(CSortingListCtrl::CellNumber("12,"), 12);  // a comma not between digits ends the number
    EXPECT_EQ(CSortingListCtrl::CellNumber(",12"), 0);
    EXPECT_EQ(CSortingListCtrl::CellNumber("Bad Flash File"), 0);
    EXPECT_EQ(CSortingListCtrl::CellNumber("99999999999999999999999"), LLONG_MAX);  // saturates, no overflow
    EXPECT_FALSE(CSortingListCtrl::CompareCells("37", "37%", TRUE, FALSE));      // equal as numbers
    EXPECT_FALSE(CSortingListCtrl::CompareCells("37", "37%", FALSE, FALSE));
}

TEST_F(SortingList, SelectionFocusAndMarksTravelWithTheirRows) {
    CSortingListCtrl& l = fx_.list();
    // Select three rows, focus one of them, cut-mark another and give one an overlay image.
    std::map<LPARAM, UINT> marked = {{3, LVIS_SELECTED},
                                     {40, LVIS_SELECTED | LVIS_FOCUSED},
                                     {77, LVIS_SELECTED},
                                     {90, LVIS_CUT},
                                     {100, INDEXTOOVERLAYMASK(1)}};
    const UINT mask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_OVERLAYMASK;
    for (const auto& m : marked) l.SetItemState(static_cast<int>(m.first), m.second, mask);
    for (int column : {0, 2, 5}) {
        fx_.ClickHeader(column);
        for (int i = 0; i < l.GetItemCount(); ++i) {
            LPARAM p = l.GetItemData(i);
            UINT expected = marked.count(p) ? marked[p] : 0;
            EXPECT_EQ(l.GetItemState(i, mask), expected) << "row " << p << " after sorting column " << column;
        }
        EXPECT_EQ(l.GetSelectedCount(), 3u);
        int focused = l.GetNextItem(-1, LVNI_FOCUSED);
        ASSERT_GE(focused, 0);
        EXPECT_EQ(l.GetItemData(focused), 40);
    }
    ExpectRowsWhole();
}

TEST_F(SortingList, EqualRowsAreNeverExchanged) {
    fx_.list().DeleteAllItems();
    fx_.FillColumn(6, std::vector<std::string>(9, sqztest::Ansi("就绪")));
    std::vector<LPARAM> before = fx_.Params();
    fx_.ClickHeader(6);
    EXPECT_EQ(fx_.Params(), before);
    fx_.ClickHeader(6);
    EXPECT_EQ(fx_.Params(), before);

    // Numbers that read alike but differ as text ("7" and "7%") may be exchanged; texts that are the same
    // never are, wherever they stand.
    fx_.list().DeleteAllItems();
    fx_.FillColumn(0, {"x", "a", "x", "x", "b", "x"});
    fx_.ClickHeader(0);
    EXPECT_EQ(fx_.Column(0), (std::vector<std::string>{"a", "b", "x", "x", "x", "x"}));
    std::vector<LPARAM> params = fx_.Params();
    EXPECT_EQ(std::set<LPARAM>(params.begin() + 2, params.end()), (std::set<LPARAM>{0, 2, 3, 5}));
}

TEST_F(SortingList, EmptyAndSingleRowListsOnlyFlipTheDirectionAndMoveTheArrow) {
    CSortingListCtrl& l = fx_.list();
    l.DeleteAllItems();
    fx_.ClickHeader(3);
    EXPECT_TRUE(l.m_bSortAscending);
    EXPECT_EQ(l.m_header.m_nSortColumn, 3);
    EXPECT_FALSE(l.SortByColumn(3, TRUE));
    fx_.FillColumn(0, {"only.swf"});
    fx_.ClickHeader(1);
    EXPECT_FALSE(l.m_bSortAscending);
    EXPECT_EQ(l.m_header.m_nSortColumn, 1);
    EXPECT_FALSE(l.m_header.m_bSortAscending);
    EXPECT_EQ(fx_.Column(0), (std::vector<std::string>{"only.swf"}));
}

TEST_F(SortingList, SortByColumnRefusesMissingColumnsAndSortsSubranges) {
    CSortingListCtrl& l = fx_.list();
    std::vector<LPARAM> before = fx_.Params();
    EXPECT_FALSE(l.SortByColumn(7, TRUE, 0, -1, TRUE));
    EXPECT_EQ(fx_.Params(), before);
    EXPECT_FALSE(l.SortByColumn(0, TRUE, 5, 5, TRUE));
    // Rows 10 to 20 only: the rows outside stay where they are.
    EXPECT_TRUE(l.SortByColumn(0, FALSE, 10, 20, TRUE));
    std::vector<LPARAM> after = fx_.Params();
    for (size_t i = 0; i < after.size(); ++i) {
        if (i < 10 || i > 20) {
            EXPECT_EQ(after[i], before[i]);
        }
    }
    std::vector<std::string> names = fx_.Column(0);
    EXPECT_TRUE(Ordered(std::vector<std::string>(names.begin() + 10, names.begin() + 21), false, true));
}

TEST_F(SortingList, UnsortableColumnsFlipTheDirectionButLeaveRowsAndArrow) {
    CSortingListCtrl& l = fx_.list();
    fx_.ClickHeader(0);
    l.m_bSortable[2] = FALSE;
    std::vector<LPARAM> before = fx_.Params();
    fx_.ClickHeader(2);
    EXPECT_EQ(fx_.Params(), before);
    EXPECT_FALSE(l.m_bSortAscending);
    EXPECT_EQ(l.m_nSortColumn, 2);
    EXPECT_EQ(l.m_header.m_nSortColumn, 0);
    // The next sortable click goes on with the flipped flag: ascending again.
    fx_.ClickHeader(5);
    EXPECT_TRUE(l.m_bSortAscending);
    EXPECT_TRUE(Ordered(fx_.Column(5), true, false));
}

TEST_F(SortingList, CustomDrawTintsRowsByVersion) {
    CSortingListCtrl& l = fx_.list();
    l.DeleteAllItems();
    fx_.FillColumn(5, {"3", "4", "5", "6", "7", "", "2", "6x"});
    const COLORREF kUntouched = RGB(1, 2, 3);
    const COLORREF kExpected[] = {RGB(235, 235, 255), RGB(235, 255, 255), RGB(255, 255, 240), RGB(235, 255, 240),
                                  kUntouched,         kUntouched,         kUntouched,         RGB(235, 255, 240)};
    // Through the form: the list view's parent reflects the notification and returns the list's result.
    NMLVCUSTOMDRAW cd = {};
    cd.nmcd.hdr.hwndFrom = l.m_hWnd;
    cd.nmcd.hdr.idFrom = 1000;
    cd.nmcd.hdr.code = NM_CUSTOMDRAW;
    cd.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(fx_.m_form.SendMessage(WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&cd)), CDRF_NOTIFYITEMDRAW);
    for (int i = 0; i < 8; ++i) {
        cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(i);
        cd.clrTextBk = kUntouched;
        EXPECT_EQ(fx_.m_form.SendMessage(WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&cd)), CDRF_DODEFAULT);
        EXPECT_EQ(cd.clrTextBk, kExpected[i]) << "version '" << fx_.Column(5)[static_cast<size_t>(i)] << "'";
    }
    cd.nmcd.dwDrawStage = CDDS_POSTPAINT;
    EXPECT_EQ(fx_.m_form.SendMessage(WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&cd)), CDRF_DODEFAULT);
    for (UINT code : fx_.m_form.m_unreflected) EXPECT_NE(code, static_cast<UINT>(NM_CUSTOMDRAW));
}

TEST_F(SortingList, PaintedRowsShowTheirTintOnScreen) {
    CSortingListCtrl& l = fx_.list();
    l.DeleteAllItems();
    fx_.FillColumn(5, {"6", "7", "3"});
    l.Invalidate();
    l.UpdateWindow();
    HDC dc = ::GetDC(l.m_hWnd);
    auto cellColour = [&](int row) {
        RECT r;
        l.GetSubItemRect(row, 3, LVIR_BOUNDS, &r);  // an empty cell: only its background
        return ::GetPixel(dc, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    EXPECT_EQ(cellColour(0), RGB(235, 255, 240));
    EXPECT_EQ(cellColour(1), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(cellColour(2), RGB(235, 235, 255));
    ::ReleaseDC(l.m_hWnd, dc);
}

TEST_F(SortingList, ArrowItemsBecomeOwnerDrawnAndStaySo) {
    CArrowHeaderCtrl& h = fx_.list().m_header;
    EXPECT_EQ(h.m_nSortColumn, -1);
    auto format = [&](int column) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        h.GetItem(column, &item);
        return item.fmt;
    };
    for (int c = 0; c < 7; ++c) EXPECT_FALSE(format(c) & HDF_OWNERDRAW);
    fx_.ClickHeader(2);
    EXPECT_TRUE(format(2) & HDF_OWNERDRAW);
    EXPECT_TRUE(format(2) & HDF_RIGHT);  // the alignment is kept
    EXPECT_EQ(h.m_nSortColumn, 2);
    EXPECT_TRUE(h.m_bSortAscending);
    fx_.ClickHeader(5);
    EXPECT_TRUE(format(2) & HDF_OWNERDRAW);
    EXPECT_TRUE(format(5) & HDF_OWNERDRAW);
    EXPECT_TRUE(format(5) & HDF_CENTER);
    EXPECT_FALSE(format(0) & HDF_OWNERDRAW);
    EXPECT_EQ(h.m_nSortColumn, 5);
    EXPECT_FALSE(h.m_bSortAscending);
}

namespace {

// Paints header item `column` of `h` into a bitmap of the item's size with the given state and returns the
// pixels (x, y from the item's top left).
struct Painted {
    int w = 0, h = 0;
    std::vector<COLORREF> px;
    COLORREF at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    bool Has(COLORREF c, int x0, int y0, int x1, int y1) const {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (at(x, y) == c) return true;
        return false;
    }
};

Painted PaintItem(CArrowHeaderCtrl& h, int column, int width, int height, UINT state) {
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    RECT all = {0, 0, width, height};
    ::FillRect(mem, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::SetBkMode(mem, TRANSPARENT);  // as the header's own device context holds it
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_HEADER;
    dis.itemID = static_cast<UINT>(column);
    dis.itemState = state;
    dis.hwndItem = h.m_hWnd;
    dis.hDC = mem;
    dis.rcItem = all;
    // Through the list: the header's owner reflects WM_DRAWITEM to the header.
    ::SendMessageA(::GetParent(h.m_hWnd), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    Painted p;
    p.w = width;
    p.h = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.px.push_back(::GetPixel(mem, x, y));
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return p;
}

}  // namespace

TEST_F(SortingList, ArrowIsDrawnWithThePartsGeometry) {
    CArrowHeaderCtrl& h = fx_.list().m_header;
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    ASSERT_NE(light, face);
    ASSERT_NE(shadow, face);
    const int W = 100, H = 20, o = H / 4, R = W, B = H;

    h.SetSortImage(1, TRUE);
    Painted up = PaintItem(h, 1, W, H, 0);
    // Light pen from (R-2o, o) to (R-o, B-o-1), then on to (R-3o-2, B-o-1) (end points left out); shadow pen
    // from (R-3o-1, B-o-1) to (R-2o, o-1).
    EXPECT_EQ(up.at(R - 2 * o, o), light);
    EXPECT_TRUE(up.Has(light, R - 2 * o, o + 2, R - o, B - o - 2));  // the right flank
    EXPECT_EQ(up.at(R - o, B - o - 1), light);                       // the corner, drawn as the start of the base line
    EXPECT_EQ(up.at(R - 2 * o, B - o - 1), light);
    EXPECT_EQ(up.at(R - 3 * o - 1, B - o - 1), shadow);                   // the base's end is the shadow's start
    EXPECT_EQ(up.at(R - 3 * o - 2, B - o - 1), face);                     // the end point of the base is left out
    EXPECT_TRUE(up.Has(shadow, R - 3 * o, o + 1, R - 2 * o, B - o - 2));  // the left flank
    EXPECT_EQ(up.at(R - 2 * o, o - 1), face);                             // the shadow's end point is left out
    EXPECT_EQ(up.at(0, 0), face);                                         // background
    EXPECT_FALSE(up.Has(light, 0, 0, R - 3 * o - 2, H));                  // nothing of the arrow left of it

    h.SetSortImage(1, FALSE);
    Painted down = PaintItem(h, 1, W, H, 0);
    // Light pen from (R-o-1, o) to (R-2o-1, B-o); shadow from (R-2o-2, B-o) to (R-3o-1, o), on to (R-o-1, o).
    EXPECT_EQ(down.at(R - o - 1, o), light);
    EXPECT_EQ(down.at(R - o - 2, o + 2), light);
    EXPECT_EQ(down.at(R - 2 * o - 1, B - o), face);
    EXPECT_EQ(down.at(R - 2 * o - 2, B - o), shadow);
    EXPECT_EQ(down.at(R - 3 * o - 1, o), shadow);
    EXPECT_EQ(down.at(R - 2 * o, o), shadow);  // the top edge in the shadow colour

    // Pressed: the arrow stays where it is.
    Painted pressed = PaintItem(h, 1, W, H, ODS_SELECTED);
    EXPECT_EQ(pressed.at(R - o - 1, o), light);
    EXPECT_EQ(pressed.at(R - 3 * o - 1, o), shadow);

    // Another item is drawn without an arrow but with its text (in the device context's colour, black).
    Painted plain = PaintItem(h, 0, W, H, 0);
    EXPECT_FALSE(plain.Has(light, 0, 0, W, H));
    EXPECT_FALSE(plain.Has(shadow, 0, 0, W, H));
    EXPECT_TRUE(plain.Has(RGB(0, 0, 0), o, 0, W - o, H));
    EXPECT_FALSE(plain.Has(RGB(0, 0, 0), 0, 0, o, H));  // the label starts after the inset
}

TEST_F(SortingList, NarrowArrowItemPaintsOnlyBackgroundAndArrow) {
    CArrowHeaderCtrl& h = fx_.list().m_header;
    h.SetSortImage(0, TRUE);
    // 20 high: o = 5, the label loses 3o + 2o = 25 pixels, so an item 25 wide has no room for text.
    Painted p = PaintItem(h, 0, 25, 20, 0);
    EXPECT_FALSE(p.Has(RGB(0, 0, 0), 0, 0, 25, 20));
    EXPECT_TRUE(p.Has(::GetSysColor(COLOR_BTNHIGHLIGHT), 0, 0, 25, 20));
    EXPECT_TRUE(p.Has(::GetSysColor(COLOR_BTNFACE), 0, 0, 25, 20));
}
