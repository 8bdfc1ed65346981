// Taking over the handoff value (handoff_contract.h) through which the Explorer extension hands movies to the
// program.
#pragma once

#include <string>
#include <vector>

// Reads the value into a zero-filled buffer of kHandoffBufferSize bytes (more when the value is longer: the program's
// own AppendHandoffPaths may have added to the extension's text) and then empties it (an empty REG_SZ of
// zero bytes), so that each handoff is taken once; returns the text up to its first zero byte. The text is always
// terminated inside the buffer, also when the value fills it whole. When the key does not exist nothing is
// touched and the text is empty.
std::string TakeHandoffText();
// Appends `paths`, each followed by one space, to the text the value holds now (creating the key and the value when
// they are missing), so that the next start of the program takes them: for movies handed over to a program whose
// session ends before it could add them. Nothing is written when `paths` is empty.
void AppendHandoffPaths(const std::vector<std::string>& paths);
