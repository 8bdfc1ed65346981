// The file dialogs and message boxes.
#include "file_dialog.h"

#include <cstring>

#include "file_helpers.h"
#include "win_app.h"

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName, DWORD dwFlags,
                         const char* lpszFilter, CWnd* pParentWnd, size_t nMaxFile)
    : m_ofn(), m_bOpenFileDialog(bOpenFileDialog), m_fileBuffer(nMaxFile < MAX_PATH ? MAX_PATH : nMaxFile, '\0') {
    if (lpszDefExt) {
        m_strDefExt = lpszDefExt;
        if (m_strDefExt.compare(0, 2, "*.") == 0) m_strDefExt.erase(0, 2);
    }
    if (lpszFilter) {
        m_strFilter = lpszFilter;
        for (char& c : m_strFilter)
            if (c == '|') c = '\0';
        m_strFilter.push_back('\0');
    }
    if (lpszFileName) std::strncpy(m_fileBuffer.data(), lpszFileName, m_fileBuffer.size() - 1);
    m_ofn.lStructSize = FileDialogStructSize();
    m_ofn.hwndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    m_ofn.hInstance = AfxGetResourceHandle();
    m_ofn.lpstrFilter = m_strFilter.empty() ? nullptr : m_strFilter.c_str();
    m_ofn.lpstrFile = m_fileBuffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_fileBuffer.size());
    m_ofn.lpstrDefExt = m_strDefExt.empty() ? nullptr : m_strDefExt.c_str();
    m_ofn.Flags = dwFlags;
}

INT_PTR CFileDialog::DoModal() {
    if (!m_ofn.hwndOwner && AfxGetMainWnd()) m_ofn.hwndOwner = AfxGetMainWnd()->m_hWnd;
    BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return ok ? IDOK : IDCANCEL;
}

std::string CFileDialog::GetPathName() const {
    std::vector<std::string> paths = GetPathNames();
    return paths.empty() ? std::string() : paths.front();
}

std::vector<std::string> CFileDialog::GetPathNames() const {
    if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT)) return {std::string(m_fileBuffer.data())};
    return SplitResult(m_fileBuffer.data(), m_fileBuffer.size());
}

std::vector<std::string> CFileDialog::SplitResult(const char* buffer, size_t size) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos < size && buffer[pos] != '\0') {
        size_t end = pos;
        while (end < size && buffer[end] != '\0') ++end;
        parts.emplace_back(buffer + pos, end - pos);
        pos = end + 1;
    }
    if (parts.size() <= 1) return parts;
    std::string folder = parts.front();
    if (folder.back() != '\\') folder += '\\';
    std::vector<std::string> paths;
    for (size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
    return paths;
}

int AfxMessageBox(CWnd* pOwner, const std::string& text, const std::string& caption, UINT nType) {
    HWND hOwner = pOwner ? pOwner->m_hWnd : (AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr);
    return ::MessageBoxA(hOwner, text.c_str(), caption.c_str(), nType);
}
