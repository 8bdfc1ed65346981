// The identity of a file on Windows: its volume and file index, or else its full long path.
#include "folder_walk.h"

#include <windows.h>

#include <cstdint>

#include "ansi_path.h"

namespace sqz {

std::string FileIdentity(const std::string& path) {
    // Read as wide text: the long forms of two names that the ANSI code page cannot hold could both come back as
    // the same "?"s.
    const std::wstring wide = ansi_path::Wide(path, CP_ACP);
    // Opened for no access at all, which any other program's sharing allows; a folder opens with the backup flag,
    // and a junction or link leads to the folder it names.
    HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        BOOL known = GetFileInformationByHandle(h, &info);
        CloseHandle(h);
        if (known) {
            uint64_t index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
            return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(index);
        }
    }
    wchar_t full[MAX_PATH * 2] = {};
    DWORD n = GetFullPathNameW(wide.c_str(), MAX_PATH * 2, full, nullptr);
    wchar_t longer[MAX_PATH * 2] = {};
    DWORD m = n > 0 && n < MAX_PATH * 2 ? GetLongPathNameW(full, longer, MAX_PATH * 2) : 0;
    std::wstring name = m > 0 && m < MAX_PATH * 2   ? std::wstring(longer, m)
                        : n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n)
                                                    : wide;
    CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
    return "name:" + ansi_path::Narrow(name, CP_UTF8);
}

}  // namespace sqz
