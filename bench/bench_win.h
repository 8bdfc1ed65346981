// The harness of the benchmarks that drive the real main window (Windows only, run under Wine): the sample movies,
// scratch folders in memory, timing, and the table of squozen_bench. Each benchmark is a function over the running
// application that returns its table rows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "bench.h"

class CSquozenApp;

namespace sqzwinbench {

using Bytes = std::vector<unsigned char>;

// The folder of the sample movies, ending with a backslash.
std::string CorpusDir();
// The sample movies of a valid version (1 to 7) whose signature is `signature` ("FWS", "CWS"), as bytes.
std::vector<Bytes> CorpusMovies(const std::string& signature);
// A fresh folder for the run, in memory (tmpfs) when the machine has it, ending with a backslash.
std::string ScratchFolder();
// Removes `folder` (ending with a backslash) with everything in it.
void RemoveFolder(const std::string& folder);
// Writes `data` to `path`; false when it cannot.
bool WriteMovie(const std::string& path, const Bytes& data);
// A movie a benchmark failed on (it was not optimized, or gave no row); any failure fails the run.
void CountFailure();
// The time `fn` takes, in seconds.
double Seconds(const std::function<void()>& fn);

// Optimize through the file list against the engine loop, and the same on ten times the rows.
std::vector<sqzbench::Row> BatchBenchmark(CSquozenApp& app);
// Adding rows through the view against reading the movies and filling a bare list, for 1,000 and 10,000 rows.
std::vector<sqzbench::Row> AddRowsBenchmark(CSquozenApp& app);

}  // namespace sqzwinbench
