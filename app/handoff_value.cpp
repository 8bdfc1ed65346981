// Reading and emptying the handoff value.
#include "handoff_value.h"

#include <windows.h>

#include <vector>

#include "handoff_contract.h"
#include "handoff_text.h"

namespace {

// The value's text up to its first zero byte, read whole whatever its length; empty when there is none.
std::string ReadHandoffText(HKEY hKey) {
    DWORD type = 0, size = 0;
    ::RegQueryValueExA(hKey, kHandoffValue, nullptr, &type, nullptr, &size);
    // One byte more than the read may fill, so that a value of the full length still ends in a zero byte.
    std::vector<char> buffer((size > kHandoffBufferSize ? size : kHandoffBufferSize) + 1, '\0');
    size = static_cast<DWORD>(buffer.size() - 1);
    // Whatever the read leaves in the buffer is used.
    ::RegQueryValueExA(hKey, kHandoffValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    return HandoffTextFromBuffer(buffer.data(), buffer.size() - 1);
}

}  // namespace

std::string TakeHandoffText() {
    HKEY hKey = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, kHandoffKey, &hKey) != ERROR_SUCCESS) return std::string();
    std::string text = ReadHandoffText(hKey);
    ::RegSetValueExA(hKey, kHandoffValue, 0, REG_SZ, nullptr, 0);
    ::RegCloseKey(hKey);
    return text;
}

void AppendHandoffPaths(const std::vector<std::string>& paths) {
    HKEY hKey = nullptr;
    if (paths.empty() || ::RegCreateKeyA(HKEY_CURRENT_USER, kHandoffKey, &hKey) != ERROR_SUCCESS) return;
    std::string text = ReadHandoffText(hKey);
    for (const std::string& path : paths) text += path + " ";
    // Stored without a terminator, as the extension stores its text: the registry counts one that follows the data,
    // so a byte that is not zero follows it.
    text += ' ';
    ::RegSetValueExA(hKey, kHandoffValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                     static_cast<DWORD>(text.size() - 1));
    ::RegCloseKey(hKey);
}
