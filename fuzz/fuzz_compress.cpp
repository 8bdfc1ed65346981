// Compression of any input made to look like an uncompressed movie: the output must inflate back to the input's
// body, and a decompression of it must give back the body with the real length.
#include <zlib.h>

#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "swf_container.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> movie(data, data + size);
    if (movie.size() >= 3) std::memcpy(movie.data(), "FWS", 3);
    std::string in = sqzfuzz::PutInput("in.swf", movie.data(), movie.size());
    std::string out = sqzfuzz::InRoot("out.swf"), back = sqzfuzz::InRoot("back.swf");
    int ok = CompressSwf(in, out);
    if (movie.size() < 8) {
        if (ok || sqzfuzz::Files().Get(out)) __builtin_trap();  // too short: fails and writes nothing
        return 0;
    }
    if (!ok) __builtin_trap();
    if (!DecompressSwf(out, back)) __builtin_trap();
    const auto* restored = sqzfuzz::Files().Get(back);
    if (!restored || restored->size() != movie.size() || ReadLE32(restored->data() + 4) != movie.size() ||
        std::memcmp(restored->data() + 8, movie.data() + 8, movie.size() - 8) != 0)
        __builtin_trap();
    return 0;
}
