// Thin wrappers over the common controls the program uses: list view, header, toolbar, status bar and
// tooltip, plus image lists and bitmaps. Each method is one call of the control's message or function. The controls
// hold and show their texts as UTF-16 (the program's own texts are wide); a text given or read as a narrow string is
// one of the ANSI code page (a path, a file name, a figure), converted at this boundary.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "wnd.h"

class CHeaderCtrl : public CWnd {
public:
    int GetItemCount() const { return Header_GetItemCount(m_hWnd); }
    BOOL GetItem(int nPos, HDITEMW* pItem) const {
        return static_cast<BOOL>(SendMessage(HDM_GETITEMW, static_cast<WPARAM>(nPos), reinterpret_cast<LPARAM>(pItem)));
    }
    BOOL SetItem(int nPos, HDITEMW* pItem) const {
        return static_cast<BOOL>(SendMessage(HDM_SETITEMW, static_cast<WPARAM>(nPos), reinterpret_cast<LPARAM>(pItem)));
    }
    BOOL GetItemRect(int nIndex, RECT* rect) const { return Header_GetItemRect(m_hWnd, nIndex, rect); }

protected:
    // Paints an owner-drawn item (HDF_OWNERDRAW); the list or window that owns the header reflects its
    // WM_DRAWITEM here.
    virtual void DrawItem(DRAWITEMSTRUCT* pDrawItem) { (void)pDrawItem; }
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CListCtrl : public CWnd {
public:
    int GetItemCount() const { return ListView_GetItemCount(m_hWnd); }
    // Inserts a column; returns its index or -1.
    int InsertColumn(int nCol, const std::wstring& heading, int nFormat = LVCFMT_LEFT, int nWidth = -1) const;
    BOOL SetColumnWidth(int nCol, int cx) const { return ListView_SetColumnWidth(m_hWnd, nCol, cx); }
    int GetColumnWidth(int nCol) const { return ListView_GetColumnWidth(m_hWnd, nCol); }
    // Appends or inserts an item with its first column's text (of the ANSI code page) and small image; returns its
    // index or -1.
    int InsertItem(int nItem, const std::string& text, int nImage = -1) const;
    // A cell's text: of the ANSI code page, or as the list shows it.
    BOOL SetItemText(int nItem, int nSubItem, const std::string& text) const;
    BOOL SetItemText(int nItem, int nSubItem, const std::wstring& text) const;
    // The whole text of a cell, however long, as the list holds it.
    std::wstring GetItemTextW(int nItem, int nSubItem) const;
    // The same in the ANSI code page, for the cells that hold paths, names and figures (a character the code page
    // cannot hold reads as "?").
    std::string GetItemText(int nItem, int nSubItem) const;
    BOOL GetItem(LVITEMW* pItem) const {
        return static_cast<BOOL>(SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(pItem)));
    }
    BOOL SetItem(const LVITEMW* pItem) const {
        return static_cast<BOOL>(SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(pItem)));
    }
    UINT GetItemState(int nItem, UINT nMask) const { return ListView_GetItemState(m_hWnd, nItem, nMask); }
    BOOL SetItemState(int nItem, UINT nState, UINT nMask) const;
    LPARAM GetItemData(int nItem) const;
    int GetNextItem(int nItem, int nFlags) const { return ListView_GetNextItem(m_hWnd, nItem, nFlags); }
    UINT GetSelectedCount() const { return ListView_GetSelectedCount(m_hWnd); }
    int GetSelectionMark() const { return ListView_GetSelectionMark(m_hWnd); }
    int SetSelectionMark(int nIndex) const { return ListView_SetSelectionMark(m_hWnd, nIndex); }
    BOOL DeleteItem(int nItem) const { return ListView_DeleteItem(m_hWnd, nItem); }
    BOOL DeleteAllItems() const { return ListView_DeleteAllItems(m_hWnd); }
    // FALSE: the list keeps no account of what to repaint while its rows change in bulk; TRUE: it takes up painting
    // again and shows every row afresh.
    void SetRedraw(BOOL bRedraw) const {
        SendMessage(WM_SETREDRAW, static_cast<WPARAM>(bRedraw));
        if (bRedraw) Invalidate();
    }
    DWORD SetExtendedStyle(DWORD dwStyle) const {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwStyle));
    }
    DWORD GetExtendedStyle() const { return ListView_GetExtendedListViewStyle(m_hWnd); }
    HIMAGELIST SetImageList(HIMAGELIST hList, int nType) const { return ListView_SetImageList(m_hWnd, hList, nType); }
    HWND GetHeaderCtrl() const { return ListView_GetHeader(m_hWnd); }
    HWND EditLabel(int nItem) const { return ListView_EditLabel(m_hWnd, nItem); }
    BOOL EnsureVisible(int nItem) const { return ListView_EnsureVisible(m_hWnd, nItem, FALSE); }
    BOOL GetSubItemRect(int nItem, int nSubItem, int nArea, RECT* rect) const {
        return ListView_GetSubItemRect(m_hWnd, nItem, nSubItem, nArea, rect);
    }
};

