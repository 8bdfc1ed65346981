// Compression of the uncompressed sample movies: CompressSwf file to file against a bare in-memory zlib
// compress() loop over the same bodies.
#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>

#include "bench.h"
#include "swf_container.h"

using namespace sqzbench;

SQZ_BENCHMARK(compress) {
    std::vector<std::string> names = CorpusMovies("FWS");
    std::vector<std::vector<unsigned char>> bodies;
    Row row;
    row.operation = "CompressSwf, uncompressed samples";
    row.baseline = "zlib compress() in memory";
    row.target = 1.15;
    for (const std::string& n : names) {
        std::vector<unsigned char> all = ReadAll(CorpusDir() + n);
        bodies.emplace_back(all.begin() + 8, all.end());
        row.megabytes += all.size() / 1e6;
    }
    row.files = static_cast<int>(names.size());
    std::string out = ScratchFolder();
    // A Test batch writes its outputs into the emptied work folder: each run gets a new folder.
    int run = 0;
    auto op = [&] {
        std::string folder = out + "run" + std::to_string(run++) + "/";
        mkdir(folder.c_str(), 0777);
        for (const std::string& n : names) CompressSwf(CorpusDir() + n, folder + n);
    };
    // Running it again over the outputs of the last run replaces each of them in one step.
    auto again = [&] {
        for (const std::string& n : names) CompressSwf(CorpusDir() + n, out + n);
    };
    std::vector<unsigned char> buffer;
    auto base = [&] {
        for (const auto& body : bodies) {
            uLongf len = compressBound(static_cast<uLong>(body.size()));
            buffer.resize(len);
            compress(buffer.data(), &len, body.data(), static_cast<uLong>(body.size()));
        }
    };
    Compare(&row, op, base);
    Row rerun = row;
    rerun.operation = "CompressSwf, same samples over earlier outputs";
    again();
    Compare(&rerun, again, base);

    // Memory: one compression of a 200 MB movie made for the purpose stays within a few fixed buffers.
    Row big;
    big.operation = "CompressSwf, one 200 MB movie";
    big.baseline = "zlib compress() in memory";
    big.files = 1;
    std::vector<unsigned char> movie = ReadAll(CorpusDir() + "shumway-esc.swf");
    std::vector<unsigned char> body(movie.begin() + 8, movie.end());
    while (body.size() < 200u * 1024 * 1024) body.insert(body.end(), movie.begin() + 8, movie.end());
    std::string src = out + "big.swf";
    {
        std::vector<unsigned char> file = {'F', 'W', 'S', 6, 0, 0, 0, 0};
        file.insert(file.end(), body.begin(), body.end());
        FILE* f = std::fopen(src.c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
        big.megabytes = file.size() / 1e6;
    }
    auto bigOp = [&] { CompressSwf(src, out + "big_Comp.swf"); };
    auto bigBase = [&] {
        uLongf len = compressBound(static_cast<uLong>(body.size()));
        buffer.resize(len);
        compress(buffer.data(), &len, body.data(), static_cast<uLong>(body.size()));
    };
    Compare(&big, bigOp, bigBase, 1);
    big.peakMiB = PeakMiB(bigOp);
    row.peakMiB = PeakMiB(op);
    rerun.peakMiB = PeakMiB(again);
    return {row, rerun, big};
}

namespace {

uint64_t FileBytes(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

}  // namespace

// Zopfli against zlib's default level: CompressSwfBest and CompressSwf over the uncompressed samples, their times
// and their outputs' sizes; then one larger movie (a few of Zopfli's blocks of 1,000,000 bytes), whose peak memory
// is what any larger movie takes, as the blocks are compressed one after the other.
SQZ_BENCHMARK(best) {
    std::string out = ScratchFolder();
    std::vector<std::string> names = CorpusMovies("FWS");
    Row row;
    row.operation = "CompressSwfBest (Zopfli), uncompressed samples";
    row.baseline = "CompressSwf (zlib's default level)";
    row.files = static_cast<int>(names.size());
    for (const std::string& n : names) row.megabytes += FileBytes(CorpusDir() + n) / 1e6;
    auto compressAll = [&](int (*compress)(const std::string&, const std::string&), const char* tail) {
        uint64_t bytes = 0;
        for (const std::string& n : names) {
            compress(CorpusDir() + n, out + n + tail);
            bytes += FileBytes(out + n + tail);
        }
        return bytes;
    };
    uint64_t best = 0, standard = 0;
    Compare(
        &row, [&] { best = compressAll(CompressSwfBest, ".best"); },
        [&] { standard = compressAll(CompressSwf, ".zlib"); }, 1);
    row.sizeRatio = standard ? static_cast<double>(best) / standard : 0;
    std::fprintf(stderr, "best: %llu bytes with Zopfli, %llu with zlib's default level over %zu samples\n",
                 static_cast<unsigned long long>(best), static_cast<unsigned long long>(standard), names.size());

    // A movie of a few blocks, made of the largest sample's body over and over.
    Row big;
    big.operation = "CompressSwfBest (Zopfli), one 4 MB movie";
    big.baseline = "CompressSwf (zlib's default level)";
    big.files = 1;
    std::vector<unsigned char> movie = ReadAll(CorpusDir() + "shumway-esc.swf");
    std::vector<unsigned char> file = {'F', 'W', 'S', 6, 0, 0, 0, 0};
    while (file.size() < 4000000) file.insert(file.end(), movie.begin() + 8, movie.end());
    std::string src = out + "big.swf";
    if (FILE* f = std::fopen(src.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    big.megabytes = file.size() / 1e6;
    auto bigOp = [&] { CompressSwfBest(src, out + "big.best"); };
    auto bigBase = [&] { CompressSwf(src, out + "big.zlib"); };
    Compare(&big, bigOp, bigBase, 1);
    big.sizeRatio = static_cast<double>(FileBytes(out + "big.best")) / FileBytes(out + "big.zlib");
    big.peakMiB = PeakMiB(bigOp);
    return {row, big};
}
