// The header of the sortable file list: owner-drawn items, with a sort arrow at the right end of the item of
// the column last sorted.
#pragma once

#include "controls.h"

class CArrowHeaderCtrl : public CHeaderCtrl {
public:
    int m_nSortColumn = -1;        // header item that carries the arrow; -1: none
    BOOL m_bSortAscending = TRUE;  // direction the arrow shows

    // Puts the arrow on item `nColumn` pointing up (ascending) or down, makes that item owner-drawn (it stays
    // so afterwards) and repaints the whole header.
    void SetSortImage(int nColumn, BOOL bAscending);

    // Paints one owner-drawn item: the button face, the label (left, centred or right as the item's format
    // says, shortened with an ellipsis) and, on the sort column, the arrow in the highlight and shadow colours.
    void DrawItem(DRAWITEMSTRUCT* pDrawItem) override;
};
