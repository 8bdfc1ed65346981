// Reading an LZMA movie (the signature forced to "ZWS"): whatever its length field, properties and stream, the
// reading never crashes and stays within its memory, and the engine's readings agree: the properties are valid
// exactly when the movie decompresses, and then they are those of the decompressed movie (but for the size, the
// stored one); the protection test and the check read it without harm.
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "swf_check.h"
#include "swf_container.h"
#include "swf_inspect.h"
#include "swf_protect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> m(data, data + size);
    if (m.size() >= 3) std::memcpy(m.data(), "ZWS", 3);
    const std::string path = sqzfuzz::PutInput("m.swf", m.data(), m.size());
    SwfFileInfo info = ReadSwfInfo(path);
    const std::string plain = sqzfuzz::InRoot("plain.swf");
    const bool decompressed = DecompressSwf(path, plain) != 0;
    if (decompressed) {
        SwfFileInfo want = ReadSwfInfo(plain);
        want.nFileSize = static_cast<uint32_t>(m.size());
        want.tCreated = info.tCreated;
        if (std::memcmp(&info, &want, sizeof info) != 0) __builtin_trap();
    } else if (info.nVersion != 0 || (m.size() >= 3 && info.nFileSize != m.size())) {
        __builtin_trap();
    }
    IsSwfProtected(path);
    MovieCheck check = CheckMovie(path);
    // A movie that decompresses has no broken stream; one that does not, has.
    bool broken = false;
    for (const MovieCheck::Item& item : check.findings) broken |= item.finding == MovieFinding::kBrokenStream;
    if (m.size() >= 8 && m[3] != 0 && broken == decompressed) __builtin_trap();
    return 0;
}
