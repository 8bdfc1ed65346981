// The About box (dialog 100): the product's name and version, the maker, and two links, to the maker's home page
// and to the support mailbox.
#pragma once

#include "dialog.h"
#include "hyperlink.h"

class CAboutDlg : public CDialog {
public:
    // Owned by the main window (no parent of its own).
    CAboutDlg();

    CHyperLink m_linkHomePage;     // item 1011
    CHyperLink m_linkSupportMail;  // item 1012

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Binds the links, then shows the home page's address as its own text and "E-Mail:" with the address on the
    // mail link, whose target is the "mailto:" address.
    BOOL OnInitDialog() override;
};
