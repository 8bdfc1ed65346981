// The arrow header: owner-drawn items and the sort arrow.
#include "arrow_header_ctrl.h"

void CArrowHeaderCtrl::SetSortImage(int nColumn, BOOL bAscending) {
    m_nSortColumn = nColumn;
    m_bSortAscending = bAscending;
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    GetItem(nColumn, &item);
    item.fmt |= HDF_OWNERDRAW;
    SetItem(nColumn, &item);
    Invalidate(TRUE);
}

void CArrowHeaderCtrl::DrawItem(DRAWITEMSTRUCT* pDrawItem) {
    HDC hdc = pDrawItem->hDC;
    const RECT item = pDrawItem->rcItem;
    int saved = ::SaveDC(hdc);
    ::IntersectClipRect(hdc, item.left, item.top, item.right, item.bottom);
    ::FillRect(hdc, &item, ::GetSysColorBrush(COLOR_BTNFACE));

    wchar_t text[256] = {};
    HDITEMW hdi = {};
    hdi.mask = HDI_TEXT | HDI_FORMAT;
    hdi.pszText = text;
    hdi.cchTextMax = 255;
    GetItem(static_cast<int>(pDrawItem->itemID), &hdi);

    UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_VCENTER | DT_END_ELLIPSIS;
    if (hdi.fmt & HDF_CENTER)
        format |= DT_CENTER;
    else if (hdi.fmt & HDF_RIGHT)
        format |= DT_RIGHT;

    RECT label = item;
    if (pDrawItem->itemState == ODS_SELECTED) {  // pressed: the label moves, the arrow does not
        label.left += 1;
        label.top += 2;
        label.right += 1;
    }
    const int o = (item.bottom - item.top) / 4;
    const bool sortColumn = static_cast<int>(pDrawItem->itemID) == m_nSortColumn;
    if (sortColumn) label.right -= 3 * o;
    label.left += o;
    label.right -= o;
    if (label.left < label.right) ::DrawTextW(hdc, text, -1, &label, format);

    if (sortColumn) {
        HPEN light = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        HPEN shadow = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
        HGDIOBJ previous = ::SelectObject(hdc, light);
        const int R = item.right;
        const int B = item.bottom;
        if (m_bSortAscending) {
            ::MoveToEx(hdc, R - 2 * o, o, nullptr);
            ::LineTo(hdc, R - o, B - o - 1);
            ::LineTo(hdc, R - 3 * o - 2, B - o - 1);
            ::SelectObject(hdc, shadow);
            ::MoveToEx(hdc, R - 3 * o - 1, B - o - 1, nullptr);
            ::LineTo(hdc, R - 2 * o, o - 1);
        } else {
            ::MoveToEx(hdc, R - o - 1, o, nullptr);
            ::LineTo(hdc, R - 2 * o - 1, B - o);
            ::SelectObject(hdc, shadow);
            ::MoveToEx(hdc, R - 2 * o - 2, B - o, nullptr);
            ::LineTo(hdc, R - 3 * o - 1, o);
            ::LineTo(hdc, R - o - 1, o);
        }
        ::SelectObject(hdc, previous);
        ::DeleteObject(light);
        ::DeleteObject(shadow);
    }
    ::RestoreDC(hdc, saved);
}
