// Plain, independent readings of a movie for the fuzz targets to compare the engine with: the frame header by
// direct bit-field reads, the tag walk, and a whole in-memory inflate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sqzfuzz {

struct Frame {
    int32_t width = 0, height = 0, rate = 0, frames = 0;
};

// The frame header at the start of `body` (bytes past its end read as 0).
Frame ReadFrame(const std::vector<uint8_t>& body);
// Whether the tag walk over `body` (after its frame header) meets a Protect tag before End or the end of data.
bool WalkFindsProtect(const std::vector<uint8_t>& body);
// The zlib stream at the start of `data` inflated whole; false when it is broken, does not end, or inflates to
// more than `limit` bytes.
bool InflateAll(const uint8_t* data, size_t size, std::vector<uint8_t>* out, size_t limit);

}  // namespace sqzfuzz
