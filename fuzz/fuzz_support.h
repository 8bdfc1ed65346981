// What every fuzz target shares: the engine runs on in-memory files, so that millions of inputs cost no disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "../tests/memory_files.h"

namespace sqzfuzz {

// The in-memory files, installed as the engine's file services on first use and emptied for every input.
sqztest::MemoryFiles& Files();
// Path of a file in the in-memory program folder.
std::string InRoot(const std::string& name);
// Puts the input into the in-memory program folder under `name` and returns its path.
std::string PutInput(const std::string& name, const uint8_t* data, size_t size);

}  // namespace sqzfuzz
