// The command-line tool's Optimize batch on many copies of the uncompressed sample movies: squozen optimize with
// two jobs against one job, and one job against a bare in-memory zlib compress() loop over the same movies; then
// the same for copies of the larger samples only (12 to 100 KB), where the compression outweighs the per-movie
// file work (the backup and the safe replace of a 4 KB movie cost about as much as compressing it).
// Each timed run works on a fresh copy of the movies, made before the clock starts.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench.h"

using namespace sqzbench;
namespace fs = std::filesystem;

namespace {

// Copies of the corpus: enough that compressing dominates starting the program and walking the folder.
constexpr int kCopies = 100;

double Seconds(const std::function<void()>& fn) {
    auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

// Times optimize with one and two jobs and the zlib loop on `copies` copies of `movies`; returns the two rows.
std::vector<Row> Measure(const std::vector<std::vector<unsigned char>>& movies, int copies, const std::string& what) {
    double megabytes = 0;
    for (const auto& m : movies) megabytes += copies * m.size() / 1e6;
    const int files = copies * static_cast<int>(movies.size());

    const std::string scratch = ScratchFolder();
    const std::string tmp = scratch + "tmp";
    fs::create_directories(tmp);
    setenv("TMPDIR", tmp.c_str(), 1);
    int round = 0;
    // A fresh folder of copies, outside the timing.
    auto fresh = [&] {
        std::string folder = scratch + "movies" + std::to_string(round++) + "/";
        fs::create_directories(folder);
        for (int c = 0; c < copies; ++c)
            for (size_t i = 0; i < movies.size(); ++i)
                WriteFile(folder + std::to_string(c) + "-" + std::to_string(i) + ".swf", movies[i]);
        return folder;
    };
    auto optimize = [&](int jobs, const std::string& folder) {
        std::string command = std::string("'") + SQZ_CLI_PROGRAM + "' optimize --jobs " + std::to_string(jobs) + " '" +
                              folder + "' >/dev/null 2>&1";
        return Seconds([&] {
            if (std::system(command.c_str()) != 0) std::fprintf(stderr, "squozen optimize failed\n");
        });
    };
    std::vector<unsigned char> buffer;
    auto zlibLoop = [&] {
        return Seconds([&] {
            for (int c = 0; c < copies; ++c)
                for (const auto& m : movies) {
                    uLongf len = compressBound(static_cast<uLong>(m.size() - 8));
                    buffer.resize(len);
                    compress(buffer.data(), &len, m.data() + 8, static_cast<uLong>(m.size() - 8));
                }
        });
    };

    double one = 1e30, two = 1e30, bare = 1e30;
    for (int r = 0; r < 5; ++r) {
        std::string a = fresh(), b = fresh();
        one = std::min(one, optimize(1, a));
        two = std::min(two, optimize(2, b));
        bare = std::min(bare, zlibLoop());
        fs::remove_all(a);
        fs::remove_all(b);
    }

    Row parallel;
    parallel.operation = "squozen optimize --jobs 2, " + what;
    parallel.baseline = "squozen optimize --jobs 1";
    parallel.files = files;
    parallel.megabytes = megabytes;
    parallel.seconds = two;
    parallel.baseSeconds = one;
    parallel.target = 1 / 1.7;  // at least 1.7 times faster on two cores
    Row single = parallel;
    single.operation = "squozen optimize --jobs 1, " + what;
    single.baseline = "zlib compress() loop in memory";
    single.seconds = one;
    single.baseSeconds = bare;
    single.target = 1.2;
    return {parallel, single};
}

}  // namespace

SQZ_BENCHMARK(cli) {
    // The movies optimize works on: uncompressed, with a valid version.
    std::vector<std::vector<unsigned char>> movies, larger;
    for (const std::string& n : CorpusMovies("FWS")) {
        std::vector<unsigned char> m = ReadAll(CorpusDir() + n);
        if (m.size() < 8 || m[3] < 1 || m[3] > 7) continue;
        if (m.size() >= 10000) larger.push_back(m);
        movies.push_back(std::move(m));
    }
    std::vector<Row> rows = Measure(movies, kCopies, "sample movies");
    for (const Row& r : Measure(larger, 4 * kCopies, "samples of 10 KB or more")) rows.push_back(r);
    return rows;
}
