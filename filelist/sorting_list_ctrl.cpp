// The sortable list: header clicks, the in-place partition-exchange sort, the comparison and the row tints.
#include "sorting_list_ctrl.h"

#include <climits>
#include <cstdlib>

#include "ansi_path.h"
#include "cell_compare.h"

void CSortingListCtrl::PreSubclassWindow() {
    CListCtrl::PreSubclassWindow();
    m_header.SubclassWindow(GetHeaderCtrl());
}

BOOL CSortingListCtrl::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    (void)wParam;
    if (msg != WM_NOTIFY) return FALSE;
    NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
    switch (hdr->code) {
        case LVN_COLUMNCLICK:
            OnColumnClick(hdr, pResult);
            return TRUE;
        case NM_CUSTOMDRAW:
            OnCustomDraw(hdr, pResult);
            return TRUE;
        default:
            return FALSE;
    }
}

void CSortingListCtrl::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    const NMLISTVIEW* nm = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    m_bSortAscending = !m_bSortAscending;
    m_nSortColumn = nm->iSubItem;
    size_t column = static_cast<size_t>(m_nSortColumn);
    if (m_nSortColumn < 0 || column >= m_bSortable.size() || !m_bSortable[column]) return;
    BOOL textKind = column < m_bTextColumn.size() ? m_bTextColumn[column] : FALSE;
    if (m_header.m_hWnd) m_header.SetSortImage(m_nSortColumn, m_bSortAscending);
    // Every exchange rewrites two rows; the list is repainted once, when the sort is over.
    m_bSorting = true;
    SetRedraw(FALSE);
    SortByColumn(m_nSortColumn, m_bSortAscending, 0, -1, textKind);
    SetRedraw(TRUE);
    m_bSorting = false;
    NMLISTVIEW moved = {};
    moved.hdr.hwndFrom = m_hWnd;
    moved.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    moved.hdr.code = LVN_ITEMCHANGED;
    moved.iItem = -1;
    moved.uChanged = LVIF_STATE;
    ::SendMessageW(GetParent(), WM_NOTIFY, moved.hdr.idFrom, reinterpret_cast<LPARAM>(&moved));
    *pResult = 0;
}

COLORREF CSortingListCtrl::VersionTint(int nVersion) {
    switch (nVersion) {
        case 3:
            return RGB(235, 235, 255);
        case 4:
            return RGB(235, 255, 255);
        case 5:
            return RGB(255, 255, 240);
        case 6:
            return RGB(235, 255, 240);
        default:
            return CLR_DEFAULT;
    }
}

void CSortingListCtrl::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
    NMLVCUSTOMDRAW* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(pNMHDR);
    switch (cd->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            *pResult = CDRF_NOTIFYITEMDRAW;
            return;
        case CDDS_ITEMPREPAINT: {
            *pResult = CDRF_DODEFAULT;
            std::string version = GetItemText(static_cast<int>(cd->nmcd.dwItemSpec), kVersionColumn);
            COLORREF tint = VersionTint(std::atoi(version.c_str()));
            if (tint != CLR_DEFAULT) cd->clrTextBk = tint;
            return;
        }
        default:
            *pResult = CDRF_DODEFAULT;
    }
}

long long CSortingListCtrl::CellNumber(const std::string& text) { return ::CellNumber(text); }

BOOL CSortingListCtrl::CompareCells(const std::string& a, const std::string& b, BOOL bGreater, BOOL bTextKind) {
    return CellOrders(a, b, bGreater != FALSE, bTextKind != FALSE) ? TRUE : FALSE;
}

BOOL CSortingListCtrl::CompareCells(const std::wstring& a, const std::wstring& b, BOOL bGreater, BOOL bTextKind) {
    const std::string ansiA = ansi_path::Narrow(a, CP_ACP), ansiB = ansi_path::Narrow(b, CP_ACP);
    if (!bTextKind || ansiA != ansiB) return CompareCells(ansiA, ansiB, bGreater, bTextKind);
    // Alike in the ANSI code page ("??" for two Chinese comments on a Western system): in the order of their UTF-16,
    // so that the texts still sort into groups.
    return (bGreater ? a > b : a < b) ? TRUE : FALSE;
}

BOOL CSortingListCtrl::SortByColumn(int nColumn, BOOL bAscending, int nLow, int nHigh, BOOL bTextKind) {
    if (nColumn < 0 || nColumn >= m_header.GetItemCount()) return FALSE;
    if (nHigh == -1) nHigh = GetItemCount() - 1;
    int lo = nLow;
    int hi = nHigh;
    if (hi <= lo) return FALSE;

    const std::wstring pivot = GetItemTextW((lo + hi) / 2, nColumn);
    while (lo <= hi) {
        // Ascending: lo stops at a text not before the pivot, hi at one not after it; descending the other way.
        while (lo < nHigh && CompareCells(GetItemTextW(lo, nColumn), pivot, !bAscending, bTextKind)) ++lo;
        while (hi > nLow && CompareCells(GetItemTextW(hi, nColumn), pivot, bAscending, bTextKind)) --hi;
        if (lo <= hi) {
            if (GetItemTextW(lo, nColumn) != GetItemTextW(hi, nColumn)) SwapRows(lo, hi);
            ++lo;
            --hi;
        }
    }
    if (nLow < hi) SortByColumn(nColumn, bAscending, nLow, hi, bTextKind);
    if (lo < nHigh) SortByColumn(nColumn, bAscending, lo, nHigh, bTextKind);
    return TRUE;
}

void CSortingListCtrl::SwapRows(int a, int b) {
    // The row the user last clicked or moved to stays the commands' row wherever it moves.
    const int mark = GetSelectionMark();
    const int columns = m_header.GetItemCount();
    std::vector<std::wstring> textsA(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) textsA[static_cast<size_t>(c)] = GetItemTextW(a, c);

    const UINT stateMask =
        LVIS_CUT | LVIS_DROPHILITED | LVIS_FOCUSED | LVIS_SELECTED | LVIS_OVERLAYMASK | LVIS_STATEIMAGEMASK;
    LVITEMW itemA = {};
    itemA.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
    itemA.iItem = a;
    itemA.stateMask = stateMask;
    GetItem(&itemA);
    LVITEMW itemB = itemA;
    itemB.iItem = b;
    GetItem(&itemB);

    for (int c = 0; c < columns; ++c) SetItemText(a, c, GetItemTextW(b, c));
    itemB.iItem = a;
    itemB.stateMask = stateMask;
    SetItem(&itemB);

    for (int c = 0; c < columns; ++c) SetItemText(b, c, textsA[static_cast<size_t>(c)]);
    itemA.iItem = b;
    itemA.stateMask = stateMask;
    SetItem(&itemA);

    SetSelectionMark(mark == a ? b : mark == b ? a : mark);
}
