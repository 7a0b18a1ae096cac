// The settings record: start-up defaults, and loading and saving it through the
// registry key in the settings file.
#include "settings/app_settings.h"

#include "platform/registry/registry.h"

#include "../platform/registry_test_env.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <tuple>
#include <vector>

using regtest::Exists;
using regtest::ReadBytes;
using regtest::WriteBytes;

namespace {

constexpr char kSection[] = "[HKEY_CURRENT_USER\\Software\\Tavro\\Vellox]\n";

// Every stored value name in the order a save writes them.
const std::vector<std::string> kWriteOrder = {"Version",
                                              "Build",
                                              "u_disabled",
                                              "u_expires",
                                              "u_user_id",
                                              "u_last_logon",
                                              "u_num_logons",
                                              "u_user_name",
                                              "u_pw_check",
                                              "u_max_storage",
                                              "u_script_check",
                                              "u_profile_check",
                                              "u_pass_expires",
                                              "g_comments",
                                              "g_groupname",
                                              "g_show_members",
                                              "s_AFP",
                                              "s_BKB",
                                              "s_BKDC",
                                              "s_comments",
                                              "s_DC",
                                              "s_DM",
                                              "s_DOMMEM",
                                              "s_MB",
                                              "s_MFPN",
                                              "s_Server_Name",
                                              "s_NOVELL",
                                              "s_NT",
                                              "s_NTS",
                                              "s_DSF",
                                              "s_PB",
                                              "s_PQS",
                                              "s_SERV",
                                              "s_DIALIN",
                                              "s_SQL",
                                              "s_TIMESRV",
                                              "s_TYPE",
                                              "s_UNIX",
                                              "s_VMS",
                                              "s_WFW",
                                              "s_WORKS",
                                              "f_user_name",
                                              "f_storage",
                                              "f_file_denial",
                                              "f_directory_denial",
                                              "f_root_path",
                                              "n_Net_Types",
                                              "n_Domains",
                                              "n_Domain_Members",
                                              "n_Shares_Disk",
                                              "n_Shares_Printer",
                                              "x_export_type",
                                              "always_browse",
                                              "browse_priority"};

const SettingsValue& Entry(const std::string& name)
{
    for (const SettingsValue& v : kSettingsValues)
        if (name == v.name)
            return v;
    throw std::runtime_error("no settings value " + name);
}

// The value name of each line of the settings file, in file order.
std::vector<std::string> NamesInFile(const std::string& file)
{
    std::vector<std::string> names;
    std::size_t pos = 0;
    while ((pos = file.find("\n\"", pos)) != std::string::npos) {
        std::size_t end = file.find('"', pos + 2);
        names.push_back(file.substr(pos + 2, end - pos - 2));
        pos = end;
    }
    return names;
}

void WriteStore(const regtest::TempConfigHome& home, const std::string& lines)
{
    WriteBytes(home.Store(), kSection + lines);
}

class Settings : public ::testing::Test {
protected:
    regtest::TempConfigHome m_home;
    AppSettings m_settings;
    std::string m_version;
    std::string m_build;
};

}  // namespace

// --- the record ---

