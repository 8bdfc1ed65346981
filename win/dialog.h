// Dialogs from templates in the resources: modal dialogs with their own message loop, child dialogs (form
// views) and the data exchange between a dialog's members and its controls.
#pragma once

#include <windows.h>

#include <string>

#include "wnd.h"

// One run of a dialog's data exchange: the direction, the dialog, and whether a value was refused.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;
    BOOL m_bFailed = FALSE;  // a control held a value its member cannot take
    // The control `nID` of the dialog (null when the template has none).
    HWND PrepareCtrl(int nID) const { return ::GetDlgItem(m_pDlgWnd->m_hWnd, nID); }
    // Marks the exchange failed and gives the offending control the focus.
    void Fail(HWND hCtrl);
};

// A check box as 0 or 1 (2 for the third state of a three-state box). On display a value outside 0 to 2 is
// replaced by 0 and shown unchecked.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// A group of radio buttons as the zero-based index of the checked one, -1 when none is. `nIDC` is the first
// button, carrying WS_GROUP; the group runs to the next control with WS_GROUP (or the end of the template)
// and only radio buttons are counted. On display a value that matches no button leaves all unchecked.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// An edit's text as a string of the ANSI code page (a file name, a figure), shown as UTF-16.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// An edit's text as a decimal integer; text that is not one fails the exchange and leaves `value` alone.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
// Binds the control `nIDC` to `control` (SubclassWindow) the first time; later exchanges leave it.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);

class CDialog : public CWnd {
public:
    // A dialog on template `nIDTemplate` of the program's resources; `pParentWnd` owns it (null: the
    // application's main window, when there is one).
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

    // Shows the dialog modally: disables the owner, runs the dialog's own message loop (with the
    // PreTranslateMessage filters of its windows) until EndDialog, and destroys it. Returns the EndDialog
    // value, or -1 when the template cannot be loaded.
    virtual INT_PTR DoModal();
    // Ends a modal dialog with `nResult` (after the message being handled).
    void EndDialog(int nResult);
    // Runs the data exchange in one direction; FALSE when a control's value was refused.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    BOOL PreTranslateMessage(MSG* pMsg) override;

    UINT m_nIDTemplate;

protected:
    // Initialisation when the dialog exists and before it shows: binds and fills the controls through the
    // data exchange (UpdateData(FALSE)). Returns TRUE to let the system set the initial focus.
    virtual BOOL OnInitDialog();
    // The dialog's data exchange: DDX_ calls between members and controls.
    virtual void DoDataExchange(CDataExchange* pDX) { (void)pDX; }
    // IDOK: pulls the controls into the members and, when that succeeds, ends the dialog with IDOK.
    virtual void OnOK();
    // IDCANCEL (also Escape and the close box): ends the dialog with IDCANCEL.
    virtual void OnCancel();
    // IDOK and IDCANCEL.
    BOOL HandleCommand(UINT nID, int nCode) override;

    // Creates the dialog as a modeless window of the template (for DoModal and for child dialogs).
    BOOL CreateFromTemplate(HWND hWndParent);
    // The dialog procedure of every dialog of this layer.
    static INT_PTR CALLBACK DlgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    CWnd* m_pParentWnd;
    bool m_bInModalLoop = false;
    int m_nModalResult = -1;
};

// A dialog template shown as a child window that fills part of its parent (the program's file list view).
class CFormView : public CDialog {
public:
    explicit CFormView(UINT nIDTemplate) : CDialog(nIDTemplate, nullptr) {}
    // Creates the form as child `nID` of `pParent` (the template must have WS_CHILD) and places it at
    // `rect`; FALSE when it cannot be created.
    BOOL Create(CWnd* pParent, UINT nID, const RECT& rect);
    // Called once by the frame when the form is first shown: the data exchange towards the controls.
    virtual void OnInitialUpdate() { UpdateData(FALSE); }
    // Accelerators of the frame come before the form's dialog keys.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    // WM_SETFOCUS: the focus goes on to the form's first control that can take it (its first tab stop, else its
    // first visible and enabled control), as a view hands the keyboard to its content.
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // A form view does its data exchange in OnInitialUpdate.
    BOOL OnInitDialog() override { return TRUE; }
    // Enter and Escape do not close a form.
    void OnOK() override {}
    void OnCancel() override {}
};
