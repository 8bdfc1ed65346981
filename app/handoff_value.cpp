// Reading and emptying the handoff value.
#include "handoff_value.h"

#include <windows.h>

#include <vector>

#include "handoff_contract.h"
#include "handoff_text.h"

std::string TakeHandoffText() {
    // One byte more than the read may fill, so that a value of the full length still ends in a zero byte.
    std::vector<char> buffer(kHandoffBufferSize + 1, '\0');
    HKEY hKey = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, kHandoffKey, &hKey) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(kHandoffBufferSize);
        // Whatever the read leaves in the buffer is used (a value longer than the buffer is not the extension's).
        ::RegQueryValueExA(hKey, kHandoffValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
        ::RegSetValueExA(hKey, kHandoffValue, 0, REG_SZ, nullptr, 0);
        ::RegCloseKey(hKey);
    }
    return HandoffTextFromBuffer(buffer.data(), kHandoffBufferSize);
}