TEST(SettingsRecord, StartupDefaultsLeaveOnlyTheServer)
{
    // Flags that start on; every other flag starts off.
    const std::set<std::string> on = {"u_expires",
                                      "u_user_id",
                                      "u_user_name",
                                      "u_max_storage",
                                      "g_comments",
                                      "g_groupname",
                                      "s_AFP",
                                      "s_BKB",
                                      "s_BKDC",
                                      "s_comments",
                                      "s_DC",
                                      "s_DM",
                                      "s_MB",
                                      "s_Server_Name",
                                      "s_NT",
                                      "s_NTS",
                                      "s_DSF",
                                      "s_PB",
                                      "s_PQS",
                                      "s_SERV",
                                      "s_SQL",
                                      "s_TIMESRV",
                                      "s_UNIX",
                                      "s_VMS",
                                      "s_WORKS",
                                      "f_user_name",
                                      "f_storage",
                                      "f_file_denial",
                                      "f_directory_denial",
                                      "n_Net_Types",
                                      "n_Domains",
                                      "n_Domain_Members"};
    AppSettings s;
    for (const SettingsValue& v : kSettingsValues) {
        if (v.flag)
            s.*v.flag = 7;
        if (v.index)
            s.*v.index = 7;
        if (v.text)
            s.*v.text = "x";
    }
    s.entryCount = 42;
    s.serverName = "\\\\VELLOX-PDC";
    AssignStartupDefaults(s);
    for (const SettingsValue& v : kSettingsValues)
        if (v.flag) {
            EXPECT_EQ(s.*v.flag, on.count(v.name) ? 1 : 0) << v.name;
        }
    EXPECT_EQ(s.x_export_type, 0);
    EXPECT_EQ(s.browse_priority, 2);
    EXPECT_EQ(s.f_root_path, "/home/");
    EXPECT_EQ(s.entryCount, 0);
    EXPECT_EQ(s.serverName, "\\\\VELLOX-PDC") << "the current server is not a default";
    EXPECT_EQ(AppSettings{}.u_expires, 1) << "a new record starts with the defaults too";
}

TEST(SettingsRecord, TableCoversEveryStoredFieldOnce)
{
    std::set<std::string> names;
    std::vector<std::int32_t AppSettings::*> numbers;
    int flags = 0, indexes = 0, texts = 0;
    for (const SettingsValue& v : kSettingsValues) {
        EXPECT_TRUE(names.insert(v.name).second) << v.name;
        EXPECT_EQ((v.flag != nullptr) + (v.index != nullptr) + (v.text != nullptr), 1) << v.name;
        if (v.flag)
            ++flags, numbers.push_back(v.flag);
        if (v.index)
            ++indexes, numbers.push_back(v.index);
        if (v.text)
            ++texts;
    }
    EXPECT_EQ(flags, 49);
    EXPECT_EQ(indexes, 2);
    EXPECT_EQ(texts, 1);
    for (std::size_t i = 0; i < numbers.size(); ++i)
        for (std::size_t j = i + 1; j < numbers.size(); ++j)
            EXPECT_NE(numbers[i], numbers[j]) << "two names share a field";
    EXPECT_EQ(Entry("s_DSF").flag, &AppSettings::s_DSF);
    EXPECT_EQ(Entry("s_TYPE").flag, &AppSettings::s_TYPE);
}

// --- loading ---

TEST_F(Settings, LoadOverAMissingKeyKeepsTheDefaults)
{
    m_settings.u_disabled = 1;  // stands for a value the caller assigned before
    EXPECT_TRUE(LoadSettings(m_settings, m_version, m_build));
    EXPECT_EQ(m_settings.u_disabled, 1);
    EXPECT_EQ(m_settings.u_expires, 1);
    EXPECT_EQ(m_settings.browse_priority, 2);
    EXPECT_EQ(m_settings.f_root_path, "/home/");
    EXPECT_EQ(m_version, "BETA");
    EXPECT_EQ(m_build, "Build007");
    EXPECT_FALSE(Exists(m_home.Store())) << "loading writes nothing";
}

