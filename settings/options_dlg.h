// The Options dialog (dialog 143): the backup and protection check boxes and the double-click radio group,
// loaded from config.ini when it opens and written back by its Save button.
#pragma once

#include "dialog.h"

class COptionsDlg : public CDialog {
public:
    // The dialog on template 143, owned by `pParent` (null: the main window).
    explicit COptionsDlg(CWnd* pParent = nullptr);

    int m_bBackup = 0;           // check box 1020
    int m_bProtect = 0;          // check box 1019
    int m_nDblClickAction = -1;  // radio group from 1016; -1 for none

protected:
    // Loads the three stored options and shows them.
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // 1021 Save, 1006 Cancel, then the standard IDOK and IDCANCEL.
    BOOL HandleCommand(UINT nID, int nCode) override;

    // Reads the controls, writes ISBACKUP, ISPROTECT and DOUBLECLICKACTION in this order, and closes the
    // dialog the standard OK way.
    void OnSave();
};
