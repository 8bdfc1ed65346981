// How the file list compares two cells of a column when it sorts: as text or as the number the cell shows.
// Platform-free, so the comparison is also fuzzed natively.
#pragma once

#include <string>

// The integer a number cell shows: leading blanks skipped, an optional sign, then decimal digits, a comma
// standing between two digits skipped (the grouping of "123,456"); reading stops at any other character, so "37%"
// is 37; a text without digits is 0. Saturated at the 64-bit range.
long long CellNumber(const std::string& text);

// With `greater` false, whether `a` orders before `b`; with it true, whether `a` orders after `b`. Text: by
// character code, case-sensitive, multibyte-aware; number: by CellNumber.
bool CellOrders(const std::string& a, const std::string& b, bool greater, bool textKind);
