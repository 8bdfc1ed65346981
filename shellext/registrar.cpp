// The registration-script interpreter.
#include "registrar.h"

#include "module.h"

namespace korvane {
namespace {

enum class KeyMode { kPlain, kForceRemove, kNoRemove };

// One key of the script with its default value, its named values and its subkeys.
struct KeyNode {
    KeyMode mode = KeyMode::kPlain;
    std::wstring name;
    bool bHasDefault = false;
    std::wstring defaultData;
    std::vector<std::pair<std::wstring, std::wstring>> values;
    std::vector<KeyNode> subkeys;
};

struct RootNode {
    HKEY hRoot;
    std::vector<KeyNode> keys;
};

struct Token {
    std::wstring text;
    bool bQuoted;
};

class Parser {
public:
    Parser(const std::wstring& text, const Replacements& replacements) : m_text(text), m_replacements(replacements) {}

    // False when the script does not follow the syntax or names an unknown symbol.
    bool Parse(std::vector<RootNode>* roots) {
        Token t;
        while (Next(&t)) {
            RootNode root;
            if (t.bQuoted || !RootKey(t.text, &root.hRoot)) return false;
            if (!Expect(L"{") || !ParseBlock(&root.keys, nullptr)) return false;
            roots->push_back(std::move(root));
        }
        return m_bOk;
    }

private:
    static bool RootKey(const std::wstring& name, HKEY* hRoot) {
        static const struct {
            const wchar_t* shortName;
            const wchar_t* longName;
            HKEY hKey;
        } kRoots[] = {
            {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
            {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
            {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
            {L"HKU", L"HKEY_USERS", HKEY_USERS},
        };
        for (const auto& root : kRoots) {
            if (_wcsicmp(name.c_str(), root.shortName) == 0 || _wcsicmp(name.c_str(), root.longName) == 0) {
                *hRoot = root.hKey;
                return true;
            }
        }
        return false;
    }

    // Reads the entries of a block up to its closing brace; `values` is null where named values are not
    // allowed (directly under a root).
    bool ParseBlock(std::vector<KeyNode>* keys, std::vector<std::pair<std::wstring, std::wstring>>* values) {
        Token t;
        for (;;) {
            if (!Next(&t)) return false;
            if (!t.bQuoted && t.text == L"}") return true;
            if (!t.bQuoted && _wcsicmp(t.text.c_str(), L"val") == 0) {
                std::pair<std::wstring, std::wstring> value;
                if (!values || !Next(&t) || IsPunctuation(t)) return false;
                value.first = t.text;
                if (!Expect(L"=") || !ParseString(&value.second)) return false;
                values->push_back(std::move(value));
                continue;
            }
            KeyNode key;
            if (!t.bQuoted && _wcsicmp(t.text.c_str(), L"ForceRemove") == 0) {
                key.mode = KeyMode::kForceRemove;
                if (!Next(&t)) return false;
            } else if (!t.bQuoted && _wcsicmp(t.text.c_str(), L"NoRemove") == 0) {
                key.mode = KeyMode::kNoRemove;
                if (!Next(&t)) return false;
            }
            if (IsPunctuation(t) || t.text.empty()) return false;
            key.name = t.text;
            if (Peek(L"=")) {
                Next(&t);
                key.bHasDefault = true;
                if (!ParseString(&key.defaultData)) return false;
            }
            if (Peek(L"{")) {
                Next(&t);
                if (!ParseBlock(&key.subkeys, &key.values)) return false;
            }
            keys->push_back(std::move(key));
        }
    }

    // The data of a value: the type letter s and a quoted string.
    bool ParseString(std::wstring* data) {
        Token t;
        if (!Next(&t) || t.bQuoted || _wcsicmp(t.text.c_str(), L"s") != 0) return false;
        if (!Next(&t) || !t.bQuoted) return false;
        *data = std::move(t.text);
        return true;
    }

    static bool IsPunctuation(const Token& t) {
        return !t.bQuoted && (t.text == L"{" || t.text == L"}" || t.text == L"=");
    }

    bool Expect(const wchar_t* word) {
        Token t;
        return Next(&t) && !t.bQuoted && t.text == word;
    }

    bool Peek(const wchar_t* word) {
        size_t pos = m_pos;
        bool bOk = m_bOk;
        Token t;
        bool bMatch = Next(&t) && !t.bQuoted && t.text == word;
        m_pos = pos;
        m_bOk = bOk;
        return bMatch;
    }

    // The next token with its symbols replaced; false at the end of the text or on a lexical error (which
    // also clears m_bOk).
    bool Next(Token* t) {
        while (m_pos < m_text.size() && iswspace(m_text[m_pos])) ++m_pos;
        if (m_pos >= m_text.size()) return false;
        std::wstring raw;
        t->bQuoted = m_text[m_pos] == L'\'';
        if (t->bQuoted) {
            for (++m_pos;; ++m_pos) {
                if (m_pos >= m_text.size()) return Fail();
                if (m_text[m_pos] == L'\'') {
                    if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == L'\'') {
                        raw += L'\'';
                        ++m_pos;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                raw += m_text[m_pos];
            }
        } else {
            while (m_pos < m_text.size() && !iswspace(m_text[m_pos]) && m_text[m_pos] != L'\'') raw += m_text[m_pos++];
        }
        return Replace(raw, &t->text) || Fail();
    }

    // Replaces %NAME% symbols in `raw`. Done on the token, not on the script text, so a replacement that holds
    // a quote (a folder named Bob's) cannot change the script's structure.
    bool Replace(const std::wstring& raw, std::wstring* out) const {
        out->clear();
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != L'%') {
                *out += raw[i];
                continue;
            }
            size_t close = raw.find(L'%', i + 1);
            if (close == std::wstring::npos) return false;
            std::wstring symbol = raw.substr(i + 1, close - i - 1);
            if (symbol.empty()) {
                *out += L'%';
            } else {
                bool bFound = false;
                for (const auto& r : m_replacements) {
                    if (_wcsicmp(r.first.c_str(), symbol.c_str()) == 0) {
                        *out += r.second;
                        bFound = true;
                        break;
                    }
                }
                if (!bFound) return false;
            }
            i = close;
        }
        return true;
    }

    bool Fail() {
        m_bOk = false;
        return false;
    }

    const std::wstring& m_text;
    const Replacements& m_replacements;
    size_t m_pos = 0;
    bool m_bOk = true;
};

HRESULT FromWin32(LONG result) { return result == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(result); }

LONG SetString(HKEY hKey, const wchar_t* name, const std::wstring& data) {
    return RegSetValueExW(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

// Deletes a key with everything below it; a key that is not there is no failure.
LONG DeleteTree(HKEY hParent, const std::wstring& name) {
    LONG result = RegDeleteTreeW(hParent, name.c_str());
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

HRESULT RegisterKey(HKEY hParent, const KeyNode& key) {
    if (key.mode == KeyMode::kForceRemove) {
        LONG result = DeleteTree(hParent, key.name);
        if (result != ERROR_SUCCESS) return FromWin32(result);
    }
    HKEY hKey = nullptr;
    LONG result =
        RegCreateKeyExW(hParent, key.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &hKey, nullptr);
    if (result != ERROR_SUCCESS) return FromWin32(result);
    if (key.bHasDefault) result = SetString(hKey, nullptr, key.defaultData);
    for (size_t i = 0; result == ERROR_SUCCESS && i < key.values.size(); ++i)
        result = SetString(hKey, key.values[i].first.c_str(), key.values[i].second);
    HRESULT hr = FromWin32(result);
    for (size_t i = 0; SUCCEEDED(hr) && i < key.subkeys.size(); ++i) hr = RegisterKey(hKey, key.subkeys[i]);
    RegCloseKey(hKey);
    return hr;
}

HRESULT UnregisterKey(HKEY hParent, const KeyNode& key) {
    if (key.mode == KeyMode::kForceRemove) return FromWin32(DeleteTree(hParent, key.name));
    HKEY hKey = nullptr;
    LONG result = RegOpenKeyExW(hParent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, &hKey);
    if (result == ERROR_FILE_NOT_FOUND) return S_OK;
    if (result != ERROR_SUCCESS) return FromWin32(result);
    HRESULT hr = S_OK;
    for (const auto& value : key.values) {
        result = RegDeleteValueW(hKey, value.first.c_str());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) hr = FromWin32(result);
    }
    for (size_t i = 0; SUCCEEDED(hr) && i < key.subkeys.size(); ++i) hr = UnregisterKey(hKey, key.subkeys[i]);
    DWORD nSubkeys = 0;
    if (SUCCEEDED(hr) && key.mode == KeyMode::kPlain)
        hr = FromWin32(RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &nSubkeys, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, nullptr));
    RegCloseKey(hKey);
    // A key that still holds subkeys someone else wrote stays, so that their entries are not lost.
    if (SUCCEEDED(hr) && key.mode == KeyMode::kPlain && nSubkeys == 0) {
        result = RegDeleteKeyW(hParent, key.name.c_str());
        if (result != ERROR_FILE_NOT_FOUND) hr = FromWin32(result);
    }
    return hr;
}

}  // namespace

HRESULT RunRegistrationScript(const char* script, size_t length, const Replacements& replacements, bool bRegister) {
    return Guarded([&]() -> HRESULT {
        std::wstring text;
        if (length != 0) {
            int n = MultiByteToWideChar(CP_UTF8, 0, script, static_cast<int>(length), nullptr, 0);
            if (n <= 0) return DISP_E_EXCEPTION;
            text.resize(n);
            MultiByteToWideChar(CP_UTF8, 0, script, static_cast<int>(length), &text[0], n);
        }
        std::vector<RootNode> roots;
        Parser parser(text, replacements);
        if (!parser.Parse(&roots)) return DISP_E_EXCEPTION;
        for (const auto& root : roots) {
            for (const auto& key : root.keys) {
                HRESULT hr = bRegister ? RegisterKey(root.hRoot, key) : UnregisterKey(root.hRoot, key);
                if (FAILED(hr)) return hr;
            }
        }
        return S_OK;
    });
}

}  // namespace korvane
