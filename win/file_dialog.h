// The system's open and save file dialogs, and the program's message boxes.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <string>
#include <vector>

#include "wnd.h"

class CFileDialog {
public:
    // An open (`bOpenFileDialog` TRUE) or save dialog. `lpszDefExt` is appended to a typed name without an
    // extension; a leading "*." is dropped, since the system appends the text as it stands. `lpszFileName`
    // is the initial name; `lpszFilter` pairs of "description|pattern|" ending with "|". The result buffer
    // holds `nMaxFile` characters: MAX_PATH, as the system's standard dialogs do, unless a multiple selection
    // needs room for many names.
    CFileDialog(BOOL bOpenFileDialog, const wchar_t* lpszDefExt, const wchar_t* lpszFileName, DWORD dwFlags,
                const wchar_t* lpszFilter, CWnd* pParentWnd = nullptr, size_t nMaxFile = MAX_PATH);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // The system's wide dialog, so that names outside the ANSI code page come whole.
    OPENFILENAMEW m_ofn;

    // Shows the dialog; IDOK when the user confirmed, IDCANCEL otherwise (also when the chosen names do
    // not fit the result buffer).
    INT_PTR DoModal();
    // The chosen file (the first one of a multiple selection); "" when it has no exact ANSI path.
    std::string GetPathName() const;
    // Every chosen file as a full ANSI path, in the dialog's order: as chosen when the ANSI code page holds the
    // path, else by its short (8.3) form when that holds it; a file with neither is left out.
    std::vector<std::string> GetPathNames() const;
    // The file chosen in a save dialog as a full ANSI path, as GetPathName gives it; but a new file whose name the
    // ANSI code page cannot hold is first created, empty, so that the volume gives it a short form, and that is
    // returned with `*pbCreated` set (the caller removes the file again when it cannot write it). "" when the file
    // has no exact ANSI path even so; nothing is then left behind.
    std::string GetNewPathName(bool* pbCreated) const;
    // The chosen file as a message shows it: as it was chosen, whatever the ANSI code page holds of it.
    std::wstring GetShownPathName() const;

    // The full paths in a result buffer of `size` characters: one full path, or (OFN_ALLOWMULTISELECT with
    // OFN_EXPLORER) the folder then each name, separated by zero characters and ended by two of them.
    static std::vector<std::wstring> SplitResult(const wchar_t* buffer, size_t size);

private:
    BOOL m_bOpenFileDialog;
    std::wstring m_strDefExt;
    std::wstring m_strFilter;
    std::vector<wchar_t> m_fileBuffer;
};

// A message box owned by `pOwner` (null: the application's main window); returns the button pressed.
int AfxMessageBox(CWnd* pOwner, const std::wstring& text, const std::wstring& caption, UINT nType = MB_OK);
