// The registry store on its file: the Windows outcomes of the calls, when the file is
// written, and how broken, unreadable and left-over files are handled.
#include "platform/registry/registry.h"

#include "registry_test_env.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace reg;
using regtest::Exists;
using regtest::ReadBytes;
using regtest::WriteBytes;

namespace {

constexpr char kSubKey[] = "Software\\Tavro\\Vellox";
constexpr char kSection[] = "[HKEY_CURRENT_USER\\Software\\Tavro\\Vellox]\n";

HKEY Open(DWORD* disposition = nullptr)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyEx(HKEY_CURRENT_USER, kSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                             &key, disposition);
    return rc == ERROR_SUCCESS ? key : nullptr;
}

LONG SetText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
}

LONG SetNumber(HKEY key, const char* name, DWORD value)
{
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

// The text of a REG_SZ value, or "<error N>" / "<type N>".
std::string GetText(HKEY key, const char* name)
{
    char buffer[256];
    DWORD type = REG_NONE;
    DWORD size = sizeof buffer;
    LONG rc = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (rc != ERROR_SUCCESS)
        return "<error " + std::to_string(rc) + ">";
    if (type != REG_SZ)
        return "<type " + std::to_string(type) + ">";
    if (size == 0 || buffer[size - 1] != '\0')
        return "<unterminated>";
    return std::string(buffer, size - 1);
}

std::string ReadTextValue(const char* name)
{
    HKEY key = Open();
    if (!key)
        return "<open failed>";
    std::string text = GetText(key, name);
    RegCloseKey(key);
    return text;
}

class RegistryStore : public ::testing::Test {
protected:
    regtest::TempConfigHome m_home;
};

}  // namespace

// --- values and their outcomes ---

