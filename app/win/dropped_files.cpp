// Reading a drop's paths as wide text and turning each into an exact ANSI path.
#include "dropped_files.h"

namespace {

// `wide` in the ANSI code page into `*ansi` when no character of it needs a substitute; false otherwise.
bool ExactAnsi(const std::wstring& wide, std::string* ansi) {
    BOOL substituted = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &substituted);
    if (n <= 1 || substituted) return false;
    std::string text(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &text[0], n, nullptr, &substituted);
    if (substituted) return false;
    text.resize(static_cast<size_t>(n - 1));
    *ansi = text;
    return true;
}

// The ANSI path of `wide`: itself, else its short form, when one converts exactly; "" when neither does.
std::string ExactAnsiPath(const std::wstring& wide) {
    std::string ansi;
    if (ExactAnsi(wide, &ansi)) return ansi;
    DWORD size = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (size == 0) return std::string();
    std::wstring shortForm(size, L'\0');
    DWORD n = ::GetShortPathNameW(wide.c_str(), &shortForm[0], size);
    if (n == 0 || n >= size) return std::string();
    shortForm.resize(n);
    return ExactAnsi(shortForm, &ansi) ? ansi : std::string();
}

}  // namespace

std::vector<std::string> DroppedPaths(HDROP hDrop) {
    std::vector<std::string> paths;
    const UINT count = ::DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = ::DragQueryFileW(hDrop, i, nullptr, 0);
        if (length == 0) continue;
        std::wstring wide(length + 1, L'\0');
        wide.resize(::DragQueryFileW(hDrop, i, &wide[0], length + 1));
        std::string path = ExactAnsiPath(wide);
        if (!path.empty()) paths.push_back(path);
    }
    return paths;
}
