// The harness: timing, memory measurement in a child process, the sample movies, and the table.
#include "bench.h"

#include <sys/wait.h>
#include <unistd.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace sqzbench {
namespace {

std::map<std::string, Benchmark>& Registry() {
    static std::map<std::string, Benchmark> r;
    return r;
}

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

long StatusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return -1;
}

std::vector<std::string> g_scratch;

}  // namespace

double BestSeconds(const std::function<void()>& fn, int minRuns, double budgetSeconds) {
    double best = 1e30, start = Now();
    for (int i = 0; i < minRuns || Now() - start < budgetSeconds; ++i) {
        double t = Now();
        fn();
        best = std::min(best, Now() - t);
        if (i > 1000) break;
    }
    return best;
}

void Compare(Row* row, const std::function<void()>& op, const std::function<void()>& base, int rounds) {
    row->seconds = row->baseSeconds = 1e30;
    for (int r = 0; r < rounds; ++r) {
        row->baseSeconds = std::min(row->baseSeconds, BestSeconds(base, 1, 0.2));
        row->seconds = std::min(row->seconds, BestSeconds(op, 1, 0.2));
    }
}

double PeakMiB(const std::function<void()>& fn) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        malloc_trim(0);
        // Writing 5 to clear_refs resets the peak resident size to the current one.
        if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", f);
            std::fclose(f);
        }
        long before = StatusKiB("VmRSS:");
        fn();
        long peak = StatusKiB("VmHWM:");
        long added = peak >= 0 && before >= 0 ? peak - before : -1;
        if (write(fds[1], &added, sizeof added) != sizeof added) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    long added = -1;
    if (pid < 0 || read(fds[0], &added, sizeof added) != sizeof added) added = -1;
    close(fds[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    return added < 0 ? -1 : added / 1024.0;
}

std::string CorpusDir() {
    std::string dir = SQZ_CORPUS_DIR;
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::vector<std::string> CorpusMovies(const std::string& signature) {
    std::ifstream in(CorpusDir() + "oracle.tsv");
    std::vector<std::string> names;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        std::string name, sig;
        std::getline(ss, name, '\t');
        std::getline(ss, sig, '\t');
        if (sig == signature) names.push_back(name);
    }
    return names;
}

std::vector<unsigned char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string ScratchFolder() {
    // In memory (tmpfs) unless SQZ_BENCH_DIR says otherwise: the figures are the product's work, not the
    // write-back of this machine's disk.
    std::string base = std::getenv("SQZ_BENCH_DIR")   ? std::getenv("SQZ_BENCH_DIR")
                       : fs::is_directory("/dev/shm") ? "/dev/shm"
                                                      : fs::temp_directory_path().string();
    std::string path = base + "/sqzbench-" + std::to_string(getpid()) + "-" + std::to_string(g_scratch.size());
    fs::create_directories(path);
    g_scratch.push_back(path);
    static bool cleanup = (std::atexit([] {
                               for (const std::string& p : g_scratch) fs::remove_all(p);
                           }),
                           true);
    (void)cleanup;
    return path + "/";
}

bool Register(const std::string& name, Benchmark fn) {
    Registry()[name] = std::move(fn);
    return true;
}

}  // namespace sqzbench

int main(int argc, char** argv) {
    using namespace sqzbench;
    std::string filter = argc > 1 ? argv[1] : "";
    std::vector<Row> rows;
    for (auto& [name, fn] : Registry()) {
        if (!filter.empty() && name.find(filter) == std::string::npos) continue;
        std::fprintf(stderr, "running %s...\n", name.c_str());
        for (Row& r : fn()) rows.push_back(r);
    }
    std::printf("| operation | baseline | files | MB | time (ms) | MB/s | ratio | target | peak MiB | size |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    bool missed = false;
    for (const Row& r : rows) {
        double ratio = r.baseSeconds > 0 ? r.seconds / r.baseSeconds : 0;
        char target[32] = "", peak[32] = "-", size[32] = "-";
        if (r.target > 0)
            std::snprintf(target, sizeof target, "%s %.2f", ratio <= r.target ? "<=" : "MISSED", r.target);
        if (r.peakMiB >= 0) std::snprintf(peak, sizeof peak, "%.1f", r.peakMiB);
        if (r.sizeRatio > 0) std::snprintf(size, sizeof size, "%.4f", r.sizeRatio);
        if (r.target > 0 && ratio > r.target) missed = true;
        std::printf("| %s | %s | %d | %.2f | %.2f | %.1f | %.2f | %s | %s | %s |\n", r.operation.c_str(),
                    r.baseline.c_str(), r.files, r.megabytes, r.seconds * 1000,
                    r.seconds > 0 ? r.megabytes / r.seconds : 0, ratio, target, peak, size);
    }
    return missed ? 1 : 0;
}
