// Property reading of a compressed movie (the signature forced to "CWS"), against the independent reading.
#include <cstring>
#include <vector>

#include "fuzz_inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> m(data, data + size);
    if (m.size() >= 3) std::memcpy(m.data(), "CWS", 3);
    sqzfuzz::CheckReading("m.swf", m.data(), m.size());
    return 0;
}
