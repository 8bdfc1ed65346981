// The benchmarks through the real main window: the shared helpers, and the program that runs them and prints their
// table (all of them, or those named on the command line: "batch", "rows"). Boxes that come up during a run (a
// failed row) are closed and counted, so that a run never waits for a user; any of them fails the run.
#include "bench_win.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "file_helpers.h"
#include "squozen_app.h"

namespace sqzwinbench {

std::string CorpusDir() {
    std::string dir = SQZ_CORPUS_DIR;
    if (dir.back() != '\\') dir += '\\';
    return dir;
}

std::vector<Bytes> CorpusMovies(const std::string& signature) {
    std::ifstream in(CorpusDir() + "oracle.tsv");
    std::vector<Bytes> movies;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        std::string name, sig;
        std::getline(ss, name, '\t');
        std::getline(ss, sig, '\t');
        if (sig != signature) continue;
        std::ifstream movie(CorpusDir() + name, std::ios::binary);
        Bytes data((std::istreambuf_iterator<char>(movie)), std::istreambuf_iterator<char>());
        if (data.size() >= 8 && data[3] >= 1 && data[3] <= 7) movies.push_back(std::move(data));
    }
    return movies;
}

std::string ScratchFolder() {
    // In memory (tmpfs) when the machine has it: the figures are the program's work, not the disk's write-back.
    char temp[MAX_PATH + 1] = {};
    std::string base = ::GetFileAttributesA("Z:\\dev\\shm") != INVALID_FILE_ATTRIBUTES
                           ? std::string("Z:\\dev\\shm\\")
                           : std::string(temp, ::GetTempPathA(MAX_PATH, temp));
    // Wine gives its processes small identifiers again and again, and other prefixes share the folder: the time
    // of the call makes the name unique, and anything an interrupted run left there goes first.
    static int made = 0;
    std::string folder = base + "sqzwin-" + std::to_string(::GetCurrentProcessId()) + "-" +
                         std::to_string(::GetTickCount64()) + "-" + std::to_string(made++) + "\\";
    RemoveFolder(folder);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(folder + name + "\\");
            else
                ::DeleteFileA((folder + name).c_str());
        } while (::FindNextFileA(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(folder.c_str());
}

bool WriteMovie(const std::string& path, const Bytes& data) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == data.size();
}

namespace {
int g_failures = 0;
}  // namespace

void CountFailure() { ++g_failures; }

double Seconds(const std::function<void()>& fn) {
    auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace sqzwinbench

namespace {

int g_boxes = 0;
void CALLBACK CloseBoxes(HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM) -> BOOL {
            char name[16] = {};
            if (::IsWindowVisible(hWnd) && ::GetClassNameA(hWnd, name, sizeof name) && std::string(name) == "#32770") {
                ++g_boxes;
                ::PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
            }
            return TRUE;
        },
        0);
}

}  // namespace

int main(int argc, char** argv) {
    auto wanted = [&](const char* name) {
        if (argc < 2) return true;
        for (int i = 1; i < argc; ++i)
            if (std::string(argv[i]) == name) return true;
        return false;
    };
    CSquozenApp app;
    // The benchmarks' names are no document for the program to open.
    app.SetCommandArgs({});
    if (!app.InitInstance()) {
        std::fprintf(stderr, "the main window could not be made (is Squozen.exe running?)\n");
        return 2;
    }
    UINT_PTR timer = ::SetTimer(nullptr, 0, 100, CloseBoxes);
    std::vector<sqzbench::Row> rows;
    if (wanted("batch"))
        for (const sqzbench::Row& r : sqzwinbench::BatchBenchmark(app)) rows.push_back(r);
    if (wanted("rows"))
        for (const sqzbench::Row& r : sqzwinbench::AddRowsBenchmark(app)) rows.push_back(r);
    ::KillTimer(nullptr, timer);
    ClearTempFolder();
    app.GetMainFrame()->DestroyWindow();

    std::printf("| operation | baseline | files | MB | time (ms) | MB/s | ratio | target | peak MiB | size |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    bool missed = false;
    for (const sqzbench::Row& r : rows) {
        double ratio = r.baseSeconds > 0 ? r.seconds / r.baseSeconds : 0;
        bool ok = ratio <= r.target;
        missed = missed || !ok;
        std::printf("| %s | %s | %d | %.2f | %.2f | %.1f | %.2f | %s %.2f | - | - |\n", r.operation.c_str(),
                    r.baseline.c_str(), r.files, r.megabytes, r.seconds * 1000,
                    r.seconds > 0 ? r.megabytes / r.seconds : 0, ratio, ok ? "<=" : "MISSED", r.target);
    }
    if (g_boxes > 0) std::printf("%d boxes came up (failed movies)\n", g_boxes);
    if (sqzwinbench::g_failures > 0) std::printf("%d movies failed\n", sqzwinbench::g_failures);
    return missed || g_boxes > 0 || sqzwinbench::g_failures > 0 ? 1 : 0;
}
