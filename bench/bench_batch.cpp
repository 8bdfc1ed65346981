// The batch step of Test and Optimize, and the compression methods, on the sample movies:
// - what reading back every written movie costs: Optimize with the verification against Optimize without it;
// - what the walk through the tags of a movie below version 6 costs: Optimize of the samples given version 5 (walked,
//   then compressed, as nothing in them depends on the version) against the same movies given version 6 (not walked);
// - squozen optimize --jobs 1 on 2,000 small movies against a plain C loop doing the least a safe replace needs (read,
//   compress2, write beside, fsync, rename);
// - the three compression methods over every sample's body: their sizes against zlib's default level and their speed.
// Each timed run works on fresh copies of the movies, made before the clock starts.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench.h"
#include "movie_batch.h"
#include "platform.h"
#include "swf_body.h"
#include "swf_encode.h"
#include "swf_tags.h"

using namespace sqzbench;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

double Seconds(const std::function<void()>& fn) {
    auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WriteFile(const std::string& path, const Bytes& data) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    }
}

// A fresh folder of `copies` copies of `movies`, outside the timing; its paths.
std::vector<std::string> Fresh(const std::string& folder, const std::vector<Bytes>& movies, int copies) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::vector<std::string> paths;
    for (int c = 0; c < copies; ++c)
        for (size_t i = 0; i < movies.size(); ++i) {
            paths.push_back(folder + std::to_string(c) + "-" + std::to_string(i) + ".swf");
            WriteFile(paths.back(), movies[i]);
        }
    return paths;
}

// The uncompressed samples, and what each one's body holds when walked for what depends on the version.
std::vector<Bytes> Uncompressed(bool scriptFree) {
    std::vector<Bytes> movies;
    for (const std::string& n : CorpusMovies("FWS")) {
        Bytes m = ReadAll(CorpusDir() + n);
        if (m.size() < 8 || m[3] < 1) continue;
        if (scriptFree) {
            sqz::MemoryReadFile file(m);
            sqz::SwfBodyReader body(file, m.data(), 8, m.size(), SwfCoding::kStored);
            sqz::SwfTagWalk walk;
            if (sqz::SkipSwfFrameHeader(body)) walk = sqz::WalkSwfTags(body, sqz::kWalkVersionDependence);
            if (walk.bScripts || walk.bNonAsciiText || !walk.bWhole) continue;
        }
        movies.push_back(std::move(m));
    }
    return movies;
}

double Megabytes(const std::vector<Bytes>& movies, int copies) {
    double mb = 0;
    for (const Bytes& m : movies) mb += copies * m.size() / 1e6;
    return mb;
}

// Optimize (no backup) of every path with `request`, in this process.
void OptimizeAll(const std::vector<std::string>& paths, const MovieBatchRequest& request) {
    for (const std::string& p : paths)
        if (ProcessMovie(p, request).outcome == MovieOutcome::kFailed) std::fprintf(stderr, "failed: %s\n", p.c_str());
}

// Times `op` and `base` alternately on fresh copies, `rounds` times, and fills the row with their best times.
void CompareOnCopies(Row* row, const std::string& scratch, const std::vector<Bytes>& opMovies,
                     const std::vector<Bytes>& baseMovies, int copies,
                     const std::function<void(const std::vector<std::string>&)>& op,
                     const std::function<void(const std::vector<std::string>&)>& base, int rounds = 5) {
    double best = 1e30, baseBest = 1e30;
    for (int r = 0; r < rounds; ++r) {
        std::vector<std::string> a = Fresh(scratch + "a/", opMovies, copies);
        best = std::min(best, Seconds([&] { op(a); }));
        std::vector<std::string> b = Fresh(scratch + "b/", baseMovies, copies);
        baseBest = std::min(baseBest, Seconds([&] { base(b); }));
    }
    row->seconds = best;
    row->baseSeconds = baseBest;
}

// Optimize of `copies` copies of `movies` with `request` against that of `baseMovies` with `baseRequest`.
Row CompareOptimize(const char* operation, const char* baseline, double target, const std::vector<Bytes>& movies,
                    const MovieBatchRequest& request, const std::vector<Bytes>& baseMovies,
                    const MovieBatchRequest& baseRequest) {
    const int copies = 20;
    Row row;
    row.operation = operation;
    row.baseline = baseline;
    row.files = copies * static_cast<int>(movies.size());
    row.megabytes = Megabytes(movies, copies);
    row.target = target;
    CompareOnCopies(
        &row, ScratchFolder(), movies, baseMovies, copies,
        [&](const std::vector<std::string>& p) { OptimizeAll(p, request); },
        [&](const std::vector<std::string>& p) { OptimizeAll(p, baseRequest); });
    return row;
}

}  // namespace

SQZ_BENCHMARK(verify) {
    const std::vector<Bytes> movies = Uncompressed(false);
    MovieBatchRequest verified{true, 0, 0, MovieVerdict::kRead, ""};
    MovieBatchRequest unverified = verified;
    unverified.bVerify = false;
    return {CompareOptimize("Optimize with verification, uncompressed samples", "Optimize without reading back", 1.25,
                            movies, verified, movies, unverified)};
}

SQZ_BENCHMARK(walk) {
    // The samples nothing in which depends on the version, as version 5 and as version 6.
    std::vector<Bytes> five = Uncompressed(true), six = five;
    for (Bytes& m : five) m[3] = 5;
    for (Bytes& m : six) m[3] = 6;
    MovieBatchRequest request{true, 0, 0, MovieVerdict::kRead, ""};
    return {CompareOptimize("Optimize of movies below version 6 (walked), script-free samples",
                            "the same movies as version 6 (not walked)", 1.05, five, request, six, request)};
}

