// The handoff text splitter on any bytes, as a buffer the value fills whole (no terminator) and as the text
// before its first zero byte, with and without the double-byte characters of code page 936. Every path ends in
// ".swf" with no white space around it; the paths come in order, each ending where a separator starts on a
// character boundary (found here by a walk of its own), with only white space between one path and the next;
// and nothing is read beyond the buffer (AddressSanitizer guards its end).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "handoff_text.h"

namespace {

bool Cp936Lead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool NoLead(unsigned char) { return false; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The text with its single-byte letters lowered, and where ".swf " starts on a character boundary.
void Reference(const std::string& text, LeadBytePredicate lead, std::string* lower, std::vector<size_t>* matches) {
    *lower = text;
    std::vector<bool> boundary(text.size() + 1, false);
    for (size_t i = 0; i < text.size();) {
        boundary[i] = true;
        bool twoBytes = lead(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        if (!twoBytes && text[i] >= 'A' && text[i] <= 'Z') (*lower)[i] = static_cast<char>(text[i] + ('a' - 'A'));
        i += twoBytes ? 2 : 1;
    }
    for (size_t i = 0; i + 5 <= lower->size(); ++i)
        if (boundary[i] && std::memcmp(lower->data() + i, ".swf ", 5) == 0) matches->push_back(i);
}

void CheckSplit(const std::string& text, LeadBytePredicate lead) {
    std::vector<std::string> paths = SplitHandoffText(text, lead);
    std::string lower;
    std::vector<size_t> matches;
    Reference(text, lead, &lower, &matches);
    size_t expected = matches.empty() || matches.front() == 0 ? 0 : matches.size();
    Check(paths.size() == expected);
    size_t end = 0;  // where the previous path ended
    for (size_t k = 0; k < paths.size(); ++k) {
        const std::string& path = paths[k];
        Check(path.size() >= 4 && path.compare(path.size() - 4, 4, ".swf") == 0);
        Check(!IsBlank(path.front()) && !IsBlank(path.back()));
        size_t stop = matches[k] + 4;
        Check(stop >= end + path.size());
        size_t start = stop - path.size();
        Check(lower.compare(start, path.size(), path) == 0);
        for (size_t i = end; i < start; ++i) Check(IsBlank(lower[i]));
        end = stop;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    std::string taken = HandoffTextFromBuffer(bytes, size);
    const void* zero = std::memchr(data, 0, size);
    Check(taken.size() == (zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data) : size));
    Check(std::memcmp(taken.data(), bytes, taken.size()) == 0);
    for (LeadBytePredicate lead : {Cp936Lead, NoLead}) {
        CheckSplit(taken, lead);
        // The whole input, zero bytes and all, as text.
        CheckSplit(std::string(bytes, size), lead);
    }
    return 0;
}
