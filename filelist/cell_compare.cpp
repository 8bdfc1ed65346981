// Cell comparison of the sortable list.
#include "cell_compare.h"

#include <climits>

#include "mbcs.h"

long long CellNumber(const std::string& text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < n; ++i) {
        char c = text[i];
        if (c == ',' && i > 0 && i + 1 < n && text[i - 1] >= '0' && text[i - 1] <= '9' && text[i + 1] >= '0' &&
            text[i + 1] <= '9')
            continue;  // a grouping comma
        if (c < '0' || c > '9') break;
        int digit = c - '0';
        value = value > (LLONG_MAX - digit) / 10 ? LLONG_MAX : value * 10 + digit;
    }
    return negative ? -value : value;
}

bool CellOrders(const std::string& a, const std::string& b, bool greater, bool textKind) {
    if (textKind) {
        int order = sqz::MbsCmp(a, b);
        return greater ? order > 0 : order < 0;
    }
    long long x = CellNumber(a), y = CellNumber(b);
    return greater ? x > y : x < y;
}
