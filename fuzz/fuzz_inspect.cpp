// What ReadSwfInfo must give for a file, derived independently: uncompressed movies from their bytes, compressed
// ones from a whole inflate, projectors from their trailer; and it never writes a file.
#include "fuzz_inspect.h"

#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "reference.h"
#include "swf_container.h"
#include "swf_inspect.h"

namespace sqzfuzz {
namespace {

constexpr uint32_t kMemoryTime = 1078819503;  // the creation time the in-memory files report

SwfFileInfo Expected(const uint8_t* movie, size_t size, bool projector, uint32_t fileSize) {
    SwfFileInfo e{};
    // Only a movie signature makes a movie.
    if (size < 3 || (std::memcmp(movie, "FWS", 3) != 0 && std::memcmp(movie, "CWS", 3) != 0)) return e;
    // A compressed movie keeps its measured size even when nothing else can be read.
    bool cws = std::memcmp(movie, "CWS", 3) == 0;
    if (cws) e.nFileSize = projector ? static_cast<uint32_t>(size) : fileSize;
    if (size < 8) return e;
    std::vector<uint8_t> body;
    if (cws) {
        if (!InflateAll(movie + 8, size - 8, &body, 0xFFFFFFFFu - 8)) return e;
    } else {
        body.assign(movie + 8, movie + size);
        e.nFileSize = ReadLE32(movie + 4);
    }
    Frame f = ReadFrame(body);
    e.nVersion = movie[3];
    e.nWidth = f.width;
    e.nHeight = f.height;
    e.nFrameRate = f.rate;
    e.nFrameCount = f.frames;
    e.tCreated = kMemoryTime;
    return e;
}

bool Same(const SwfFileInfo& a, const SwfFileInfo& b) {
    return a.nVersion == b.nVersion && a.nFileSize == b.nFileSize && a.nWidth == b.nWidth && a.nHeight == b.nHeight &&
           a.nFrameRate == b.nFrameRate && a.nFrameCount == b.nFrameCount && a.tCreated == b.tCreated;
}

}  // namespace

void CheckReading(const std::string& name, const uint8_t* data, size_t size) {
    std::string path = PutInput(name, data, size);
    SwfFileInfo got = ReadSwfInfo(path);
    SwfFileInfo want{};
    const uint8_t* movie = data;
    size_t length = size;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) {
        const bool trailer = size >= 8 && ReadLE32(data + size - 8) == kProjectorMagic;
        length = trailer ? ReadLE32(data + size - 4) : 0;
        movie = trailer && length <= size - 8 ? data + size - 8 - length : nullptr;
        if (movie) want = Expected(movie, length, true, 0);
    } else {
        want = Expected(data, size, false, static_cast<uint32_t>(size));
    }
    // An LZMA movie has a target of its own, which checks its reading against its decompression.
    const bool lzma = movie && length >= 3 && std::memcmp(movie, "ZWS", 3) == 0;
    if (!lzma && !Same(got, want)) __builtin_trap();
    // Reading never leaves a file behind or changes the one it read.
    if (Files().Paths().size() != 1 || Files().Get(path)->size() != size) __builtin_trap();
}

}  // namespace sqzfuzz