#ifdef SQZ_CLI_PROGRAM
SQZ_BENCHMARK(small) {
    // 2,000 small movies of versions 6 and 7 (the samples' copies, about 10 MB).
    std::vector<Bytes> movies;
    for (Bytes& m : Uncompressed(false))
        if (m[3] == 6 || m[3] == 7) movies.push_back(std::move(m));
    const int copies = static_cast<int>(2000 / movies.size());
    Row row;
    row.operation = "squozen optimize --jobs 1 --no-backup, 2,000 small movies";
    row.baseline = "C loop: read, compress2, write beside, fsync, rename";
    row.files = copies * static_cast<int>(movies.size());
    row.megabytes = Megabytes(movies, copies);
    row.target = 0.8;
    const std::string scratch = ScratchFolder();
    const std::string command =
        std::string("'") + SQZ_CLI_PROGRAM + "' optimize --jobs 1 --no-backup '" + scratch + "a/' >/dev/null 2>&1";
    Bytes in, out;
    auto loop = [&](const std::vector<std::string>& paths) {
        for (const std::string& p : paths) {
            int fd = open(p.c_str(), O_RDONLY);
            struct stat st;
            if (fd < 0 || fstat(fd, &st) != 0) continue;
            in.resize(static_cast<size_t>(st.st_size));
            if (read(fd, in.data(), in.size()) != static_cast<ssize_t>(in.size())) std::fprintf(stderr, "short\n");
            close(fd);
            uLongf len = compressBound(static_cast<uLong>(in.size() - 8));
            out.resize(len + 8);
            out[0] = 'C', out[1] = 'W', out[2] = 'S', out[3] = in[3];
            std::copy(in.begin() + 4, in.begin() + 8, out.begin() + 4);
            compress2(out.data() + 8, &len, in.data() + 8, static_cast<uLong>(in.size() - 8), Z_DEFAULT_COMPRESSION);
            const std::string work = p + ".tmp";
            fd = open(work.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (write(fd, out.data(), len + 8) != static_cast<ssize_t>(len + 8)) std::fprintf(stderr, "short\n");
            fsync(fd);
            close(fd);
            rename(work.c_str(), p.c_str());
        }
    };
    CompareOnCopies(
        &row, scratch, movies, movies, copies,
        [&](const std::vector<std::string>&) {
            if (std::system(command.c_str()) != 0) std::fprintf(stderr, "squozen optimize failed\n");
        },
        loop);
    return {row};
}
#endif

SQZ_BENCHMARK(methods) {
    // Every sample's body, as it is or decoded, compressed by each method into memory.
    std::vector<Bytes> bodies;
    for (const char* signature : {"FWS", "CWS"})
        for (const std::string& n : CorpusMovies(signature)) {
            Bytes m = ReadAll(CorpusDir() + n);
            if (m.size() < 8) continue;
            Bytes body;
            sqz::MemoryReadFile file(m);
            sqz::SwfBodyReader reader(file, m.data(), 8, m.size(),
                                      signature[0] == 'C' ? SwfCoding::kZlib : SwfCoding::kStored);
            unsigned char block[65536];
            for (size_t k; (k = reader.Read(block, sizeof block)) > 0;) body.insert(body.end(), block, block + k);
            if (reader.Finish()) bodies.push_back(std::move(body));
        }
    struct Counter : sqz::WriteFile {
        uint64_t bytes = 0;
        bool Write(const void*, size_t n) override {
            bytes += n;
            return true;
        }
        bool Seek(uint64_t) override { return true; }
        bool Sync() override { return true; }
        bool Close() override { return true; }
    };
    auto encodeAll = [&](sqz::SwfMethod method) {
        uint64_t total = 0;
        for (const Bytes& b : bodies) {
            // The body read as a stored movie's (its header's bytes are not read).
            sqz::MemoryReadFile file(b);
            const unsigned char header[8] = {'F', 'W', 'S', 13};
            sqz::SwfBodyReader source(file, header, 0, b.size(), SwfCoding::kStored);
            Counter out;
            sqz::EncodeMovie(method, 13, static_cast<uint32_t>(b.size() + 8), b.size(), source, out);
            total += out.bytes;
        }
        return total;
    };
    double mb = 0;
    for (const Bytes& b : bodies) mb += b.size() / 1e6;
    uint64_t zlibBytes = 0;
    const double zlibSeconds = BestSeconds([&] { zlibBytes = encodeAll(sqz::SwfMethod::kZlib); }, 1, 0);
    std::vector<Row> rows;
    const struct {
        sqz::SwfMethod method;
        const char* name;
    } methods[] = {{sqz::SwfMethod::kZopfli, "Zopfli (--best)"}, {sqz::SwfMethod::kLzma, "LZMA (--lzma)"}};
    for (const auto& m : methods) {
        if (!sqz::CanCompressWith(m.method)) continue;
        uint64_t bytes = 0;
        Row row;
        row.operation = std::string(m.name) + ", every sample's body";
        row.baseline = "zlib's default level";
        row.files = static_cast<int>(bodies.size());
        row.megabytes = mb;
        row.seconds = BestSeconds([&] { bytes = encodeAll(m.method); }, 1, 0);
        row.baseSeconds = zlibSeconds;
        row.sizeRatio = static_cast<double>(bytes) / static_cast<double>(zlibBytes);
        std::fprintf(stderr, "methods: %s %llu bytes against zlib's %llu, %.2f MB/s (zlib %.1f MB/s)\n", m.name,
                     static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(zlibBytes),
                     mb / row.seconds, mb / zlibSeconds);
        rows.push_back(row);
    }
    return rows;
}