TEST_F(Settings, OnlyTheExactTextTrueTurnsAFlagOn)
{
    WriteStore(m_home, "\"u_disabled\"=\"TRUE\"\n"
                       "\"u_expires\"=\"true\"\n"
                       "\"u_user_id\"=\"1\"\n"
                       "\"u_user_name\"=\"TRUE \"\n"
                       "\"u_max_storage\"=\"\"\n"
                       "\"g_comments\"=\"FALSE\"\n"
                       "\"s_AFP\"=dword:00000001\n"
                       "\"always_browse\"=\"TRUE\"\n");
    m_settings.s_AFP = 0;
    ASSERT_TRUE(LoadSettings(m_settings, m_version, m_build));
    EXPECT_EQ(m_settings.u_disabled, 1);
    EXPECT_EQ(m_settings.u_expires, 0);
    EXPECT_EQ(m_settings.u_user_id, 0);
    EXPECT_EQ(m_settings.u_user_name, 0);
    EXPECT_EQ(m_settings.u_max_storage, 0);
    EXPECT_EQ(m_settings.g_comments, 0);
    EXPECT_EQ(m_settings.s_AFP, 0) << "a flag of the wrong type is ignored";
    EXPECT_EQ(m_settings.always_browse, 1);
    EXPECT_EQ(m_settings.g_groupname, 1) << "missing flags keep their default";
}

TEST_F(Settings, IndexesLoadUnchangedWithoutARangeCheck)
{
    WriteStore(m_home, "\"browse_priority\"=dword:00000007\n\"x_export_type\"=dword:ffffffff\n");
    ASSERT_TRUE(LoadSettings(m_settings, m_version, m_build));
    EXPECT_EQ(m_settings.browse_priority, 7);
    EXPECT_EQ(m_settings.x_export_type, -1);

    WriteStore(m_home, "\"browse_priority\"=\"4\"\n");
    ASSERT_TRUE(LoadSettings(m_settings, m_version, m_build));
    EXPECT_EQ(m_settings.browse_priority, 7) << "an index stored as text is ignored";
}

TEST_F(Settings, TooLongValueIsIgnoredAndTheNextStillRead)
{
    WriteStore(m_home, "\"f_root_path\"=\"/" + std::string(5000, 'p') + "/\"\n" + "\"Version\"=\"" +
                           std::string(4096, 'v') + "\"\n" +
                           "\"u_disabled\"=\"TRUE\"\n"
                           "\"Build\"=\"B2\"\n");
    m_settings.f_root_path = "/srv/";
    ASSERT_TRUE(LoadSettings(m_settings, m_version, m_build));
    EXPECT_EQ(m_settings.f_root_path, "/srv/");
    EXPECT_EQ(m_version, "BETA");
    EXPECT_EQ(m_settings.u_disabled, 1);
    EXPECT_EQ(m_build, "B2");
}

TEST_F(Settings, UnreadableFileLoadsDefaultsAndIsKeptAside)
{
    const std::string junk("\xFF\xFE\x00\x01 binary", 11);
    WriteBytes(m_home.Store(), junk);
    ASSERT_TRUE(LoadSettings(m_settings, m_version, m_build));
    EXPECT_EQ(m_settings.u_expires, 1);
    EXPECT_EQ(ReadBytes(m_home.Store()), junk);
    m_settings.u_disabled = 1;
    ASSERT_TRUE(SaveSettings(m_settings, m_version, m_build));
    EXPECT_EQ(ReadBytes(m_home.Store() + ".bad"), junk);
    AppSettings back;
    ASSERT_TRUE(LoadSettings(back, m_version, m_build));
    EXPECT_EQ(back.u_disabled, 1);
}

// --- saving ---

TEST_F(Settings, SaveWritesEveryValueInItsFormAndOrder)
{
    m_settings.u_disabled = 1;
    m_settings.u_expires = 0;
    m_settings.g_show_members = 2;  // anything but 1 is written as off
    m_settings.s_WORKS = -1;
    m_settings.x_export_type = 5;
    m_settings.browse_priority = -3;
    m_settings.f_root_path = "/srv/share \"x\"\\";
    m_settings.serverName = "\\\\VELLOX-PDC";
    m_settings.entryCount = 99;
    ASSERT_TRUE(SaveSettings(m_settings, "BETA", "Build007"));

    std::string file = ReadBytes(m_home.Store());
    EXPECT_EQ(NamesInFile(file), kWriteOrder);
    for (const char* line :
         {"\"Version\"=\"BETA\"\n", "\"Build\"=\"Build007\"\n", "\"u_disabled\"=\"TRUE\"\n",
          "\"u_expires\"=\"FALSE\"\n", "\"u_user_id\"=\"TRUE\"\n", "\"g_show_members\"=\"FALSE\"\n",
          "\"s_WORKS\"=\"FALSE\"\n", "\"x_export_type\"=dword:00000005\n", "\"browse_priority\"=dword:fffffffd\n",
          "\"f_root_path\"=\"/srv/share \\\"x\\\"\\\\\"\n", "\"always_browse\"=\"FALSE\"\n"})
        EXPECT_NE(file.find(line), std::string::npos) << line;
    EXPECT_EQ(file.find("serverName"), std::string::npos);
    EXPECT_EQ(file.find("entryCount"), std::string::npos);
}

