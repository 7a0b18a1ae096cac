#include "platform/registry/reg_text.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace reg::text {
namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view TrimKey(std::string_view key)
{
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);
    return key;
}

// The key a section line "[...]" names: without the blanks around it and the backslashes
// at its end, so that the line written back ("[key]") names the same key.
std::string_view SectionKey(std::string_view inner)
{
    inner = Trim(inner);
    while (!inner.empty() && (inner.back() == '\\' || IsBlank(inner.back())))
        inner.remove_suffix(1);
    return inner;
}

bool SameKey(std::string_view a, std::string_view b)
{
    return SameName(TrimKey(a), TrimKey(b));
}

// Reads a double-quoted text at the start of s; pos ends after the closing quote.
std::optional<std::string> ReadQuoted(std::string_view s, std::size_t& pos)
{
    if (pos >= s.size() || s[pos] != '"')
        return std::nullopt;
    std::string out;
    for (std::size_t i = pos + 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            pos = i + 1;
            return out;
        }
        if (c == '\\' && i + 1 < s.size()) {
            char next = s[++i];
            switch (next) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                out += '\\';
                out += next;
                break;
            }
            continue;
        }
        out += c;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ReadDword(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t n = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        n = n * 16 + static_cast<std::uint32_t>(d);
    }
    return n;
}

std::string Escape(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 2);
    for (char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

// A "name"=... or @=... line: the name and the text after '=' (trimmed).
struct NamedLine {
    std::string name;
    std::string_view data;
};

std::optional<NamedLine> SplitNamed(std::string_view line)
{
    NamedLine out;
    std::size_t pos = 0;
    if (!line.empty() && line[0] == '@') {
        pos = 1;
    } else {
        auto name = ReadQuoted(line, pos);
        if (!name)
            return std::nullopt;
        out.name = std::move(*name);
    }
    std::string_view rest = Trim(line.substr(pos));
    if (rest.empty() || rest[0] != '=')
        return std::nullopt;
    out.data = Trim(rest.substr(1));
    return out;
}

std::optional<Value> ParseData(std::string_view data)
{
    Value v;
    if (!data.empty() && data[0] == '"') {
        std::size_t pos = 0;
        auto text = ReadQuoted(data, pos);
        if (!text || !Trim(data.substr(pos)).empty())
            return std::nullopt;
        v.type = kRegSz;
        v.text = std::move(*text);
        return v;
    }
    if (StartsWithNoCase(data, "dword:")) {
        auto n = ReadDword(data.substr(6));
        if (!n)
            return std::nullopt;
        v.type = kRegDword;
        v.number = *n;
        return v;
    }
    return std::nullopt;
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        // Every CR before the LF: a CRLF file converted once more ends its lines in CR CR LF.
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool ContinuesOnNextLine(std::string_view raw)
{
    raw = Trim(raw);
    return !raw.empty() && raw.back() == '\\';
}

std::string FormatValue(const Line& line)
{
    std::string out = line.name.empty() ? "@" : "\"" + Escape(line.name) + "\"";
    out += '=';
    if (line.value.type == kRegDword) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", line.value.number);
        out += digits;
    } else {
        out += "\"" + Escape(line.value.text) + "\"";
    }
    return out;
}

void AppendLines(std::string& out, const std::vector<Line>& lines)
{
    for (const Line& line : lines) {
        out += line.kind == Line::Kind::Value ? FormatValue(line) : line.raw;
        out += '\n';
    }
}

Line* FindMutable(Document& doc, std::string_view key, std::string_view name)
{
    Line* found = nullptr;
    for (Section& section : doc.sections) {
        if (!SameKey(section.key, key))
            continue;
        for (Line& line : section.lines) {
            if (line.kind != Line::Kind::Raw && SameName(line.name, name))
                found = &line;
        }
    }
    return found;
}

bool IsBlankRaw(const Line& line)
{
    return line.kind == Line::Kind::Raw && Trim(line.raw).empty();
}

}  // namespace

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

bool IsUtf8(std::string_view text)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        unsigned char c = s[i];
        std::size_t len;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else
            return false;
        if (i + len > n)
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += len;
    }
    return true;
}

Document Parse(std::string_view fileText)
{
    // Byte order marks: an editor that adds one to a file that had one leaves two.
    while (fileText.starts_with("\xEF\xBB\xBF"))
        fileText.remove_prefix(3);
    std::vector<std::string_view> lines = SplitLines(fileText);
    Document doc;
    Section* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view trimmed = Trim(lines[i]);
        Line line;
        line.raw = std::string(lines[i]);
        if (trimmed.size() > 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            // "[-key]" deletes a key in .reg files and is kept as written; so is "[ -key]",
            // which written back as a section ("[-key]") would read as a deletion.
            std::string_view key = SectionKey(trimmed.substr(1, trimmed.size() - 2));
            if (!key.empty() && key.front() != '-') {
                doc.sections.push_back(Section{std::string(key), {}});
                current = &doc.sections.back();
                continue;
            }
        }
        if (current) {
            if (auto named = SplitNamed(trimmed)) {
                if (auto value = ParseData(named->data)) {
                    line.kind = Line::Kind::Value;
                    line.name = std::move(named->name);
                    line.value = std::move(*value);
                    line.raw.clear();
                } else if (StartsWithNoCase(named->data, "hex")) {
                    line.kind = Line::Kind::Foreign;
                    line.name = std::move(named->name);
                    while (ContinuesOnNextLine(line.raw) && i + 1 < lines.size()) {
                        line.raw += '\n';
                        line.raw += lines[++i];
                    }
                }
            }
        }
        (current ? current->lines : doc.preamble).push_back(std::move(line));
    }
    return doc;
}

std::string Format(const Document& doc)
{
    std::string out;
    AppendLines(out, doc.preamble);
    for (const Section& section : doc.sections) {
        out += "[" + section.key + "]\n";
        AppendLines(out, section.lines);
    }
    return out;
}

const Line* FindValue(const Document& doc, std::string_view key, std::string_view name)
{
    return FindMutable(const_cast<Document&>(doc), key, name);
}

bool HasKey(const Document& doc, std::string_view key)
{
    return std::any_of(doc.sections.begin(), doc.sections.end(), [&](const Section& s) { return SameKey(s.key, key); });
}

void SetValue(Document& doc, std::string_view key, std::string_view name, const Value& value)
{
    Line line;
    line.kind = Line::Kind::Value;
    line.name = std::string(name);
    line.value = value;
    if (Line* existing = FindMutable(doc, key, name)) {
        *existing = std::move(line);
        return;
    }
    Section* target = nullptr;
    for (Section& section : doc.sections) {
        if (SameKey(section.key, key))
            target = &section;
    }
    if (!target) {
        // A blank line between keys, as a person would write it.
        std::vector<Line>& before = doc.sections.empty() ? doc.preamble : doc.sections.back().lines;
        if (!before.empty() && !IsBlankRaw(before.back()))
            before.push_back(Line{});
        doc.sections.push_back(Section{std::string(TrimKey(key)), {}});
        target = &doc.sections.back();
    }
    // Keep the new value with its key, ahead of the blank lines that end the section.
    auto at = target->lines.end();
    while (at != target->lines.begin() && IsBlankRaw(*(at - 1)))
        --at;
    // A value continued at the end of the file would take the new line for its
    // continuation when read back: an empty line ends it first, as the file's end did.
    if (at != target->lines.begin() && (at - 1)->kind == Line::Kind::Foreign && ContinuesOnNextLine((at - 1)->raw))
        at = target->lines.insert(at, Line{}) + 1;
    target->lines.insert(at, std::move(line));
}

}  // namespace reg::text
