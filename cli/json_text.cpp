// JSON strings and objects.
#include "json_text.h"

#include <cstdio>

namespace sqzcli {
namespace {

// The length of the valid UTF-8 character at `s[i]`, or 0 when the bytes there are not one (a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, a value above U+10FFFF).
size_t Utf8Length(const std::string& s, size_t i) {
    auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = at(i);
    size_t n;
    unsigned long cp;
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        cp = b & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (at(i + k) & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void AppendEscape(std::string* out, unsigned char byte) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\u%04x", byte);
    *out += hex;
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        size_t n = Utf8Length(text, i);
        if (n == 0) {
            AppendEscape(&out, b);
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text, i, n);
        } else if (b == '"') {
            out += "\\\"";
        } else if (b == '\\') {
            out += "\\\\";
        } else if (b == '\n') {
            out += "\\n";
        } else if (b == '\r') {
            out += "\\r";
        } else if (b == '\t') {
            out += "\\t";
        } else if (b == '\b') {
            out += "\\b";
        } else if (b == '\f') {
            out += "\\f";
        } else if (b < 0x20) {
            AppendEscape(&out, b);
        } else {
            out += static_cast<char>(b);
        }
        i += n;
    }
    return out + "\"";
}

void JsonObject::Key(const char* key) {
    if (text_.size() > 1) text_ += ',';
    text_ += JsonString(key);
    text_ += ':';
}

JsonObject& JsonObject::Add(const char* key, const std::string& value) {
    Key(key);
    text_ += JsonString(value);
    return *this;
}

JsonObject& JsonObject::Add(const char* key, int64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Add(const char* key, uint64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::AddBool(const char* key, bool value) {
    Key(key);
    text_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::Add(const char* key, const JsonObject& value) {
    Key(key);
    text_ += value.Text();
    return *this;
}

JsonObject& JsonObject::Add(const char* key, const std::vector<JsonObject>& values) {
    Key(key);
    text_ += "[";
    for (size_t i = 0; i < values.size(); ++i) text_ += (i ? "," : "") + values[i].Text();
    text_ += "]";
    return *this;
}

}  // namespace sqzcli
