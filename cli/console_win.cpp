// The tool's operating-system needs on Windows.
#include "console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>

#include "ansi_path.h"
#include "mbcs.h"

namespace sqzcli {
namespace {

std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    // The first one is ours; the next one ends the program the ordinary way.
    if (g_interrupted.exchange(true)) return FALSE;
    return TRUE;
}

}  // namespace

bool StderrIsTerminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

void SetBinaryStandardInput() { _setmode(_fileno(stdin), _O_BINARY); }

std::string SystemTempFolder() {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(MAX_PATH, buffer);
    std::string folder = n > 0 && n <= MAX_PATH ? std::string(buffer, n) : std::string(".\\");
    if (folder.back() != '\\' || sqz::MbsIsTrailByte(folder, folder.size() - 1)) folder += '\\';
    return folder;
}

bool CreatePrivateFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool RemoveEmptyFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool ProgramArguments(int, char**, std::vector<std::string>* args, std::string* unnamed) {
    args->clear();
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return true;
    bool named = true;
    for (int i = 1; i < count && named; ++i) {
        std::string arg = ansi_path::AnsiPathOf(wide[i], CP_ACP);
        // An empty argument stays empty, for the command line's own rules to judge.
        named = !arg.empty() || wide[i][0] == L'\0';
        if (named)
            args->push_back(arg);
        else
            *unnamed = ansi_path::Narrow(wide[i], CP_ACP);
    }
    LocalFree(wide);
    return named;
}

std::string ToUtf8(const std::string& text) {
    std::string out;
    for (size_t i = 0, n; i < text.size(); i += n) {
        n = sqz::MbsNext(text, i) - i;
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            out += text[i];
            continue;
        }
        wchar_t wide[2];
        int w = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data() + i, static_cast<int>(n), wide, 2);
        char utf8[8];
        int u = w > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, w, utf8, sizeof utf8, nullptr, nullptr) : 0;
        if (u > 0)
            out.append(utf8, static_cast<size_t>(u));
        else
            out.append(text, i, n);  // not a character of the code page: the JSON writer escapes the bytes
    }
    return out;
}

// The Windows heap keeps freed blocks for reuse by itself.
void KeepFreedMemory() {}

void CatchInterrupts() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool Interrupted() { return g_interrupted; }

}  // namespace sqzcli
