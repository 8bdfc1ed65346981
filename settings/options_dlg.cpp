// The Options dialog.
#include "options_dlg.h"

#include "option_store.h"
#include "resource.h"

COptionsDlg::COptionsDlg(CWnd* pParent) : CDialog(IDD_OPTIONS, pParent) {}

BOOL COptionsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_bBackup = ReadBackupOption();
    m_bProtect = ReadProtectOption();
    m_nDblClickAction = ReadDoubleClickAction();
    UpdateData(FALSE);
    return TRUE;
}

void COptionsDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_OPTION_BACKUP, m_bBackup);
    DDX_Check(pDX, IDC_OPTION_PROTECT, m_bProtect);
    DDX_Radio(pDX, IDC_DBLCLICK_VIEW, m_nDblClickAction);
}

BOOL COptionsDlg::HandleCommand(UINT nID, int nCode) {
    static const CommandEntry<COptionsDlg> kCommands[] = {
        {IDC_OPTIONS_SAVE, &COptionsDlg::OnSave},
        {IDC_OPTIONS_CANCEL, &COptionsDlg::OnCancel},
    };
    return DispatchCommand(this, kCommands, nID, nCode) || CDialog::HandleCommand(nID, nCode);
}

void COptionsDlg::OnSave() {
    UpdateData(TRUE);
    WriteBackupOption(m_bBackup);
    WriteProtectOption(m_bProtect);
    WriteDoubleClickAction(m_nDblClickAction);
    OnOK();
}
