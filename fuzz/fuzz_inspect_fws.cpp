// Property reading of an uncompressed movie (the signature forced to "FWS"), against the independent reading.
#include <cstring>
#include <vector>

#include "fuzz_inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> m(data, data + size);
    if (m.size() >= 3) std::memcpy(m.data(), "FWS", 3);
    sqzfuzz::CheckReading("m.swf", m.data(), m.size());
    return 0;
}
