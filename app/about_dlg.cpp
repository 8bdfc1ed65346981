// The About box.
#include "about_dlg.h"

#include "product_info.h"
#include "resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX, nullptr) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LINK_HOMEPAGE, m_linkHomePage);
    DDX_Control(pDX, IDC_LINK_SUPPORTMAIL, m_linkSupportMail);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_linkHomePage.SetLinkUrl(SQZ_HOME_PAGE_URL);
    m_linkHomePage.SetLinkText(SQZ_HOME_PAGE_URL);
    m_linkSupportMail.SetLinkUrl("mailto:" SQZ_SUPPORT_MAIL);
    m_linkSupportMail.SetLinkText("E-Mail:" SQZ_SUPPORT_MAIL);
    UpdateData(FALSE);
    return TRUE;
}
