// Multibyte-aware search, case folding and comparison, walking the text character by character.
#include "mbcs.h"

#include "platform.h"

namespace sqz {
namespace {

// The code value of the character at `pos` plus one, and its length; 0 at the end of the text, so that a text
// orders before every longer one, even one that goes on with a zero byte.
unsigned CharCode(const std::string& s, size_t pos, size_t* len, bool fold) {
    *len = pos < s.size() ? MbsNext(s, pos) - pos : 0;
    if (*len == 0) return 0;
    auto b = static_cast<unsigned char>(s[pos]);
    if (*len == 2) return ((b << 8) | static_cast<unsigned char>(s[pos + 1])) + 1;
    if (fold && b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
    return b + 1u;
}

int Compare(const std::string& a, const std::string& b, bool fold) {
    size_t i = 0, j = 0;
    for (;;) {
        size_t la, lb;
        unsigned ca = CharCode(a, i, &la, fold), cb = CharCode(b, j, &lb, fold);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (la == 0) return 0;  // both ended
        i += la;
        j += lb;
    }
}

}  // namespace

size_t MbsNext(const std::string& s, size_t pos, LeadBytePredicate isLeadByte) {
    auto b = static_cast<unsigned char>(s[pos]);
    return pos + 1 < s.size() && (isLeadByte ? isLeadByte(b) : IsDbcsLeadByte(b)) ? pos + 2 : pos + 1;
}

size_t MbsFindLast(const std::string& s, char c) {
    size_t found = std::string::npos;
    for (size_t i = 0, next; i < s.size(); i = next) {
        next = MbsNext(s, i);
        if (s[i] == c && next == i + 1) found = i;
    }
    return found;
}

size_t MbsFind(const std::string& s, const std::string& needle, size_t from) {
    for (size_t i = 0; i < s.size(); i = MbsNext(s, i))
        if (i >= from && s.compare(i, needle.size(), needle) == 0) return i;
    return needle.empty() && from <= s.size() ? from : std::string::npos;
}

std::string MbsLower(std::string s, LeadBytePredicate isLeadByte) {
    for (size_t i = 0, next; i < s.size(); i = next) {
        next = MbsNext(s, i, isLeadByte);
        if (next == i + 1 && s[i] >= 'A' && s[i] <= 'Z') s[i] = static_cast<char>(s[i] - 'A' + 'a');
    }
    return s;
}

int MbsCmp(const std::string& a, const std::string& b) { return Compare(a, b, false); }

int MbsICmp(const std::string& a, const std::string& b) { return Compare(a, b, true); }

bool MbsIsTrailByte(const std::string& s, size_t pos) {
    size_t i = 0;
    while (i < pos && i < s.size()) i = MbsNext(s, i);
    return i > pos;
}

bool SamePath(const std::string& a, const std::string& b) { return kPathsIgnoreCase ? MbsICmp(a, b) == 0 : a == b; }

}  // namespace sqz
