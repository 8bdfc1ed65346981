// The properties dialog of one movie (dialog 142): file name, Flash version, length in K, frame size, frame rate,
// frame count and creation time, each in a read-only edit, read from the movie when the dialog opens.
#pragma once

#include <string>

#include "dialog.h"

class CFilePropertiesDlg : public CDialog {
public:
    // The dialog on template 142, owned by `pParent` (null: the main window).
    explicit CFilePropertiesDlg(CWnd* pParent = nullptr);

    const char* m_pszPath = nullptr;  // the movie's full path; set before DoModal, and alive while it runs
    std::string m_strVersion;         // edit 1015: "Flash MX" from version 6 on, else "Flash 5"
    std::string m_strFrameSize;       // edit 1017: "550 X 400"
    std::string m_strFileName;        // edit 1022: the name part of the path
    std::string m_strLength;          // edit 1018: "%d K", the size div 1024 plus one
    std::string m_strTime;            // edit 1021: the creation time, "3/9/2004 8:5:3" in local time
    int m_nFrameRate = 0;             // edit 1020
    int m_nFrameCount = 0;            // edit 1019

protected:
    // Reads the movie's properties (ReadSwfInfo) into the members and shows them; a path that names no movie
    // shows the zeros of an empty record.
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // 1014 "确定(&O)" closes the dialog, as do IDOK and IDCANCEL.
    BOOL HandleCommand(UINT nID, int nCode) override;
};
