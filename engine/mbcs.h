// Text functions over multibyte strings of the ANSI code page (code page 936 on the systems the program is
// localised for): a double-byte character's second byte is never taken for a character of its own.
#pragma once

#include <string>

namespace sqz {

// Tells whether a byte opens a double-byte character of the code page a text is in.
using LeadBytePredicate = bool (*)(unsigned char);

// The walk of every function here: the position of the character after the one at `pos`, pos + 2 for a lead byte
// followed by another byte, else pos + 1 (for (i = 0; i < s.size(); i = MbsNext(s, i)) visits each character
// once). `isLeadByte` names the code page's lead bytes; null takes the system's ANSI code page.
size_t MbsNext(const std::string& s, size_t pos, LeadBytePredicate isLeadByte = nullptr);
// Position of the last character `c` (a single-byte character) in `s`, or npos.
size_t MbsFindLast(const std::string& s, char c);
// Position of the first match of `needle` in `s` at or after `from` that starts on a character boundary,
// or npos (the search of _mbsstr).
size_t MbsFind(const std::string& s, const std::string& needle, size_t from = 0);
// `s` with the single-byte letters A to Z made lower case; double-byte characters unchanged.
std::string MbsLower(std::string s, LeadBytePredicate isLeadByte = nullptr);
// Compares character by character by code value, case-sensitive: <0, 0 or >0 (as _mbscmp).
int MbsCmp(const std::string& a, const std::string& b);
// As MbsCmp, with the single-byte letters compared without regard to case (as _mbsicmp).
int MbsICmp(const std::string& a, const std::string& b);
// True when the byte at `pos` is the second byte of a double-byte character.
bool MbsIsTrailByte(const std::string& s, size_t pos);
// True when two paths name the same file by their text: equal, or, where file names ignore letter case, equal by
// MbsICmp.
bool SamePath(const std::string& a, const std::string& b);

}  // namespace sqz
