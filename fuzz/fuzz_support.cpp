// In-memory files for the fuzz targets.
#include "fuzz_support.h"

namespace sqzfuzz {

sqztest::MemoryFiles& Files() {
    static sqztest::MemoryFiles* files = [] {
        auto* f = new sqztest::MemoryFiles;
        sqz::SetFileServices(f);
        return f;
    }();
    return *files;
}

std::string InRoot(const std::string& name) { return sqztest::MemoryFiles::Root() + name; }

std::string PutInput(const std::string& name, const uint8_t* data, size_t size) {
    Files().Clear();
    std::string path = InRoot(name);
    Files().Put(path, sqztest::MemoryFiles::Bytes(data, data + size));
    return path;
}

}  // namespace sqzfuzz
