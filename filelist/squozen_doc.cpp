// The document of the main window.
#include "squozen_doc.h"

#include "platform.h"

BOOL CSquozenDoc::OnOpenDocument(const std::string& path) {
    if (!sqz::Files().OpenRead(path)) return FALSE;
    char full[MAX_PATH + 1] = {};
    DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    m_strPathName = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
    return TRUE;
}
