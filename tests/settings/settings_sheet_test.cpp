// The Settings command: the sheet over a copy of the record, copy in and out, the
// root path's separator, the save and the browse request. Driven through the fx hooks.
#include "settings/settings_sheet.h"

#include "fx/app.h"
#include "fx/propsheet.h"
#include "fx/resources.h"
#include "fx/testing.h"
#include "res/res.h"
#include "res/resource.h"
#include "res/settings_resource.h"
#include "settings/app_settings.h"

#include "../platform/registry_test_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace res;
using fx::testing::Click;
using fx::testing::TypeText;

namespace {

// Tab indexes, in the sheet's order.
enum Tab { kFiles, kGroups, kNetworks, kServers, kUsers, kExport, kGeneral };

using Script = std::function<void(CPropertySheet&)>;

// Every stored field of a record, the run-time server name included, as text.
std::string Describe(const AppSettings& s)
{
    std::string out;
    for (const SettingsValue& v : kSettingsValues) {
        out += v.name;
        out += '=';
        if (v.flag)
            out += std::to_string(s.*v.flag);
        if (v.index)
            out += std::to_string(s.*v.index);
        if (v.text)
            out += s.*v.text;
        out += '\n';
    }
    return out + "serverName=" + s.serverName + "\n";
}

// A record whose every value differs from the start-up defaults where it can.
AppSettings Inverted()
{
    AppSettings s;
    for (const SettingsValue& v : kSettingsValues) {
        if (v.flag)
            s.*v.flag = 1 - s.*v.flag;
        if (v.index)
            s.*v.index = s.*v.index == 1 ? 3 : 1;
    }
    s.f_root_path = "/srv/data/";
    return s;
}

class SettingsSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::EnsureApplication();
        fx::ResourceSet set;
        AddStrings(set);
        AddSettingsResources(set);
        fx::InstallResources(set);
        fx::testing::SetMessageBoxHandler([this](const fx::testing::MessageBoxCall& call) {
            m_messages.push_back(call);
            return IDOK;
        });
    }
    void TearDown() override { fx::testing::ResetHandlers(); }

    // Runs the command; the script acts on the sheet and must end it.
    bool Run(const std::string& display, const Script& script)
    {
        fx::testing::SetModalHandler([&](CWnd& window) {
            auto* sheet = dynamic_cast<CPropertySheet*>(&window);
            ASSERT_NE(sheet, nullptr) << "the modal window is not a property sheet";
            script(*sheet);
        });
        return OnSettingsCommand(m_settings, display, "BETA", "Build007", nullptr);
    }

    AppSettings Reload() const
    {
        AppSettings loaded = Inverted();
        std::string version, build;
        EXPECT_TRUE(LoadSettings(loaded, version, build));
        loaded.serverName = m_settings.serverName;
        return loaded;
    }

    regtest::TempConfigHome m_home;
    AppSettings m_settings;
    std::vector<fx::testing::MessageBoxCall> m_messages;
};

CPropertyPage& Open(CPropertySheet& sheet, Tab tab)
{
    EXPECT_TRUE(sheet.SetActivePage(tab));
    return *sheet.GetActivePage();
}

// --- opening ---

struct StartCase {
    const char* display;
    int page;
};

class SettingsStart : public SettingsSheet, public ::testing::WithParamInterface<StartCase> { };

TEST_P(SettingsStart, OpensOnThePageOfTheDisplayType)
{
    int active = -2;
    Run(GetParam().display, [&](CPropertySheet& sheet) {
        active = sheet.GetActiveIndex();
        sheet.PressCancel();
    });
    EXPECT_EQ(active, GetParam().page);
}

