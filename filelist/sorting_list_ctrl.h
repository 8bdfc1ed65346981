// The file list's control: a report list view that sorts its rows in place when a column header is clicked
// (one direction flag for the whole list, flipped by every click), shows the sort arrow in its header and
// tints rows by the Flash version in column 5. It keeps no copy of the rows: every comparison reads the cells.
#pragma once

#include <string>
#include <vector>

#include "arrow_header_ctrl.h"
#include "controls.h"

class CSortingListCtrl : public CListCtrl {
public:
    // The column of the version whose number picks a row's background.
    static constexpr int kVersionColumn = 5;

    int m_nSortColumn = 0;          // column of the most recent header click
    BOOL m_bSortAscending = FALSE;  // direction of the next sort; reversed before each sort
    CArrowHeaderCtrl m_header;      // the list's header, bound when the list is
    // One entry per column, filled by the owner after inserting the columns: TRUE compares the column as
    // text, FALSE as a number; TRUE lets a click on the column's header sort. A column without an entry is
    // neither.
    std::vector<BOOL> m_bTextColumn;
    std::vector<BOOL> m_bSortable;

    // Sorts rows `nLow` to `nHigh` (-1: the last row) by the texts of column `nColumn`, ascending or
    // descending, as text or as numbers, moving each row's texts, image, state and parameter together.
    // FALSE, changing nothing, when the column does not exist or the range has fewer than two rows.
    BOOL SortByColumn(int nColumn, BOOL bAscending, int nLow = 0, int nHigh = -1, BOOL bTextKind = TRUE);

    // With bGreater FALSE, whether `a` orders before `b`; with bGreater TRUE, whether it orders after. Text:
    // by character code, case-sensitive, multibyte-aware. Number: the whole integer each text shows, grouping
    // commas between digits skipped, reading stopped at any other character ("37%" is 37; no digits is 0).
    static BOOL CompareCells(const std::string& a, const std::string& b, BOOL bGreater, BOOL bTextKind);
    // The same for two cells as the list holds them (UTF-16): compared in the ANSI code page as above; texts that
    // read alike there because it cannot hold all their characters (the Chinese comments on a system of another
    // language) are told apart by their UTF-16 code units.
    static BOOL CompareCells(const std::wstring& a, const std::wstring& b, BOOL bGreater, BOOL bTextKind);
    // The integer a number cell shows, as CompareCells reads it (saturated at the 64-bit range).
    static long long CellNumber(const std::string& text);
    // The background of a row whose version cell reads `nVersion` (3 to 6), or CLR_DEFAULT.
    static COLORREF VersionTint(int nVersion);

    // Reflected LVN_COLUMNCLICK: flips the direction, records the column and, when it is sortable, moves the
    // arrow and sorts the whole list. After a sort the owner hears of it as of a change of every row's state (an
    // LVN_ITEMCHANGED for item -1), so that what it keeps of the selection is taken afresh.
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    // True while a header click sorts the rows: the changes of state the row exchanges raise are no changes of
    // the selection.
    bool IsSorting() const { return m_bSorting; }
    // Reflected NM_CUSTOMDRAW: asks for item notifications and tints rows of versions 3 to 6.
    void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);

protected:
    // Binds m_header to the list's header window.
    void PreSubclassWindow() override;
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    // Exchanges rows `a` and `b`: all texts, then image, state and parameter; the selection mark goes with its row.
    void SwapRows(int a, int b);

    bool m_bSorting = false;
};
