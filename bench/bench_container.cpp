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
