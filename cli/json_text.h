// JSON output of the tool: string escaping and one-line objects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sqzcli {

// `text` as a JSON string, quotes included. Valid UTF-8 is kept as it is; the quote, the backslash and the
// control characters are escaped (\", \\, \n, \t, ..., \u00XX); every byte that is not part of a valid UTF-8
// character (a stray code-page byte, say) is written as \u00XX with the byte's value.
std::string JsonString(const std::string& text);

// A JSON object built field by field on one line: {"path":"...","nVersion":6}.
class JsonObject {
public:
    // Adds a string field; the text is given in UTF-8 (see JsonString for other bytes).
    JsonObject& Add(const char* key, const std::string& value);
    JsonObject& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
    JsonObject& Add(const char* key, int64_t value);
    JsonObject& Add(const char* key, int32_t value) { return Add(key, static_cast<int64_t>(value)); }
    JsonObject& Add(const char* key, uint32_t value) { return Add(key, static_cast<int64_t>(value)); }
    JsonObject& Add(const char* key, uint64_t value);
    JsonObject& AddBool(const char* key, bool value);
    // Adds a field whose value is an object.
    JsonObject& Add(const char* key, const JsonObject& value);
    // Adds a field whose value is an array of objects.
    JsonObject& Add(const char* key, const std::vector<JsonObject>& values);
    // The object's text, without a newline.
    std::string Text() const { return text_ + "}"; }

private:
    void Key(const char* key);
    std::string text_ = "{";
};

}  // namespace sqzcli