class CToolBarCtrl : public CWnd {
public:
    // Creates a toolbar child of `pParent` with identifier `nID` and the given styles; FALSE on failure.
    BOOL Create(DWORD dwStyle, CWnd* pParent, UINT nID);
    // Adds the buttons of toolbar resource `nIDResource` (a version-1 table of image size and command
    // identifiers, 0 for a separator), with image indexes counted over the non-separator buttons.
    BOOL LoadToolBar(UINT nIDResource);
    int GetButtonCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }
    BOOL GetButton(int nIndex, TBBUTTON* pButton) const {
        return static_cast<BOOL>(
            SendMessage(TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(pButton)));
    }
    // Shows `text` as the caption of button `nIndex`.
    BOOL SetButtonText(int nIndex, const std::wstring& text) const;
    HIMAGELIST SetImageList(HIMAGELIST hList) const {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(hList)));
    }
    void AutoSize() const { SendMessage(TB_AUTOSIZE); }
};

// A rebar: bands that hold other controls (the toolbar), each with a gripper by which the user moves it among the
// others (the first band of a row stays at the row's start).
class CReBarCtrl : public CWnd {
public:
    // Creates a rebar child of `pParent` with identifier `nID` and the given styles; FALSE on failure.
    BOOL Create(DWORD dwStyle, CWnd* pParent, UINT nID);
    int GetBandCount() const { return static_cast<int>(SendMessage(RB_GETBANDCOUNT)); }
    // Band information in the size every version of the common controls takes (cbSize is set here).
    BOOL InsertBand(int nIndex, REBARBANDINFOW* pInfo) const;
    BOOL SetBandInfo(int nBand, REBARBANDINFOW* pInfo) const;
    BOOL GetBandInfo(int nBand, REBARBANDINFOW* pInfo) const;
};

class CStatusBarCtrl : public CWnd {
public:
    BOOL Create(DWORD dwStyle, CWnd* pParent, UINT nID);
    // Sets the panes' right edges, in pixels from the left (-1: to the window's end).
    BOOL SetParts(const std::vector<int>& rightEdges) const {
        return static_cast<BOOL>(
            SendMessage(SB_SETPARTS, rightEdges.size(), reinterpret_cast<LPARAM>(rightEdges.data())));
    }
    int GetParts(std::vector<int>* rightEdges) const;
    BOOL SetText(int nPane, const std::wstring& text, int nType = 0) const {
        return static_cast<BOOL>(
            SendMessage(SB_SETTEXTW, static_cast<WPARAM>(nPane | nType), reinterpret_cast<LPARAM>(text.c_str())));
    }
    std::wstring GetText(int nPane) const;
};

class CToolTipCtrl : public CWnd {
public:
    // Creates the tooltip window owned by `pOwner`.
    BOOL Create(CWnd* pOwner, DWORD dwStyle = 0);
    // Adds tool `nIDTool` of window `pWnd` covering `rect` in its client coordinates, with `text`.
    BOOL AddTool(CWnd* pWnd, const std::wstring& text, const RECT& rect, UINT_PTR nIDTool) const;
    void UpdateTipText(const std::wstring& text, CWnd* pWnd, UINT_PTR nIDTool) const;
    std::wstring GetText(CWnd* pWnd, UINT_PTR nIDTool) const;
    void RelayEvent(MSG* pMsg) const { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(pMsg)); }
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
};

// The ownership rule of the program's GDI objects (fonts, bitmaps) and image lists: the object that holds one owns
// it and deletes it (with `Delete`) when it goes, when it is given another one, or when asked to; a handle copied
// out of it only borrows it.
template <class THandle, auto Delete>
class COwnedHandle {
public:
    COwnedHandle() = default;
    ~COwnedHandle() { DeleteObject(); }
    COwnedHandle(const COwnedHandle&) = delete;
    COwnedHandle& operator=(const COwnedHandle&) = delete;

    THandle m_hObject = nullptr;
    operator THandle() const { return m_hObject; }
    // Takes `hObject` over, deleting the one held before; FALSE when it is null.
    BOOL Attach(THandle hObject) {
        DeleteObject();
        m_hObject = hObject;
        return hObject != nullptr;
    }
    BOOL DeleteObject() {
        BOOL ok = m_hObject && Delete(m_hObject);
        m_hObject = nullptr;
        return ok;
    }
    // Gives the object up without deleting it (to another owner); the handle.
    THandle Detach() {
        THandle hObject = m_hObject;
        m_hObject = nullptr;
        return hObject;
    }
};

using CFont = COwnedHandle<HFONT, ::DeleteObject>;

class CBitmap : public COwnedHandle<HBITMAP, ::DeleteObject> {
public:
    // Loads bitmap resource `nID` of the program as a DIB section with the system's 3-D colour mapping
    // (LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS) at its natural size.
    BOOL LoadBitmap(UINT nID);
};

class CImageList : public COwnedHandle<HIMAGELIST, ::ImageList_Destroy> {
public:
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) {
        return Attach(ImageList_Create(cx, cy, nFlags, nInitial, nGrow));
    }
    // Cuts `hBitmap` into images of the list's size, `crMask` being transparent; the index of the first one
    // added, or -1.
    int Add(HBITMAP hBitmap, COLORREF crMask) const { return ImageList_AddMasked(m_hObject, hBitmap, crMask); }
};
