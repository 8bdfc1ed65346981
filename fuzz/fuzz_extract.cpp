// Extraction of the movie of any projector-like file: never more than the file holds, never more than the
// trailer's length, always a non-zero answer.
#include <cstring>

#include "fuzz_support.h"
#include "swf_container.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string in = sqzfuzz::PutInput("p.exe", data, size);
    std::string out = sqzfuzz::InRoot("m.swf");
    if (!ExtractProjectorSwf(in, out)) __builtin_trap();
    const auto* movie = sqzfuzz::Files().Get(out);
    if (!movie) __builtin_trap();
    if (movie->empty()) return 0;
    // A movie was copied: the trailer was sound and the bytes are those just before it.
    if (size < 8 || ReadLE32(data + size - 8) != kProjectorMagic) __builtin_trap();
    uint32_t length = ReadLE32(data + size - 4);
    if (movie->size() != length || length > size - 8 ||
        std::memcmp(movie->data(), data + size - 8 - length, length) != 0)
        __builtin_trap();
    return 0;
}
