// Property reading of a projector (a name ending in ".exe"; input as it is), against the independent reading.
#include <cstring>
#include <vector>

#include "fuzz_inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> m(data, data + size);

    sqzfuzz::CheckReading("p.exe", m.data(), m.size());
    return 0;
}