TEST_F(RegistryStore, BothTypesRoundTripThroughTheFile)
{
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(SetText(key, "Version", "BETA"), ERROR_SUCCESS);
    EXPECT_EQ(SetNumber(key, "browse_priority", 0xFFFFFFFEu), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    key = Open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(GetText(key, "Version"), "BETA");
    DWORD value = 0, type = REG_NONE, size = sizeof value;
    ASSERT_EQ(RegQueryValueEx(key, "browse_priority", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(value, 0xFFFFFFFEu);
    RegCloseKey(key);

    EXPECT_EQ(ReadBytes(m_home.Store()), std::string(kSection) + "\"Version\"=\"BETA\"\n"
                                                                 "\"browse_priority\"=dword:fffffffe\n");
}

TEST_F(RegistryStore, BufferTooSmallReportsTheNeededSize)
{
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    SetText(key, "path", "/home/someone/");  // 14 characters + NUL
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    DWORD size = 14;
    DWORD type = REG_NONE;
    EXPECT_EQ(RegQueryValueEx(key, "path", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 15u);
    EXPECT_EQ(buffer[0], 'x') << "nothing is copied into a buffer that is too small";
    size = 15;
    EXPECT_EQ(RegQueryValueEx(key, "path", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "/home/someone/");

    DWORD number = 0;
    SetNumber(key, "n", 5);
    size = 2;
    EXPECT_EQ(RegQueryValueEx(key, "n", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    RegCloseKey(key);
}

TEST_F(RegistryStore, ValueNamesIgnoreCase)
{
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    SetText(key, "u_disabled", "TRUE");
    SetText(key, "U_DISABLED", "FALSE");
    RegCloseKey(key);
    EXPECT_EQ(ReadTextValue("u_Disabled"), "FALSE");
    std::string file = ReadBytes(m_home.Store());
    EXPECT_EQ(file.find("TRUE"), std::string::npos) << "one value, replaced: " << file;
}

TEST_F(RegistryStore, RefusesWhatTheFileCannotHold)
{
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(SetText(key, "latin1", "caf\xE9"), ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(SetText(key, "caf\xE9", "x"), ERROR_NO_UNICODE_TRANSLATION);
    DWORD three = 3;
    EXPECT_EQ(RegSetValueEx(key, "short", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&three), 3),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(key, "bin", 0, 3 /* REG_BINARY */, reinterpret_cast<const BYTE*>("ab"), 2),
              ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(GetText(key, "latin1"), "<error 2>");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(m_home.Store())) << "nothing valid was written";
}

TEST_F(RegistryStore, ClosedOrUnknownHandlesAreRefused)
{
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetText(key, "a", "b"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    HKEY result = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kSubKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyEx(key, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &result, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(result, nullptr);
}

// --- when the file is written ---

TEST_F(RegistryStore, MissingFileIsAnEmptyKeyAndStaysMissingUntilAWrite)
{
    DWORD disposition = 0;
    HKEY key = Open(&disposition);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(GetText(key, "Version"), "<error 2>");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(regtest::ModeOf(m_home.Folder()), 0700u);
    EXPECT_FALSE(Exists(m_home.Store()));

    key = Open();
    SetText(key, "a", "b");
    RegCloseKey(key);
    key = Open(&disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
}

TEST_F(RegistryStore, WritesAreCollectedUntilFlush)
{
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    for (int i = 0; i < 50; ++i)
        SetNumber(key, ("v" + std::to_string(i)).c_str(), i);
    EXPECT_FALSE(Exists(m_home.Store()));
    EXPECT_EQ(GetText(key, "v7"), "<type 4>") << "the open key reads its own writes";
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    std::string file = ReadBytes(m_home.Store());
    EXPECT_NE(file.find("\"v49\"=dword:00000031\n"), std::string::npos);
    SetText(key, "late", "x");
    EXPECT_EQ(ReadBytes(m_home.Store()), file);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(ReadTextValue("late"), "x");
}

TEST_F(RegistryStore, FileIsPrivateWhateverTheUmaskOrTheOldMode)
{
    WriteBytes(m_home.Store(), std::string(kSection) + "\"a\"=\"b\"\n");
    ::chmod(m_home.Store().c_str(), 0644);
    mode_t old = ::umask(0);
    HKEY key = Open();
    SetText(key, "c", "d");
    LONG rc = RegCloseKey(key);
    ::umask(old);
    EXPECT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(regtest::ModeOf(m_home.Store()), 0600u);
}

TEST_F(RegistryStore, TwoOpenKeysDoNotUndoEachOther)
{
    HKEY first = Open();
    HKEY second = Open();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    SetText(first, "a", "from first");
    SetText(second, "b", "from second");
    EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
    EXPECT_EQ(ReadTextValue("a"), "from first");
    EXPECT_EQ(ReadTextValue("b"), "from second");
}

TEST_F(RegistryStore, SubKeysAreSectionsOfTheirOwn)
{
    HKEY key = Open();
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyEx(key, "Sub\\Deeper\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    SetText(sub, "inner", "1");
    SetText(key, "outer", "2");
    EXPECT_EQ(GetText(sub, "outer"), "<error 2>");
    RegCloseKey(sub);
    RegCloseKey(key);
    std::string file = ReadBytes(m_home.Store());
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Tavro\\Vellox\\Sub\\Deeper]\n\"inner\"=\"1\"\n"),
              std::string::npos)
        << file;
    EXPECT_EQ(ReadTextValue("inner"), "<error 2>");
}

// --- broken, unreadable and left-over files ---

TEST_F(RegistryStore, BrokenLinesAreSkippedAndKeptWithEverythingElse)
{
    const std::string original = "; edited by hand\n" + std::string(kSection) +
                                 "\"u_disabled\"=\"TRUE\"\n"
                                 "\"u_expires\"=TRUE\n"
                                 "this line means nothing\n"
                                 "\"blob\"=hex:00,01\n"
                                 "\"browse_priority\"=dword:00000003\n"
                                 "\n"
                                 "[HKEY_CURRENT_USER\\Software\\Tavro\\Vellox\\Later]\n"
                                 "\"future\"=\"kept\"\n";
    WriteBytes(m_home.Store(), original);
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(GetText(key, "u_disabled"), "TRUE");
    EXPECT_EQ(GetText(key, "u_expires"), "<error 2>");
    EXPECT_EQ(GetText(key, "blob"), "<error " + std::to_string(ERROR_UNSUPPORTED_TYPE) + ">");
    SetText(key, "u_disabled", "FALSE");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    std::string expected = original;
    expected.replace(expected.find("\"u_disabled\"=\"TRUE\""), 19, "\"u_disabled\"=\"FALSE\"");
    EXPECT_EQ(ReadBytes(m_home.Store()), expected);
}

TEST_F(RegistryStore, BinaryFileIsMovedAsideBeforeANewOneIsWritten)
{
    const std::string junk("\x00\x01\xFF\xFE[HKEY_CURRENT_USER]\n\x80\x81", 24);
    WriteBytes(m_home.Store(), junk);
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(GetText(key, "Version"), "<error 2>");
    RegCloseKey(key);
    EXPECT_EQ(ReadBytes(m_home.Store()), junk) << "reading alone changes nothing";

    key = Open();
    SetText(key, "Version", "BETA");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(ReadBytes(m_home.Store() + ".bad"), junk);
    EXPECT_EQ(ReadBytes(m_home.Store()), std::string(kSection) + "\"Version\"=\"BETA\"\n");
}

TEST_F(RegistryStore, EarlierBadFilesAreNeverReplaced)
{
    WriteBytes(m_home.Store() + ".bad", "first bad file");
    WriteBytes(m_home.Store(), "not \xC3 UTF-8");
    HKEY key = Open();
    SetText(key, "a", "b");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(ReadBytes(m_home.Store() + ".bad"), "first bad file");
    EXPECT_EQ(ReadBytes(m_home.Store() + ".bad.1"), "not \xC3 UTF-8");
    EXPECT_EQ(ReadTextValue("a"), "b");
}

TEST_F(RegistryStore, FolderInPlaceOfTheFileIsMovedAside)
{
    WriteBytes(m_home.Store() + "/inside", "mine");
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    SetText(key, "a", "b");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(ReadBytes(m_home.Store() + ".bad/inside"), "mine");
    EXPECT_EQ(ReadTextValue("a"), "b");
}

TEST_F(RegistryStore, FileWithoutReadPermissionIsMovedAside)
{
    std::string problem = regtest::RunUnprivileged(m_home, [&]() -> std::string {
        WriteBytes(m_home.Store(), std::string(kSection) + "\"secret\"=\"x\"\n");
        ::chmod(m_home.Store().c_str(), 0);
        HKEY key = Open();
        if (!key)
            return "open failed";
        SetText(key, "a", "b");
        if (RegCloseKey(key) != ERROR_SUCCESS)
            return "close failed";
        if (regtest::ModeOf(m_home.Store() + ".bad") != 0)
            return "no .bad file";
        if (ReadTextValue("a") != "b")
            return "new value not readable";
        return "";
    });
    EXPECT_EQ(problem, "");
    ::chmod((m_home.Store() + ".bad").c_str(), 0600);
    EXPECT_EQ(ReadBytes(m_home.Store() + ".bad"), std::string(kSection) + "\"secret\"=\"x\"\n");
}

TEST_F(RegistryStore, LeftoverTemporaryFileIsIgnoredAndCleared)
{
    const std::string good = std::string(kSection) + "\"a\"=\"good\"\n";
    WriteBytes(m_home.Store(), good);
    const std::string leftover = m_home.Store() + ".tmp-Ab12Cd";
    WriteBytes(leftover, std::string(kSection) + "\"a\"=\"half writ");
    EXPECT_EQ(ReadTextValue("a"), "good");
    EXPECT_FALSE(Exists(leftover));
    EXPECT_EQ(ReadBytes(m_home.Store()), good);

    WriteBytes(leftover, "again");
    HKEY key = Open();
    SetText(key, "b", "c");
    RegCloseKey(key);
    EXPECT_FALSE(Exists(leftover));
    EXPECT_EQ(ReadBytes(m_home.Store()), good + "\"b\"=\"c\"\n");
}

// --- failures ---

TEST_F(RegistryStore, FolderThatCannotBeCreatedFailsTheOpen)
{
    WriteBytes(m_home.Root() + "/plainfile", "x");
    ::setenv("XDG_CONFIG_HOME", (m_home.Root() + "/plainfile/below").c_str(), 1);
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_NE(RegCreateKeyEx(HKEY_CURRENT_USER, kSubKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryStore, FailedWriteIsReturnedByClose)
{
    HKEY key = Open();
    ASSERT_NE(key, nullptr);
    SetText(key, "a", "b");
    // The folder is replaced by a plain file between opening and closing.
    std::filesystem::remove_all(m_home.Folder());
    WriteBytes(m_home.Folder(), "in the way");
    EXPECT_NE(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(ReadBytes(m_home.Folder()), "in the way");
}

TEST_F(RegistryStore, FailedFlushKeepsTheWritesForALaterOne)
{
    std::string problem = regtest::RunUnprivileged(m_home, [&]() -> std::string {
        HKEY key = Open();
        if (!key)
            return "open failed";
        SetText(key, "a", "b");
        ::chmod(m_home.Folder().c_str(), 0500);
        LONG rc = RegFlushKey(key);
        if (rc != ERROR_ACCESS_DENIED)
            return "flush gave " + std::to_string(rc);
        if (Exists(m_home.Store()))
            return "file appeared";
        ::chmod(m_home.Folder().c_str(), 0700);
        if (RegCloseKey(key) != ERROR_SUCCESS)
            return "close failed";
        if (ReadTextValue("a") != "b")
            return "value lost";
        return "";
    });
    EXPECT_EQ(problem, "");
}

// --- where the file lives ---

TEST(RegistryStorePath, FollowsXdgConfigHomeElseHome)
{
    regtest::TempConfigHome home;
    EXPECT_EQ(RegStorePath(), home.Root() + "/Tavro/Vellox.reg");
    std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(RegStorePath(), "/home/someone/.config/Tavro/Vellox.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegStorePath(), "/home/someone/.config/Tavro/Vellox.reg");
    ::setenv("HOME", savedHome.c_str(), 1);
}