INSTANTIATE_TEST_SUITE_P(DisplayTexts, SettingsStart,
                         ::testing::Values(StartCase{"FILES", 0}, StartCase{"GROUPS", 1}, StartCase{"NETWORK", 2},
                                           StartCase{"SERVERS", 3}, StartCase{"USERS", 4}, StartCase{"", 0},
                                           StartCase{"users", 0}, StartCase{"USERS ", 0}),
                         [](const ::testing::TestParamInfo<StartCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST_F(SettingsSheet, HasTheSevenPagesInOrderUnderItsCaption)
{
    std::vector<std::string> tabs;
    CString caption;
    Run("FILES", [&](CPropertySheet& sheet) {
        sheet.GetWindowText(caption);
        for (int i = 0; i < sheet.GetPageCount(); ++i)
            tabs.push_back(sheet.GetPage(i)->GetTabCaption());
        sheet.PressCancel();
    });
    EXPECT_EQ(std::string(caption), "Settings");
    EXPECT_EQ(tabs, (std::vector<std::string>{"Files", "Groups", "Networks", "Servers", "Users", "Export", "General"}));
}

// --- cancel ---

TEST_F(SettingsSheet, CancelAfterChangesOnSeveralPagesChangesNothing)
{
    m_settings.always_browse = 1;
    ASSERT_TRUE(SaveSettings(m_settings, "BETA", "Build007"));
    const std::string fileBefore = regtest::ReadBytes(m_home.Store());
    const std::string recordBefore = Describe(m_settings);

    const bool browse = Run("USERS", [](CPropertySheet& sheet) {
        Click(Open(sheet, kUsers), IDC_USERS_DISABLED);
        Click(Open(sheet, kServers), IDC_SERVERS_NOVELL);
        TypeText(Open(sheet, kFiles), IDC_FILES_ROOT_PATH, "/elsewhere");
        Click(Open(sheet, kGeneral), IDC_GENERAL_HIGHEST);
        Click(Open(sheet, kExport), IDC_EXPORT_COMMA);
        sheet.PressCancel();
    });

    EXPECT_FALSE(browse);
    EXPECT_EQ(Describe(m_settings), recordBefore);
    EXPECT_EQ(regtest::ReadBytes(m_home.Store()), fileBefore);
    EXPECT_TRUE(m_messages.empty());
}

// --- OK ---

TEST_F(SettingsSheet, OkWithoutChangesWritesEveryValueAndAsksForABrowse)
{
    m_settings = Inverted();  // always_browse on, every value off its default
    m_settings.serverName = "\\\\DC1";
    const std::string recordBefore = Describe(m_settings);

    const bool browse = Run("FILES", [](CPropertySheet& sheet) { sheet.PressOK(); });

    EXPECT_TRUE(browse);
    EXPECT_EQ(Describe(m_settings), recordBefore);
    const std::string file = regtest::ReadBytes(m_home.Store());
    for (const SettingsValue& v : kSettingsValues)
        EXPECT_NE(file.find("\"" + std::string(v.name) + "\"="), std::string::npos) << v.name;
    EXPECT_NE(file.find("\"Version\"=\"BETA\""), std::string::npos);
    EXPECT_NE(file.find("\"Build\"=\"Build007\""), std::string::npos);
    EXPECT_EQ(Describe(Reload()), recordBefore);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(SettingsSheet, OkWithAlwaysBrowseOffSavesButAsksForNoBrowse)
{
    m_settings.always_browse = 0;
    EXPECT_FALSE(Run("USERS", [](CPropertySheet& sheet) { sheet.PressOK(); }));
    EXPECT_TRUE(regtest::Exists(m_home.Store()));
}

TEST_F(SettingsSheet, TickingAlwaysBrowseAsksForABrowseAtOnce)
{
    m_settings.always_browse = 0;
    EXPECT_TRUE(Run("FILES", [](CPropertySheet& sheet) {
        Click(Open(sheet, kGeneral), IDC_GENERAL_ALWAYS_BROWSE);
        sheet.PressOK();
    }));
    EXPECT_EQ(m_settings.always_browse, 1);
    EXPECT_EQ(Reload().always_browse, 1);
}

// Each enabled check box is wired to its own field: clicking it flips that field alone.
struct BoxCase {
    Tab tab;
    int id;
    std::int32_t AppSettings::*field;
    const char* name;
};

class SettingsBox : public SettingsSheet, public ::testing::WithParamInterface<BoxCase> { };

TEST_P(SettingsBox, ClickFlipsItsFieldOnly)
{
    const BoxCase& c = GetParam();
    AppSettings expected = m_settings;
    expected.*c.field = 1 - expected.*c.field;

    bool shownBefore = false;
    Run("FILES", [&](CPropertySheet& sheet) {
        CPropertyPage& page = Open(sheet, c.tab);
        shownBefore = page.IsDlgButtonChecked(c.id) == BST_CHECKED;
        Click(page, c.id);
        sheet.PressOK();
    });

    EXPECT_EQ(shownBefore, m_settings.*c.field == 0) << "the box showed the stored value";
    EXPECT_EQ(Describe(m_settings), Describe(expected));
    EXPECT_EQ(Reload().*c.field, expected.*c.field);
}

#define BOX(tab, id, field)                                                                                            \
    BoxCase                                                                                                            \
    {                                                                                                                  \
        tab, id, &AppSettings::field, #field                                                                           \
    }

INSTANTIATE_TEST_SUITE_P(
    EnabledBoxes, SettingsBox,
    ::testing::Values(
        BOX(kUsers, IDC_USERS_DISABLED, u_disabled), BOX(kUsers, IDC_USERS_EXPIRES, u_expires),
        BOX(kUsers, IDC_USERS_LAST_LOGON, u_last_logon), BOX(kUsers, IDC_USERS_NUM_LOGONS, u_num_logons),
        BOX(kUsers, IDC_USERS_USER_NAME, u_user_name), BOX(kUsers, IDC_USERS_PW_CHECK, u_pw_check),
        BOX(kUsers, IDC_USERS_PROFILE, u_profile_check), BOX(kUsers, IDC_USERS_SCRIPT, u_script_check),
        BOX(kUsers, IDC_USERS_MAX_STORAGE, u_max_storage), BOX(kUsers, IDC_USERS_PASS_EXPIRES, u_pass_expires),
        BOX(kGroups, IDC_GROUPS_COMMENTS, g_comments), BOX(kGroups, IDC_GROUPS_SHOW_MEMBERS, g_show_members),
        BOX(kServers, IDC_SERVERS_AFP, s_AFP), BOX(kServers, IDC_SERVERS_BKB, s_BKB),
        BOX(kServers, IDC_SERVERS_BKDC, s_BKDC), BOX(kServers, IDC_SERVERS_COMMENTS, s_comments),
        BOX(kServers, IDC_SERVERS_DC, s_DC), BOX(kServers, IDC_SERVERS_DM, s_DM),
        BOX(kServers, IDC_SERVERS_DOMMEM, s_DOMMEM), BOX(kServers, IDC_SERVERS_MB, s_MB),
        BOX(kServers, IDC_SERVERS_MFPN, s_MFPN), BOX(kServers, IDC_SERVERS_NOVELL, s_NOVELL),
        BOX(kServers, IDC_SERVERS_NT, s_NT), BOX(kServers, IDC_SERVERS_NTS, s_NTS),
        BOX(kServers, IDC_SERVERS_DSF, s_DSF), BOX(kServers, IDC_SERVERS_PB, s_PB),
        BOX(kServers, IDC_SERVERS_PQS, s_PQS), BOX(kServers, IDC_SERVERS_SERV, s_SERV),
        BOX(kServers, IDC_SERVERS_DIALIN, s_DIALIN), BOX(kServers, IDC_SERVERS_SQL, s_SQL),
        BOX(kServers, IDC_SERVERS_TIMESRV, s_TIMESRV), BOX(kServers, IDC_SERVERS_TYPE, s_TYPE),
        BOX(kServers, IDC_SERVERS_UNIX, s_UNIX), BOX(kServers, IDC_SERVERS_VMS, s_VMS),
        BOX(kServers, IDC_SERVERS_WFW, s_WFW), BOX(kServers, IDC_SERVERS_WORKS, s_WORKS),
        BOX(kGeneral, IDC_GENERAL_ALWAYS_BROWSE, always_browse), BOX(kFiles, IDC_FILES_STORAGE, f_storage),
        BOX(kFiles, IDC_FILES_FILE_DENIAL, f_file_denial), BOX(kFiles, IDC_FILES_DIRECTORY_DENIAL, f_directory_denial),
        BOX(kNetworks, IDC_NETWORKS_SHARES_DISK, n_Shares_Disk),
        BOX(kNetworks, IDC_NETWORKS_SHARES_PRINTER, n_Shares_Printer),
        BOX(kNetworks, IDC_NETWORKS_DOMAIN_MEMBERS, n_Domain_Members)),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

// The disabled boxes show the stored value, can't be changed and keep it.
TEST_F(SettingsSheet, DisabledBoxesShowAndKeepTheirValues)
{
    struct Disabled {
        Tab tab;
        int id;
    };
    const Disabled boxes[] = {{kUsers, IDC_USERS_USER_ID},         {kGroups, IDC_GROUPS_GROUPNAME},
                              {kServers, IDC_SERVERS_SERVER_NAME}, {kFiles, IDC_FILES_USER_NAME},
                              {kNetworks, IDC_NETWORKS_NET_TYPES}, {kNetworks, IDC_NETWORKS_DOMAINS},
                              {kExport, IDC_EXPORT_CLIPBOARD}};
    for (int stored : {0, 1}) {
        m_settings.u_user_id = m_settings.g_groupname = m_settings.s_Server_Name = stored;
        m_settings.f_user_name = m_settings.n_Net_Types = m_settings.n_Domains = stored;
        m_settings.x_export_type = stored ? 2 : 0;  // 2 ticks the disabled Clipboard radio
        const std::string before = Describe(m_settings);
        Run("FILES", [&](CPropertySheet& sheet) {
            for (const Disabled& box : boxes) {
                CPropertyPage& page = Open(sheet, box.tab);
                CWnd* control = page.GetDlgItem(box.id);
                ASSERT_NE(control, nullptr) << box.id;
                EXPECT_FALSE(control->IsWindowEnabled()) << box.id;
                EXPECT_EQ(page.IsDlgButtonChecked(box.id), UINT(stored)) << box.id;
            }
            sheet.PressOK();
        });
        EXPECT_EQ(Describe(m_settings), before);
        EXPECT_EQ(Describe(Reload()), before);
    }
}

// --- indexes ---

struct RadioCase {
    Tab tab;
    int id;
    std::int32_t AppSettings::*field;
    int index;
};

class SettingsRadio : public SettingsSheet, public ::testing::WithParamInterface<RadioCase> { };

TEST_P(SettingsRadio, ChoosingAButtonStoresItsIndex)
{
    const RadioCase& c = GetParam();
    m_settings.*c.field = c.index == 0 ? 1 : 0;
    Run("FILES", [&](CPropertySheet& sheet) {
        Click(Open(sheet, c.tab), c.id);
        sheet.PressOK();
    });
    EXPECT_EQ(m_settings.*c.field, c.index);
    EXPECT_EQ(Reload().*c.field, c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, SettingsRadio,
    ::testing::Values(RadioCase{kExport, IDC_EXPORT_TAB, &AppSettings::x_export_type, 0},
                      RadioCase{kExport, IDC_EXPORT_COMMA, &AppSettings::x_export_type, 1},
                      RadioCase{kGeneral, IDC_GENERAL_LOWEST, &AppSettings::browse_priority, 0},
                      RadioCase{kGeneral, IDC_GENERAL_BELOW_NORMAL, &AppSettings::browse_priority, 1},
                      RadioCase{kGeneral, IDC_GENERAL_NORMAL, &AppSettings::browse_priority, 2},
                      RadioCase{kGeneral, IDC_GENERAL_ABOVE_NORMAL, &AppSettings::browse_priority, 3},
                      RadioCase{kGeneral, IDC_GENERAL_HIGHEST, &AppSettings::browse_priority, 4}),
    [](const ::testing::TestParamInfo<RadioCase>& info) {
        return std::string(info.param.tab == kExport ? "Export" : "Priority") + std::to_string(info.param.index);
    });

TEST_F(SettingsSheet, OutOfRangeIndexesOnUnopenedPagesAreWrittenBackUnchanged)
{
    m_settings.browse_priority = 7;
    m_settings.x_export_type = -3;
    Run("USERS", [](CPropertySheet& sheet) { sheet.PressOK(); });
    EXPECT_EQ(m_settings.browse_priority, 7);
    EXPECT_EQ(m_settings.x_export_type, -3);
    const AppSettings loaded = Reload();
    EXPECT_EQ(loaded.browse_priority, 7);
    EXPECT_EQ(loaded.x_export_type, -3);
}

TEST_F(SettingsSheet, OutOfRangeIndexesShowNoButtonAndStoreMinusOneWhenOpened)
{
    m_settings.browse_priority = 7;
    m_settings.x_export_type = 3;
    std::vector<UINT> ticks;
    Run("USERS", [&](CPropertySheet& sheet) {
        CPropertyPage& general = Open(sheet, kGeneral);
        for (int id : {IDC_GENERAL_LOWEST, IDC_GENERAL_BELOW_NORMAL, IDC_GENERAL_NORMAL, IDC_GENERAL_ABOVE_NORMAL,
                       IDC_GENERAL_HIGHEST})
            ticks.push_back(general.IsDlgButtonChecked(id));
        CPropertyPage& exportPage = Open(sheet, kExport);
        for (int id : {IDC_EXPORT_TAB, IDC_EXPORT_COMMA, IDC_EXPORT_CLIPBOARD})
            ticks.push_back(exportPage.IsDlgButtonChecked(id));
        sheet.PressOK();
    });
    EXPECT_EQ(ticks, std::vector<UINT>(8, 0u));
    EXPECT_EQ(m_settings.browse_priority, -1);
    EXPECT_EQ(m_settings.x_export_type, -1);
    EXPECT_EQ(Reload().browse_priority, -1);
}

// --- root path ---

TEST(RootPathSeparator, EndsEveryPathWithItsSeparator)
{
    EXPECT_EQ(WithTrailingSeparator(""), "/");
    EXPECT_EQ(WithTrailingSeparator("/data"), "/data/");
    EXPECT_EQ(WithTrailingSeparator("/data/"), "/data/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
    EXPECT_EQ(WithTrailingSeparator("smb://srv/share"), "smb://srv/share/");
    EXPECT_EQ(WithTrailingSeparator("\\\\server\\share\\dir"), "\\\\server\\share\\dir\\");
    EXPECT_EQ(WithTrailingSeparator("\\\\server\\share\\dir\\"), "\\\\server\\share\\dir\\");
    EXPECT_EQ(WithTrailingSeparator("data\\"), "data\\/") << "a local name may end in a backslash";
}

TEST_F(SettingsSheet, TypedRootPathGetsItsSeparatorInRecordAndFile)
{
    struct Case {
        const char* typed;
        const char* stored;
    };
    for (const Case c :
         {Case{"/data", "/data/"}, Case{"", "/"}, Case{"\\\\server\\share\\dir", "\\\\server\\share\\dir\\"}}) {
        Run("FILES", [&](CPropertySheet& sheet) {
            TypeText(Open(sheet, kFiles), IDC_FILES_ROOT_PATH, c.typed);
            sheet.PressOK();
        });
        EXPECT_EQ(m_settings.f_root_path, c.stored) << c.typed;
        EXPECT_EQ(Reload().f_root_path, c.stored) << c.typed;
    }
}

TEST_F(SettingsSheet, StoredRootPathWithoutSeparatorIsMendedEvenUnopened)
{
    m_settings.f_root_path = "/srv/share";
    std::string shown;
    Run("GROUPS", [](CPropertySheet& sheet) { sheet.PressOK(); });
    EXPECT_EQ(m_settings.f_root_path, "/srv/share/");
    Run("FILES", [&](CPropertySheet& sheet) {
        CString text;
        sheet.GetActivePage()->GetDlgItemText(IDC_FILES_ROOT_PATH, text);
        shown = text;
        sheet.PressCancel();
    });
    EXPECT_EQ(shown, "/srv/share/");
}

// --- buttons and the current server ---

TEST_F(SettingsSheet, FilesBrowseButtonOnlyShowsItsMessage)
{
    m_settings.f_root_path = "/data/";
    Run("FILES", [](CPropertySheet& sheet) {
        Click(*sheet.GetActivePage(), IDC_FILES_BROWSE);
        sheet.PressOK();
    });
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text,
              "Sorry, functionality's not quite what it should be,\nso this piece has been removed.");
    EXPECT_EQ(m_messages[0].flags & 0x0F, UINT(MB_OK));
    EXPECT_EQ(m_settings.f_root_path, "/data/");
}

TEST_F(SettingsSheet, ServersPageShowsTheCurrentServerAndItsBrowseDoesNothing)
{
    m_settings.serverName = "\\\\DC1";
    const std::string before = Describe(m_settings);
    std::string shown;
    bool enabled = true;
    Run("SERVERS", [&](CPropertySheet& sheet) {
        CPropertyPage& page = *sheet.GetActivePage();
        CString text;
        page.GetDlgItemText(IDC_SERVERS_CURRENT, text);
        shown = text;
        enabled = page.GetDlgItem(IDC_SERVERS_CURRENT)->IsWindowEnabled();
        Click(page, IDC_SERVERS_BROWSE);
        sheet.PressOK();
    });
    EXPECT_EQ(shown, "\\\\DC1");
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Describe(m_settings), before);
}

// --- a failed save ---

TEST_F(SettingsSheet, FailedSaveShowsItsMessageAndKeepsTheNewValues)
{
    // A file where the settings folder should be: the key can't be created, even as root.
    regtest::WriteBytes(m_home.Root() + "/Tavro", "not a folder");
    m_settings.always_browse = 1;
    const bool browse = Run("USERS", [](CPropertySheet& sheet) {
        Click(*sheet.GetActivePage(), IDC_USERS_DISABLED);
        sheet.PressOK();
    });
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "Could not write data to registry.");
    EXPECT_EQ(m_settings.u_disabled, 1);
    EXPECT_TRUE(browse);
}

// --- pictures ---

// Renders every page into the build folder, for a person to look at.
TEST_F(SettingsSheet, RendersEveryPage)
{
    const std::string folder = std::filesystem::current_path().string() + "/settings-pages";
    std::filesystem::create_directories(folder);
    const char* names[] = {"files", "groups", "networks", "servers", "users", "export", "general"};
    m_settings.serverName = "\\\\DC1";
    Run("FILES", [&](CPropertySheet& sheet) {
        for (int tab = kFiles; tab <= kGeneral; ++tab) {
            Open(sheet, Tab(tab));
            const std::string path = folder + "/" + names[tab] + ".png";
            EXPECT_TRUE(fx::testing::RenderToPng(sheet, path)) << path;
            EXPECT_GT(std::filesystem::file_size(path), 1000u) << path;
        }
        sheet.PressCancel();
    });
}

}  // namespace
