// Taking over the handoff value (handoff_contract.h) through which the Explorer extension hands movies to the
// program.
#pragma once

#include <string>

// Reads the value into a zero-filled buffer of kHandoffBufferSize bytes and then empties it (an empty REG_SZ of
// zero bytes), so that each handoff is taken once; returns the text up to its first zero byte. The text is always
// terminated inside the buffer, also when the value fills it whole. When the key does not exist nothing is
// touched and the text is empty.
std::string TakeHandoffText();
