// The tool's operating-system needs on POSIX systems.
#include "console.h"

#include <malloc.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace sqzcli {
namespace {

std::atomic<bool> g_interrupted{false};

void OnSignal(int sig) {
    g_interrupted = true;
    // The next one ends the program the ordinary way.
    signal(sig, SIG_DFL);
}

}  // namespace

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

int TerminalColumns() {
    struct winsize ws;
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

bool ProgramArguments(int argc, char** argv, std::vector<std::string>* args, std::string*) {
    args->assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    return true;
}

// POSIX systems translate nothing.
void SetBinaryStandardInput() {}

std::string SystemTempFolder() {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = dir && *dir ? dir : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

bool CreatePrivateFolder(const std::string& path) {
    std::string p = path;
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    return mkdir(p.c_str(), 0700) == 0;
}

bool RemoveEmptyFolder(const std::string& path) {
    std::string p = path;
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    return rmdir(p.c_str()) == 0;
}

std::string ToUtf8(const std::string& text) { return text; }

void KeepFreedMemory() {
#ifdef M_TRIM_THRESHOLD
    // A movie's compression takes a few hundred kilobytes in blocks of 64 and 256 KB: kept in the heap, they are
    // reused by the next movie.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

void CatchInterrupts() {
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    signal(SIGHUP, OnSignal);
    signal(SIGPIPE, SIG_IGN);
}

bool Interrupted() { return g_interrupted; }

}  // namespace sqzcli
