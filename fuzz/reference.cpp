// The independent readings: no bit strings, no streaming, nothing shared with the engine.
#include "reference.h"

#include <zlib.h>

namespace sqzfuzz {
namespace {

uint8_t At(const std::vector<uint8_t>& b, size_t i) { return i < b.size() ? b[i] : 0; }

uint32_t Bits(const std::vector<uint8_t>& b, size_t first, unsigned count) {
    uint32_t v = 0;
    for (unsigned i = 0; i < count; ++i) {
        size_t bit = first + i;
        v = (v << 1) | ((At(b, bit / 8) >> (7 - bit % 8)) & 1u);
    }
    return v;
}

size_t RectLength(const std::vector<uint8_t>& b) { return (4 * (At(b, 0) >> 3) + 5) / 8 + 1; }

}  // namespace

Frame ReadFrame(const std::vector<uint8_t>& body) {
    unsigned n = At(body, 0) >> 3;
    Frame f;
    f.width = static_cast<int32_t>(Bits(body, 5 + n, n) / 20);
    f.height = static_cast<int32_t>(Bits(body, 5 + 3 * n, n) / 20);
    size_t r = RectLength(body);
    f.rate = At(body, r + 1);
    f.frames = At(body, r + 2) | (At(body, r + 3) << 8);
    return f;
}

bool WalkFindsProtect(const std::vector<uint8_t>& body) {
    uint64_t p = RectLength(body) + 4;
    for (;;) {
        if (p + 2 > body.size()) return false;
        unsigned word = body[p] | (body[p + 1] << 8);
        p += 2;
        uint64_t length = word & 0x3F;
        if (length == 63) {
            if (p + 4 > body.size()) return false;
            length = body[p] | (body[p + 1] << 8) | (body[p + 2] << 16) | (uint64_t(body[p + 3]) << 24);
            p += 4;
        }
        if ((word >> 6) == 24) return true;
        if ((word >> 6) == 0) return false;
        p += length;
    }
}

bool InflateAll(const uint8_t* data, size_t size, std::vector<uint8_t>* out, size_t limit) {
    out->clear();
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return false;
    zs.next_in = const_cast<uint8_t*>(data);
    zs.avail_in = static_cast<uInt>(size);
    uint8_t buf[16384];
    int ret;
    do {
        zs.next_out = buf;
        zs.avail_out = sizeof buf;
        ret = inflate(&zs, Z_NO_FLUSH);
        out->insert(out->end(), buf, buf + (sizeof buf - zs.avail_out));
    } while (ret == Z_OK && out->size() <= limit);
    inflateEnd(&zs);
    return ret == Z_STREAM_END && out->size() <= limit;
}

}  // namespace sqzfuzz