TEST_F(Settings, EveryFieldRoundTrips)
{
    AppSettings changed;
    for (const SettingsValue& v : kSettingsValues) {
        if (v.flag)
            changed.*v.flag = 1 - (changed.*v.flag);
    }
    changed.x_export_type = 2;
    changed.browse_priority = 4;
    changed.f_root_path = "/mnt/Grüße/";
    ASSERT_TRUE(SaveSettings(changed, "2.0", "Build123"));
    AppSettings back;
    ASSERT_TRUE(LoadSettings(back, m_version, m_build));
    for (const SettingsValue& v : kSettingsValues) {
        if (v.flag) {
            EXPECT_EQ(back.*v.flag, changed.*v.flag) << v.name;
        }
        if (v.index) {
            EXPECT_EQ(back.*v.index, changed.*v.index) << v.name;
        }
        if (v.text) {
            EXPECT_EQ(back.*v.text, changed.*v.text) << v.name;
        }
    }
    EXPECT_EQ(m_version, "2.0");
    EXPECT_EQ(m_build, "Build123");
}

TEST_F(Settings, LongRootPathsRoundTripWhole)
{
    for (std::size_t length : {3000u, 4095u}) {
        m_settings.f_root_path = "/" + std::string(length - 2, 'd') + "/";
        ASSERT_TRUE(SaveSettings(m_settings, "BETA", "Build007"));
        AppSettings back;
        ASSERT_TRUE(LoadSettings(back, m_version, m_build));
        EXPECT_EQ(back.f_root_path, m_settings.f_root_path) << length;
    }
}

TEST_F(Settings, RootPathTooLongToReadBackIsRefusedNotCut)
{
    m_settings.f_root_path = "/srv/";
    ASSERT_TRUE(SaveSettings(m_settings, "BETA", "Build007"));
    m_settings.f_root_path = "/" + std::string(4095, 'x');
    m_settings.u_disabled = 1;
    EXPECT_FALSE(SaveSettings(m_settings, "BETA", "Build007"));
    AppSettings back;
    ASSERT_TRUE(LoadSettings(back, m_version, m_build));
    EXPECT_EQ(back.f_root_path, "/srv/") << "the stored path stays";
    EXPECT_EQ(back.u_disabled, 1) << "the other values are still saved";
}

TEST_F(Settings, SaveKeepsValuesItDoesNotKnow)
{
    WriteBytes(m_home.Store(), "; notes\n" + std::string(kSection) +
                                   "\"u_disabled\"=\"TRUE\"\n\"future_option\"=dword:0000000c\n"
                                   "\n[HKEY_CURRENT_USER\\Software\\Tavro\\Other]\n\"x\"=\"y\"\n");
    ASSERT_TRUE(SaveSettings(m_settings, "BETA", "Build007"));
    ASSERT_TRUE(SaveSettings(m_settings, "BETA", "Build007"));
    std::string file = ReadBytes(m_home.Store());
    EXPECT_EQ(file.rfind("; notes\n", 0), 0u);
    EXPECT_NE(file.find("\"future_option\"=dword:0000000c\n"), std::string::npos);
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Tavro\\Other]\n\"x\"=\"y\"\n"), std::string::npos);
    EXPECT_NE(file.find("\"u_disabled\"=\"FALSE\""), std::string::npos);
    EXPECT_EQ(NamesInFile(file).size(), kWriteOrder.size() + 2) << "each value once";
}

