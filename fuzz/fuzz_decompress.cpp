// Decompression of any input made to look like a compressed movie: it fails without writing, or writes a movie
// whose length field is its real size; it never trusts the header's own length.
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "swf_container.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> movie(data, data + size);
    if (movie.size() >= 3) std::memcpy(movie.data(), "CWS", 3);
    std::string in = sqzfuzz::PutInput("in.swf", movie.data(), movie.size());
    std::string out = sqzfuzz::InRoot("out.swf");
    int ok = DecompressSwf(in, out);
    const auto* written = sqzfuzz::Files().Get(out);
    if (!ok) {
        if (written) __builtin_trap();  // a failure leaves no destination behind
        return 0;
    }
    if (!written || written->size() < 8 || ReadLE32(written->data() + 4) != written->size() ||
        std::memcmp(written->data(), "FWS", 3) != 0 || (*written)[3] != movie[3])
        __builtin_trap();
    return 0;
}
