// Reading the properties of compressed movies: ReadSwfInfo (streamed inflate, whole stream checked) against a bare
// in-memory inflate of the same bodies, and against decompressing each movie whole to a work file and reading
// its header there. Also the protection test on the same movies, and the memory of one large movie.
#include <unistd.h>
#include <zlib.h>

#include <cstdio>

#include "bench.h"
#include "swf_container.h"
#include "swf_inspect.h"
#include "swf_protect.h"

using namespace sqzbench;

namespace {

// Inflates `body` through a fixed 64 KB output block, dropping the output: the least work that checking a
// whole stream can do.
void InflateDropping(const std::vector<unsigned char>& body, std::vector<unsigned char>& block) {
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = const_cast<unsigned char*>(body.data());
    zs.avail_in = static_cast<uInt>(body.size());
    int ret;
    do {
        zs.next_out = block.data();
        zs.avail_out = static_cast<uInt>(block.size());
        ret = inflate(&zs, Z_NO_FLUSH);
    } while (ret == Z_OK);
    inflateEnd(&zs);
}

}  // namespace

SQZ_BENCHMARK(inspect) {
    std::vector<std::string> names = CorpusMovies("CWS");
    std::vector<std::vector<unsigned char>> bodies;
    std::vector<uLongf> lengths;
    double megabytes = 0;
    for (const std::string& n : names) {
        std::vector<unsigned char> all = ReadAll(CorpusDir() + n);
        bodies.emplace_back(all.begin() + 8, all.end());
        lengths.push_back(ReadLE32(all.data() + 4));
        megabytes += all.size() / 1e6;
    }
    auto row = [&](const char* operation, const char* baseline, double target) {
        Row r;
        r.operation = operation;
        r.baseline = baseline;
        r.files = static_cast<int>(names.size());
        r.megabytes = megabytes;
        r.target = target;
        return r;
    };

    auto read = [&] {
        for (const std::string& n : names) ReadSwfInfo(CorpusDir() + n);
    };
    std::vector<unsigned char> block(64 * 1024), whole;
    auto streamed = [&] {
        for (const auto& body : bodies) InflateDropping(body, block);
    };
    auto uncompressed = [&] {
        for (size_t i = 0; i < bodies.size(); ++i) {
            uLongf len = lengths[i];
            whole.resize(len);
            uncompress(whole.data(), &len, bodies[i].data(), static_cast<uLong>(bodies[i].size()));
        }
    };
    // The way with a work copy: decompress whole to a file, read the header there, delete the copy.
    std::string scratch = ScratchFolder();
    auto viaWorkFile = [&] {
        for (const std::string& n : names) {
            std::string copy = scratch + n;
            DecompressSwf(CorpusDir() + n, copy);
            ReadSwfHeaderInfo(copy);
            unlink(copy.c_str());
        }
    };
    auto isProtected = [&] {
        for (const std::string& n : names) IsSwfProtected(CorpusDir() + n);
    };

    Row a = row("ReadSwfInfo, compressed samples", "inflate() in memory, 64 KB block, output dropped", 1.2);
    Compare(&a, read, streamed);
    Row b = row("ReadSwfInfo, compressed samples", "uncompress() in memory into a whole buffer", 1.2);
    Compare(&b, read, uncompressed);
    Row c = row("ReadSwfInfo, compressed samples", "DecompressSwf to a work file, read, delete", 0);
    Compare(&c, read, viaWorkFile);
    Row d = row("IsSwfProtected, compressed samples", "inflate() in memory, 64 KB block, output dropped", 1.2);
    Compare(&d, isProtected, streamed);
    a.peakMiB = b.peakMiB = c.peakMiB = PeakMiB(read);
    d.peakMiB = PeakMiB(isProtected);

    // One movie of 64 MB inflated: memory stays a few fixed buffers.
    std::vector<unsigned char> movie = ReadAll(CorpusDir() + "shumway-esc.swf");
    std::vector<unsigned char> body(movie.begin() + 8, movie.end());
    while (body.size() < 64u * 1024 * 1024) body.insert(body.end(), movie.begin() + 8, movie.end());
    uLongf len = compressBound(static_cast<uLong>(body.size()));
    std::vector<unsigned char> cws(len + 8);
    compress(cws.data() + 8, &len, body.data(), static_cast<uLong>(body.size()));
    cws.resize(len + 8);
    cws[0] = 'C', cws[1] = 'W', cws[2] = 'S', cws[3] = 6;
    WriteLE32(cws.data() + 4, static_cast<uint32_t>(body.size() + 8));
    std::string big = scratch + "big.swf";
    if (FILE* f = std::fopen(big.c_str(), "wb")) {
        std::fwrite(cws.data(), 1, cws.size(), f);
        std::fclose(f);
    }
    std::vector<unsigned char> bigBody(cws.begin() + 8, cws.end());
    Row e;
    e.operation = "ReadSwfInfo, one movie inflating to 64 MB";
    e.baseline = "inflate() in memory, 64 KB block, output dropped";
    e.files = 1;
    e.megabytes = cws.size() / 1e6;
    e.target = 1.2;
    Compare(
        &e, [&] { ReadSwfInfo(big); }, [&] { InflateDropping(bigBody, block); }, 2);
    e.peakMiB = PeakMiB([&] { ReadSwfInfo(big); });
    Row f = e;
    f.baseline = "DecompressSwf to a work file, read, delete";
    f.target = 0;
    auto bigViaWorkFile = [&] {
        DecompressSwf(big, scratch + "big_copy.swf");
        ReadSwfHeaderInfo(scratch + "big_copy.swf");
        unlink((scratch + "big_copy.swf").c_str());
    };
    Compare(
        &f, [&] { ReadSwfInfo(big); }, bigViaWorkFile, 2);
    return {a, b, c, d, e, f};
}
