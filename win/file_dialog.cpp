// The file dialogs and message boxes.
#include "file_dialog.h"

#include <algorithm>

#include "ansi_path.h"
#include "file_helpers.h"
#include "win_app.h"

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const wchar_t* lpszDefExt, const wchar_t* lpszFileName, DWORD dwFlags,
                         const wchar_t* lpszFilter, CWnd* pParentWnd, size_t nMaxFile)
    : m_ofn(), m_bOpenFileDialog(bOpenFileDialog), m_fileBuffer(nMaxFile < MAX_PATH ? MAX_PATH : nMaxFile, L'\0') {
    if (lpszDefExt) {
        m_strDefExt = lpszDefExt;
        if (m_strDefExt.compare(0, 2, L"*.") == 0) m_strDefExt.erase(0, 2);
    }
    if (lpszFilter) {
        m_strFilter = lpszFilter;
        std::replace(m_strFilter.begin(), m_strFilter.end(), L'|', L'\0');
        m_strFilter.push_back(L'\0');
    }
    if (lpszFileName) {
        std::wstring name = lpszFileName;
        name.resize(std::min(name.size(), m_fileBuffer.size() - 1));
        std::copy(name.begin(), name.end(), m_fileBuffer.begin());
    }
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
    BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    return ok ? IDOK : IDCANCEL;
}

std::string CFileDialog::GetPathName() const {
    std::vector<std::string> paths = GetPathNames();
    return paths.empty() ? std::string() : paths.front();
}

std::vector<std::string> CFileDialog::GetPathNames() const {
    std::vector<std::wstring> chosen;
    if (m_ofn.Flags & OFN_ALLOWMULTISELECT)
        chosen = SplitResult(m_fileBuffer.data(), m_fileBuffer.size());
    else
        chosen.emplace_back(m_fileBuffer.data());
    std::vector<std::string> paths;
    for (const std::wstring& wide : chosen) {
        std::string path = ansi_path::AnsiPathOf(wide, CP_ACP);
        if (!path.empty()) paths.push_back(path);
    }
    return paths;
}

std::string CFileDialog::GetNewPathName(bool* pbCreated) const {
    *pbCreated = false;
    const std::wstring wide(m_fileBuffer.data());
    std::string path = ansi_path::AnsiPathOf(wide, CP_ACP);
    if (!path.empty() || wide.empty()) return path;
    HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return path;
    ::CloseHandle(h);
    path = ansi_path::AnsiPathOf(wide, CP_ACP);
    if (path.empty())
        ::DeleteFileW(wide.c_str());
    else
        *pbCreated = true;
    return path;
}

std::wstring CFileDialog::GetShownPathName() const { return m_fileBuffer.data(); }

std::vector<std::wstring> CFileDialog::SplitResult(const wchar_t* buffer, size_t size) {
    std::vector<std::wstring> parts;
    size_t pos = 0;
    while (pos < size && buffer[pos] != L'\0') {
        size_t end = pos;
        while (end < size && buffer[end] != L'\0') ++end;
        parts.emplace_back(buffer + pos, end - pos);
        pos = end + 1;
    }
    if (parts.size() <= 1) return parts;
    std::wstring folder = parts.front();
    if (folder.back() != L'\\') folder += L'\\';
    std::vector<std::wstring> paths;
    for (size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
    return paths;
}

int AfxMessageBox(CWnd* pOwner, const std::wstring& text, const std::wstring& caption, UINT nType) {
    HWND hOwner = pOwner ? pOwner->m_hWnd : (AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr);
    return ::MessageBoxW(hOwner, text.c_str(), caption.c_str(), nType);
}
