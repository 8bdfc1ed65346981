// Taking the handoff text apart into movie paths.
#include "handoff_text.h"

#include <cstring>

#include "mbcs.h"

namespace {

const char kSeparator[] = ".swf ";
const size_t kSeparatorLength = sizeof(kSeparator) - 1;
// The ".swf" of a separator, which stays with the path before it.
const size_t kExtensionLength = 4;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// `piece` without leading and trailing white space. The second byte of a double-byte character is never a
// white-space byte in the code pages the program runs in, so trimming byte by byte never splits a character.
std::string Trim(const std::string& piece) {
    size_t first = 0, last = piece.size();
    while (first < last && IsBlank(piece[first])) ++first;
    while (last > first && IsBlank(piece[last - 1])) --last;
    return piece.substr(first, last - first);
}

}  // namespace

std::string HandoffTextFromBuffer(const char* buffer, size_t size) {
    if (!buffer) return std::string();
    const void* zero = std::memchr(buffer, 0, size);
    return std::string(buffer, zero ? static_cast<const char*>(zero) - buffer : size);
}

std::vector<std::string> SplitHandoffText(const std::string& text, LeadBytePredicate isLeadByte) {
    // A separator starts only on a character boundary (a double-byte character's second byte never starts one).
    std::string lower = sqz::MbsLower(text, isLeadByte);
    std::vector<std::string> paths;
    size_t start = 0;
    for (size_t i = 0; i < lower.size(); i = sqz::MbsNext(lower, i, isLeadByte)) {
        if (lower.compare(i, kSeparatorLength, kSeparator) != 0) continue;
        // A separator at the very start ends the reading before anything is taken.
        if (i == 0) break;
        // Everything from the end of the previous path (its space included) up to this ".swf".
        paths.push_back(Trim(lower.substr(start, i + kExtensionLength - start)));
        start = i + kExtensionLength;
    }
    return paths;
}
