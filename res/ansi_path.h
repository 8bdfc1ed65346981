// The one rule by which a path or name that Windows gives as wide text becomes the ANSI text the system works with:
// itself when every character of it has its own form in the ANSI code page, else its short (8.3) form when that
// has, else nothing. A character without a form would come as "?" (or a look-alike), which file searches take for
// a wildcard and which names some other file or none. Header-only: included by both deliverables, which share no
// code, and by the engine's Windows file services.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace ansi_path {

// `text` of the code page `codePage` (CP_ACP, CP_UTF8) as UTF-16.
inline std::wstring Wide(const std::string& text, UINT codePage) {
    int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

// `wide` in the code page `codePage`; in the ANSI code page a character it cannot hold becomes its default
// character ("?"), so the result is for showing, not for naming a file (AnsiPathOf is for that).
inline std::string Narrow(const std::wstring& wide, UINT codePage) {
    int n = ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
    return text;
}

// How a conversion into the code page `codePage` (CP_ACP for the system's ANSI code page, or a code page's number)
// learns of a character the code page cannot hold. UTF-8 (65001, which Windows may have as its ANSI code page) holds
// every character but a lone surrogate, and Windows fails a conversion into it that asks for the best-fit flag or
// the used-default flag: there WC_ERR_INVALID_CHARS makes it fail on such a character. Elsewhere WC_NO_BEST_FIT_CHARS
// with the used-default flag: a look-alike would name another file.
inline DWORD ExactConversionFlags(UINT codePage) {
    return (codePage == CP_ACP ? ::GetACP() : codePage) == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
}

// `wide` in the code page `codePage` into `*ansi` when no character of it needs a substitute; false otherwise (also
// for the empty text).
inline bool ExactAnsi(const std::wstring& wide, UINT codePage, std::string* ansi) {
    const DWORD flags = ExactConversionFlags(codePage);
    BOOL substituted = FALSE;
    BOOL* used = flags == WC_NO_BEST_FIT_CHARS ? &substituted : nullptr;
    int n = ::WideCharToMultiByte(codePage, flags, wide.c_str(), -1, nullptr, 0, nullptr, used);
    if (n <= 1 || substituted) return false;
    std::string text(static_cast<size_t>(n), '\0');
    if (::WideCharToMultiByte(codePage, flags, wide.c_str(), -1, &text[0], n, nullptr, used) != n || substituted)
        return false;
    text.resize(static_cast<size_t>(n - 1));
    *ansi = text;
    return true;
}

// The short form of the existing file or folder `path` as the volume keeps it; the long form itself when the volume
// keeps no short names, "" when the path cannot be looked up.
inline std::wstring VolumeShortPath(const std::wstring& path) {
    DWORD size = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size == 0) return std::wstring();
    std::wstring shortForm(size, L'\0');
    DWORD n = ::GetShortPathNameW(path.c_str(), &shortForm[0], size);
    if (n == 0 || n >= size) return std::wstring();
    shortForm.resize(n);
    return shortForm;
}

using ShortPathLookup = std::wstring (*)(const std::wstring& path);

// The lookup of short forms that the rule uses: VolumeShortPath, unless a test has put in one that stands for a
// volume without short names (one module's own; a library loaded by the program has its own).
inline ShortPathLookup& ShortPathLookupInUse() {
    static ShortPathLookup lookup = VolumeShortPath;
    return lookup;
}

// The path of `wide` in the code page `codePage` (CP_ACP: the ANSI path) by the rule: "" when neither it nor its
// short form converts exactly.
inline std::string AnsiPathOf(const std::wstring& wide, UINT codePage) {
    std::string ansi;
    if (ExactAnsi(wide, codePage, &ansi)) return ansi;
    return ExactAnsi(ShortPathLookupInUse()(wide), codePage, &ansi) ? ansi : std::string();
}

// The name of the entry `name` of the folder `folder` (its wide path, ending with a backslash) in the code page
// `codePage` by the rule, the short form being the last part of the entry's short path; "" when neither converts
// exactly.
inline std::string AnsiNameOf(const std::wstring& folder, const std::wstring& name, UINT codePage) {
    std::string ansi;
    if (ExactAnsi(name, codePage, &ansi)) return ansi;
    std::wstring shortPath = ShortPathLookupInUse()(folder + name);
    size_t slash = shortPath.find_last_of(L'\\');
    return ExactAnsi(slash == std::wstring::npos ? shortPath : shortPath.substr(slash + 1), codePage, &ansi)
               ? ansi
               : std::string();
}

// File `index` of the drop `hDrop` (Explorer's CF_HDROP, read as wide text) as a path in the code page `codePage`
// (CP_ACP: the ANSI path) by the rule; "" when it has none.
inline std::string DroppedAnsiPath(HDROP hDrop, UINT index, UINT codePage) {
    UINT length = ::DragQueryFileW(hDrop, index, nullptr, 0);
    if (length == 0) return std::string();
    std::wstring wide(length + 1, L'\0');
    wide.resize(::DragQueryFileW(hDrop, index, &wide[0], length + 1));
    return AnsiPathOf(wide, codePage);
}

}  // namespace ansi_path
