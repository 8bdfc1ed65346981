// The property reading compared with the independent readings, for a movie of any kind; shared by the three
// property-reading fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sqzfuzz {

// Reads `data` stored under `name` ("m.swf" or "p.exe") with ReadSwfInfo and traps on any disagreement.
void CheckReading(const std::string& name, const uint8_t* data, size_t size);

}  // namespace sqzfuzz
