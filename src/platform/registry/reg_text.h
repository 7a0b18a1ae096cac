// The registry file as a document: keys as sections, values as lines. Parsing keeps
// every line it can't use verbatim so that writing the document back loses nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace reg::text {

struct Value {
    std::uint32_t type = 0;    // REG_SZ or REG_DWORD
    std::string text;          // REG_SZ
    std::uint32_t number = 0;  // REG_DWORD
};

struct Line {
    enum class Kind {
        Raw,      // comment, blank or unparseable line: written back as read
        Value,    // a REG_SZ or REG_DWORD value
        Foreign,  // a named value of a type we don't handle (hex...): written back as read
    };
    Kind kind = Kind::Raw;
    std::string name;  // Value, Foreign ("" is the key's default value, written "@")
    Value value;       // Value
    std::string raw;   // Raw, Foreign (a Foreign value may span continued lines)
};

struct Section {
    std::string key;  // full path, e.g. HKEY_CURRENT_USER\Software\Tavro\Vellox
    std::vector<Line> lines;
};

struct Document {
    std::vector<Line> preamble;  // lines before the first section
    std::vector<Section> sections;
};

Document Parse(std::string_view fileText);
std::string Format(const Document& doc);

// The value a reader sees: the last Value or Foreign line of that name among the
// key's sections, or null.
const Line* FindValue(const Document& doc, std::string_view key, std::string_view name);

bool HasKey(const Document& doc, std::string_view key);

// Replaces the value a reader sees, in place, or appends it to the key's last
// section (a new section at the end when the key has none).
void SetValue(Document& doc, std::string_view key, std::string_view name, const Value& value);

// ASCII case-insensitive equality, as registry names compare.
bool SameName(std::string_view a, std::string_view b);

// Whether text is well-formed UTF-8.
bool IsUtf8(std::string_view text);

}  // namespace reg::text
