// The text of the handoff value as the program takes it over from the Explorer extension: cut at its first zero
// byte (never read beyond the buffer it was read into), lower-cased, and split after every ".swf " into the paths
// of the movies handed over. Platform-free, so that it is also fuzzed natively.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "mbcs.h"

// Size of the buffer the handoff value is read into: the longest text the extension writes (1024 paths of at
// most 259 bytes, each followed by a space).
constexpr size_t kHandoffBufferSize = 266240;

// The text in `buffer` up to its first zero byte, or all `size` bytes when there is none (a value that fills
// the whole buffer). Never reads beyond `size` bytes.
std::string HandoffTextFromBuffer(const char* buffer, size_t size);

using sqz::LeadBytePredicate;

// The paths handed over in `text`, in order. The text is lower-cased (single-byte letters A to Z only) and cut
// after the ".swf" of every ".swf " (extension and one space) that starts on a character boundary; each piece is
// freed of leading and trailing white space. Text after the last separator (a path without its trailing space)
// is not taken, and a text that starts with ".swf " gives no path at all. Every path returned ends in ".swf".
// `isLeadByte` names the code page's lead bytes; null takes the system's ANSI code page.
std::vector<std::string> SplitHandoffText(const std::string& text, LeadBytePredicate isLeadByte = nullptr);
