// The sort comparison of the file list on any two cells: an order (never both before and after each other, the
// "after" test the mirror of the "before" test), numbers read back from the texts the list writes, and no read
// beyond the cell. The input is the two cells separated by a zero byte.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "cell_compare.h"
#include "file_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const void* zero = std::memchr(data, 0, size);
    size_t split = zero ? static_cast<const uint8_t*>(zero) - data : size;
    std::string a(text, split), b = split < size ? std::string(text + split + 1, size - split - 1) : std::string();
    for (bool textKind : {true, false}) {
        bool before = CellOrders(a, b, false, textKind), after = CellOrders(a, b, true, textKind);
        if (before && after) __builtin_trap();
        if (after != CellOrders(b, a, false, textKind) || before != CellOrders(b, a, true, textKind)) __builtin_trap();
        if (CellOrders(a, a, false, textKind) || CellOrders(a, a, true, textKind)) __builtin_trap();
    }
    // The size and ratio texts the list writes read back as their numbers.
    if (size >= 4) {
        int32_t v;
        std::memcpy(&v, data, 4);
        if (CellNumber(FormatThousands(v)) != v) __builtin_trap();
        char ratio[16];
        std::snprintf(ratio, sizeof ratio, "%d%%", v);
        if (CellNumber(ratio) != v) __builtin_trap();
    }
    return 0;
}