TEST_F(Settings, WindowGeometryIsKeptInValuesOfItsOwnBesideTheSettings)
{
    EXPECT_FALSE(LoadWindowGeometry()) << "nothing stored yet";
    WriteStore(m_home, "\"future_option\"=dword:0000000c\n\"u_disabled\"=\"TRUE\"\n");
    const WindowGeometry geometry{-1200, 35, 1024, 700, true};
    ASSERT_TRUE(SaveWindowGeometry(geometry));
    std::string file = ReadBytes(m_home.Store());
    for (const char* line :
         {"\"window_left\"=dword:fffffb50\n", "\"window_top\"=dword:00000023\n", "\"window_width\"=dword:00000400\n",
          "\"window_height\"=dword:000002bc\n", "\"window_maximized\"=\"TRUE\"\n", "\"future_option\"=dword:0000000c\n",
          "\"u_disabled\"=\"TRUE\"\n"})
        EXPECT_NE(file.find(line), std::string::npos) << line;
    EXPECT_EQ(NamesInFile(file).size(), 7u) << "no settings value written beside them";

    // The settings code reads and writes around them.
    ASSERT_TRUE(LoadSettings(m_settings, m_version, m_build));
    EXPECT_EQ(m_settings.u_disabled, 1);
    ASSERT_TRUE(SaveSettings(m_settings, m_version, m_build));
    EXPECT_EQ(LoadWindowGeometry(), geometry);
    EXPECT_EQ(NamesInFile(ReadBytes(m_home.Store())).size(), kWriteOrder.size() + 6);

    // A value missing, of the wrong type or a size that is no size: nothing to restore.
    const std::string good = "\"window_left\"=dword:00000000\n\"window_top\"=dword:00000000\n";
    for (const char* sizes :
         {"\"window_width\"=\"1024\"\n\"window_height\"=dword:000002bc\n",
          "\"window_width\"=dword:00000400\n\"window_height\"=dword:00000000\n", "\"window_width\"=dword:00000400\n"}) {
        WriteStore(m_home, good + sizes);
        EXPECT_FALSE(LoadWindowGeometry()) << sizes;
    }
}

// --- failures ---

TEST_F(Settings, FolderThatCannotBeCreatedFailsBoth)
{
    WriteBytes(m_home.Root() + "/file", "x");
    ::setenv("XDG_CONFIG_HOME", (m_home.Root() + "/file/below").c_str(), 1);
    m_settings.u_disabled = 1;
    EXPECT_FALSE(LoadSettings(m_settings, m_version, m_build));
    EXPECT_EQ(m_settings.u_disabled, 1) << "the record keeps what it had";
    EXPECT_EQ(m_version, "BETA");
    EXPECT_EQ(m_build, "Build007");
    EXPECT_FALSE(SaveSettings(m_settings, m_version, m_build));
}

TEST_F(Settings, FileThatCannotBeWrittenFailsTheSave)
{
    std::string problem = regtest::RunUnprivileged(m_home, [&]() -> std::string {
        AppSettings s;
        if (!SaveSettings(s, "BETA", "Build007"))
            return "first save failed";
        std::string before = ReadBytes(m_home.Store());
        ::chmod(m_home.Folder().c_str(), 0500);
        s.u_disabled = 1;
        bool saved = SaveSettings(s, "BETA", "Build007");
        ::chmod(m_home.Folder().c_str(), 0700);
        if (saved)
            return "save into a read-only folder reported success";
        if (ReadBytes(m_home.Store()) != before)
            return "file changed";
        return "";
    });
    EXPECT_EQ(problem, "");
}
