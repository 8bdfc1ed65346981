// The movie properties dialog.
#include "file_properties_dlg.h"

#include "file_helpers.h"
#include "resource.h"
#include "swf_inspect.h"

CFilePropertiesDlg::CFilePropertiesDlg(CWnd* pParent) : CDialog(IDD_FILE_PROPERTIES, pParent) {}

BOOL CFilePropertiesDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const std::string path = m_pszPath ? m_pszPath : "";
    SwfFileInfo info = ReadSwfInfo(path);
    m_strFileName = GetFileNamePart(path);
    m_strVersion = SwfVersionText(info);
    m_strLength = SwfLengthText(info);
    m_strFrameSize = SwfFrameSizeText(info);
    m_nFrameRate = info.nFrameRate;
    m_nFrameCount = info.nFrameCount;
    m_strTime = SwfCreatedText(info);
    UpdateData(FALSE);
    return TRUE;
}

void CFilePropertiesDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_PROP_FILENAME, m_strFileName);
    DDX_Text(pDX, IDC_PROP_VERSION, m_strVersion);
    DDX_Text(pDX, IDC_PROP_LENGTH, m_strLength);
    DDX_Text(pDX, IDC_PROP_FRAMESIZE, m_strFrameSize);
    DDX_Text(pDX, IDC_PROP_FRAMERATE, m_nFrameRate);
    DDX_Text(pDX, IDC_PROP_FRAMECOUNT, m_nFrameCount);
    DDX_Text(pDX, IDC_PROP_TIME, m_strTime);
}

BOOL CFilePropertiesDlg::HandleCommand(UINT nID, int nCode) {
    static const CommandEntry<CFilePropertiesDlg> kCommands[] = {
        {IDC_PROPERTIES_OK, &CFilePropertiesDlg::OnOK},
    };
    return DispatchCommand(this, kCommands, nID, nCode) || CDialog::HandleCommand(nID, nCode);
}
