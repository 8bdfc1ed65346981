// Stand-in for the programs the shell starts in the main-window tests (web browser, mail program, help viewer):
// records its arguments, one a line, in a file "opened-<process id>.txt" beside itself, and ends.
#include <windows.h>

#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, n);
    std::string folder = path.substr(0, path.find_last_of('\\') + 1);

    std::string record;
    for (int i = 1; i < __argc; ++i) {
        if (i > 1) record += "\n";
        record += __argv[i];
    }

    // Written under a work name and renamed, so that a test never reads half a record.
    char id[16];
    wsprintfA(id, "%08lu", GetCurrentProcessId());
    std::string work = folder + "opened-" + id + ".tmp";
    HANDLE h = CreateFileA(work.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(h, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(h);
    if (!ok || !MoveFileA(work.c_str(), (folder + "opened-" + id + ".txt").c_str())) return 1;
    return 0;
}
