// Text functions over multibyte strings of the ANSI code page (code page 936 on the systems the program is
// localised for): a double-byte character's second byte is never taken for a character of its own.
#pragma once

#include <string>

namespace sqz {

// Position of the last character `c` (a single-byte character) in `s`, or npos.
size_t MbsFindLast(const std::string& s, char c);
// Position of the first match of `needle` in `s` at or after `from` that starts on a character boundary,
// or npos (the search of _mbsstr).
size_t MbsFind(const std::string& s, const std::string& needle, size_t from = 0);
// `s` with the single-byte letters A to Z made lower case; double-byte characters unchanged.
std::string MbsLower(std::string s);
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
