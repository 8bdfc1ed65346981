// The protection test against the independent tag walk, and protection itself: a protected copy that was
// written is recognised as protected, is exactly N + 2 bytes for an uncompressed source, and a failure writes
// nothing. The first input byte chooses a compressed or an uncompressed source.
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "reference.h"
#include "swf_container.h"
#include "swf_protect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    bool compressed = data[0] & 1;
    std::vector<uint8_t> m(data + 1, data + size);
    if (m.size() >= 3) std::memcpy(m.data(), compressed ? "CWS" : "FWS", 3);
    std::string in = sqzfuzz::PutInput("in.swf", m.data(), m.size());

    std::vector<uint8_t> body;
    bool readable = m.size() >= 8;
    if (readable && compressed)
        readable = sqzfuzz::InflateAll(m.data() + 8, m.size() - 8, &body, 0xFFFFFFFFu - 8);
    else if (readable)
        body.assign(m.begin() + 8, m.end());
    bool expected = readable && sqzfuzz::WalkFindsProtect(body);
    if ((IsSwfProtected(in) != 0) != expected) __builtin_trap();

    std::string out = sqzfuzz::InRoot("out.swf");
    int ok = ProtectSwfVia(in, out, sqzfuzz::InRoot("w1.swf"), sqzfuzz::InRoot("w2.swf"));
    const auto* written = sqzfuzz::Files().Get(out);
    if (!ok) {
        if (written) __builtin_trap();
        return 0;
    }
    if (!written || !IsSwfProtected(out)) __builtin_trap();
    if (!compressed && written->size() != ReadLE32(m.data() + 4) + 2ull) __builtin_trap();
    return 0;
}
