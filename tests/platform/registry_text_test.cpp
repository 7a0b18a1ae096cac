// The registry file's text form: what is read, what is written back, and what is
// never lost on the way.
#include "platform/registry/reg_text.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace reg::text;

namespace {

constexpr char kKey[] = "HKEY_CURRENT_USER\\Software\\Tavro\\Vellox";

Value Sz(std::string text)
{
    Value v;
    v.type = 1;
    v.text = std::move(text);
    return v;
}

const Value* Find(const Document& doc, std::string_view name, std::string_view key = kKey)
{
    const Line* line = FindValue(doc, key, name);
    return line && line->kind == Line::Kind::Value ? &line->value : nullptr;
}

}  // namespace

TEST(RegistryText, ReadsStringsAndDwords)
{
    Document doc = Parse("[HKEY_CURRENT_USER\\Software\\Tavro\\Vellox]\n"
                         "\"Version\"=\"BETA\"\n"
                         "\"browse_priority\"=dword:00000002\n"
                         "\"x_export_type\"=DWORD:FFFFFFFF\n"
                         "\"short\"=dword:1a\n");
    ASSERT_NE(Find(doc, "Version"), nullptr);
    EXPECT_EQ(Find(doc, "Version")->type, 1u);
    EXPECT_EQ(Find(doc, "Version")->text, "BETA");
    EXPECT_EQ(Find(doc, "browse_priority")->number, 2u);
    EXPECT_EQ(Find(doc, "x_export_type")->number, 0xFFFFFFFFu);
    EXPECT_EQ(Find(doc, "short")->number, 0x1Au);
}

TEST(RegistryText, LastOfDuplicateNamesWins)
{
    Document doc = Parse("[HKEY_CURRENT_USER\\Software\\Tavro\\Vellox]\n\"a\"=\"first\"\n"
                         "[HKEY_CURRENT_USER\\Other]\n\"a\"=\"other key\"\n"
                         "[HKEY_CURRENT_USER\\Software\\Tavro\\Vellox]\n\"a\"=\"second\"\n");
    EXPECT_EQ(Find(doc, "a")->text, "second");
    EXPECT_EQ(Find(doc, "a", "HKEY_CURRENT_USER\\Other")->text, "other key");
}

TEST(RegistryText, CrLfLinesAndByteOrderMarkAreRead)
{
    Document doc = Parse(std::string("\xEF\xBB\xBF[") + kKey + "]\r\n\"a\"=\"x\"\r\n");
    ASSERT_NE(Find(doc, "a"), nullptr);
    EXPECT_EQ(Find(doc, "a")->text, "x");
}

TEST(RegistryText, ValuesBeforeAnyKeyBelongToNone)
{
    Document doc = Parse(std::string("\"a\"=\"loose\"\n[") + kKey + "]\n");
    EXPECT_EQ(FindValue(doc, kKey, "a"), nullptr);
}

TEST(RegistryText, SettingAForeignValueReplacesItWithItsContinuations)
{
    Document doc = Parse(std::string("[") + kKey + "]\n\"bin\"=hex:01,\\\n  02\n\"z\"=\"z\"\n");
    SetValue(doc, kKey, "bin", Sz("text"));
    EXPECT_EQ(Format(doc), std::string("[") + kKey + "]\n\"bin\"=\"text\"\n\"z\"=\"z\"\n");
}

TEST(RegistryText, NewKeyIsAppendedAfterABlankLine)
{
    Document doc = Parse("[HKEY_CURRENT_USER\\Other]\n\"x\"=\"y\"\n");
    SetValue(doc, kKey, "a", Sz("b"));
    EXPECT_EQ(Format(doc), std::string("[HKEY_CURRENT_USER\\Other]\n\"x\"=\"y\"\n\n[") + kKey + "]\n\"a\"=\"b\"\n");
}

TEST(RegistryText, AwkwardTextsRoundTrip)
{
    const std::string texts[] = {"",          "back\\slash\\",        "\"quoted\"", "line\nbreak\r\nend",
                                 "tab\there", "\\n is not a newline", "Grüße ✓",    "trailing backslash \\"};
    Document doc;
    int i = 0;
    for (const std::string& t : texts)
        SetValue(doc, kKey, "v" + std::to_string(i++), Sz(t));
    SetValue(doc, kKey, "odd \"name\" \\", Sz("x"));
    Document back = Parse(Format(doc));
    i = 0;
    for (const std::string& t : texts) {
        const Value* v = Find(back, "v" + std::to_string(i++));
        ASSERT_NE(v, nullptr) << t;
        EXPECT_EQ(v->text, t);
    }
    ASSERT_NE(Find(back, "odd \"name\" \\"), nullptr);
    // Every value stays on its own line.
    std::string written = Format(doc);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1 + 8 + 1);
}

TEST(RegistryText, Utf8Check)
{
    EXPECT_TRUE(IsUtf8(""));
    EXPECT_TRUE(IsUtf8("plain"));
    EXPECT_TRUE(IsUtf8("\xC3\xA9\xE2\x9C\x93\xF0\x9F\x98\x80"));  // é ✓ 😀
    EXPECT_FALSE(IsUtf8("\xFF\xFE"));
    EXPECT_FALSE(IsUtf8("\xC3"));              // cut short
    EXPECT_FALSE(IsUtf8("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(IsUtf8("\xE0\x80\xAF"));      // overlong
    EXPECT_FALSE(IsUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(IsUtf8("a\x80z"));            // stray continuation byte
}
