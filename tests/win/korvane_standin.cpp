// Stand-in for Squozen.exe in the extension's tests: records that it was started, from which file, and what
// the handoff value held at that moment, in a file "started-<process id>.txt" beside itself.
#include <windows.h>

#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::vector<wchar_t> self(32768);
    DWORD n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    std::wstring path(self.data(), n);
    std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);

    // The value as stored (UTF-16, its exact length), in the ANSI code page.
    std::wstring value(266240 + 16, L'\0');
    DWORD type = 0, size = 0;
    HKEY hKey = nullptr;
    if (RegOpenKeyW(HKEY_CURRENT_USER, L"Software\\Zenvola SWF Optimizer", &hKey) == ERROR_SUCCESS) {
        size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (RegQueryValueExW(hKey, L"StartWithParamter", nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &size) !=
            ERROR_SUCCESS)
            type = size = 0;
        RegCloseKey(hKey);
    }
    value.resize(size / sizeof(wchar_t));
    std::string data(value.size() * 2, '\0');
    int ansi = value.empty() ? 0
                             : WideCharToMultiByte(CP_ACP, 0, value.data(), static_cast<int>(value.size()), &data[0],
                                                   static_cast<int>(data.size()), nullptr, nullptr);
    data.resize(ansi);

    int utf8 = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string record(utf8 > 0 ? utf8 - 1 : 0, '\0');
    if (utf8 > 1) WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, &record[0], utf8, nullptr, nullptr);
    record += "\n" + std::to_string(type) + "\n" + std::to_string(data.size()) + "\n" + data;

    // Written under a work name and renamed, so that a test never reads half a record.
    std::wstring id = std::to_wstring(GetCurrentProcessId());
    std::wstring work = folder + L"started-" + id + L".tmp";
    HANDLE h = CreateFileW(work.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(h, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(h);
    if (!ok || !MoveFileW(work.c_str(), (folder + L"started-" + id + L".txt").c_str())) return 1;
    return 0;
}
