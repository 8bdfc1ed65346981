// A small benchmark harness: each benchmark times an operation of the product and, in the same run, a baseline
// doing the bare work, and reports one table row with their ratio and the operation's peak memory.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sqzbench {

struct Row {
    std::string operation;   // what was measured
    std::string baseline;    // what it is compared with
    int files = 0;           // files handled by one run of the operation
    double megabytes = 0;    // megabytes of input of one run
    double seconds = 0;      // best time of one run of the operation
    double baseSeconds = 0;  // best time of one run of the baseline
    double peakMiB = -1;     // memory the operation added at its peak (-1: not measured)
    double sizeRatio = 0;    // bytes the operation wrote against the baseline's (0: not measured)
    double target = 0;       // the ratio the operation must stay within (0: none)
};

// Best time of `fn` over repeated runs: at least `minRuns`, and until `budgetSeconds` have passed.
double BestSeconds(const std::function<void()>& fn, int minRuns = 3, double budgetSeconds = 1.0);
// Times `op` and `base` alternately (so that machine load falls on both alike) and fills in the row.
void Compare(Row* row, const std::function<void()>& op, const std::function<void()>& base, int rounds = 5);
// Peak of the resident memory that one run of `fn` adds, in MiB, measured in a child process.
double PeakMiB(const std::function<void()>& fn);

// The sample movies: their folder (ending with the separator) and the names of those with a given signature.
std::string CorpusDir();
std::vector<std::string> CorpusMovies(const std::string& signature);
std::vector<unsigned char> ReadAll(const std::string& path);
// A fresh scratch folder (ending with the separator), removed when the program ends.
std::string ScratchFolder();

using Benchmark = std::function<std::vector<Row>()>;
// Registers a benchmark under a name; used through SQZ_BENCHMARK.
bool Register(const std::string& name, Benchmark fn);

}  // namespace sqzbench

#define SQZ_BENCHMARK(name)                                                                \
    static std::vector<sqzbench::Row> bench_##name();                                      \
    static const bool bench_##name##_registered = sqzbench::Register(#name, bench_##name); \
    static std::vector<sqzbench::Row> bench_##name()
