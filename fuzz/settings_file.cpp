// The settings file reader. The input is the file's text. Whatever it holds, the parsed
// document written back and read again must give the same values under the same keys,
// and writing that once more must change nothing; a value then set under the settings
// key, as saving the settings does, must read back exactly as set, every other value
// unchanged.
#include "fuzz_check.h"
#include "platform/registry/reg_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace reg::text;

namespace {

constexpr std::string_view kSettingsKey = "HKEY_CURRENT_USER\\Software\\Tavro\\Vellox";
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

// A foreign value's text without the empty lines its continuation may take along.
std::string_view WithoutTrailingLineEnds(std::string_view raw)
{
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r'))
        raw.remove_suffix(1);
    return raw;
}

bool SameLine(const Line* a, const Line* b)
{
    if (!a || !b)
        return a == b;
    if (a->kind != b->kind)
        return false;
    if (a->kind == Line::Kind::Foreign)
        return WithoutTrailingLineEnds(a->raw) == WithoutTrailingLineEnds(b->raw);
    return a->value.type == b->value.type &&
           (a->value.type == kRegDword ? a->value.number == b->value.number : a->value.text == b->value.text);
}

// Every value a reader of `before` sees, a reader of `after` sees alike; `skipKey` and
// `skipName` name the one value a caller changed in between.
void CheckSameValues(const Document& before, const Document& after, std::string_view skipKey = {},
                     std::string_view skipName = {})
{
    for (const Section& section : before.sections)
        for (const Line& line : section.lines) {
            if (line.kind == Line::Kind::Raw)
                continue;
            if (!skipKey.empty() && SameName(section.key, skipKey) && SameName(line.name, skipName))
                continue;
            FUZZ_CHECK(SameLine(FindValue(before, section.key, line.name), FindValue(after, section.key, line.name)));
        }
}

// A value for the settings key made from the input: a text (its last line, when that
// is UTF-8 without NUL, as RegSetValueEx accepts) or a number.
Value ValueFrom(std::string_view text)
{
    Value value;
    const std::size_t lastLine = text.rfind('\n');
    const std::string_view tail = lastLine == std::string_view::npos ? text : text.substr(lastLine + 1);
    if (tail.size() % 3 == 2 || !IsUtf8(tail) || tail.find('\0') != std::string_view::npos) {
        value.type = kRegDword;
        for (const char c : tail)
            value.number = value.number * 31 + static_cast<unsigned char>(c);
    } else {
        value.type = kRegSz;
        value.text = std::string(tail);
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Document doc = Parse(text);
    const std::string written = Format(doc);
    const Document reread = Parse(written);
    FUZZ_CHECK(Format(reread) == written);
    CheckSameValues(doc, reread);

    static constexpr const char* kNames[] = {"Version", "f_root_path", "browse_priority", "u_disabled"};
    const char* name = kNames[size % 4];
    const Value value = ValueFrom(text);
    Document changed = reread;
    SetValue(changed, kSettingsKey, name, value);
    const Document saved = Parse(Format(changed));
    Line expected;
    expected.kind = Line::Kind::Value;
    expected.value = value;
    FUZZ_CHECK(SameLine(FindValue(saved, kSettingsKey, name), &expected));
    FUZZ_CHECK(HasKey(saved, kSettingsKey));
    CheckSameValues(reread, saved, kSettingsKey, name);
    return 0;
}
