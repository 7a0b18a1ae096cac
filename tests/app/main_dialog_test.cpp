// The main window as a user meets it: start-up state, closing, the combo boxes with
// and without always-browse, the menu, and the settings file.
#include "app_test_env.h"

#include <QKeyEvent>

#include <fstream>
#include <unistd.h>

namespace {

using MainDialog = MainWindowTest;

TEST_F(MainDialog, StartsOnTheDomainControllerWithUsersAndAnEmptyList)
{
    CMainDialog& dlg = Open();
    CString display;
    dlg.m_comboDisplay.GetWindowText(display);
    EXPECT_EQ(display, "USERS");
    ASSERT_EQ(dlg.m_comboServer.GetCount(), 1);
    CString server;
    dlg.m_comboServer.GetLBText(0, server);
    EXPECT_EQ(server, "\\\\VELLOX-PDC");
    EXPECT_EQ(dlg.m_comboServer.GetCurSel(), 0);
    EXPECT_EQ(dlg.m_settings.serverName, "\\\\VELLOX-PDC");
    EXPECT_EQ(dlg.m_listResults.GetCount(), 0);
    EXPECT_EQ(EntriesFoundText(), "0");
    EXPECT_EQ(dlg.m_shownType, DisplayType::NONE);
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(MainDialog, DisplayBoxHoldsTheFiveTypesSorted)
{
    CMainDialog& dlg = Open();
    std::vector<std::string> items;
    for (int i = 0; i < dlg.m_comboDisplay.GetCount(); ++i) {
        CString text;
        dlg.m_comboDisplay.GetLBText(i, text);
        items.push_back(text);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"FILES", "GROUPS", "NETWORK", "SERVERS", "USERS"}));
    EXPECT_EQ(dlg.m_comboDisplay.GetCurSel(), 4);
}

TEST_F(MainDialog, UnreachableControllerGivesThisComputer)
{
    m_sim->FailCall("GetDCName", net::NERR_DCNotFound);
    CMainDialog& dlg = Open();
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    ASSERT_EQ(dlg.m_comboServer.GetCount(), 1);
    CString server;
    dlg.m_comboServer.GetLBText(0, server);
    EXPECT_EQ(server, std::string("\\\\") + host);
    EXPECT_EQ(dlg.m_settings.serverName, std::string("\\\\") + host);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(MainDialog, ServerFromTheCommandLineIsTheStartServer)
{
    net::Options options;
    options.backend = net::Backend::Sample;
    options.server = "\\\\VELLOX-BDC";
    m_dlg = std::make_unique<CMainDialog>(*m_sim, options);
    ASSERT_TRUE(m_dlg->Create());
    EXPECT_EQ(m_dlg->m_settings.serverName, "\\\\VELLOX-BDC");
}

TEST_F(MainDialog, EscapeLeavesTheWindowOpen)
{
    CMainDialog& dlg = Open();
    fx::testing::PressKey(dlg, Qt::Key_Escape);
    fx::testing::ProcessEvents();
    EXPECT_FALSE(dlg.IsModalEnded());
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
    EXPECT_FALSE(dlg.IsModalEnded());
}

TEST_F(MainDialog, CloseBoxClosesTheWindow)
{
    CMainDialog& dlg = Open();
    fx::testing::CloseBox(dlg);
    fx::testing::ProcessEvents();
    EXPECT_TRUE(dlg.IsModalEnded());
    EXPECT_EQ(dlg.GetModalResult(), IDOK);
}

TEST_F(MainDialog, ExitButtonClosesTheWindow)
{
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_EXIT);
    EXPECT_TRUE(dlg.IsModalEnded());
    EXPECT_EQ(dlg.GetModalResult(), IDOK);
}

TEST_F(MainDialog, FileExitClosesTheWindow)
{
    CMainDialog& dlg = Open();
    fx::testing::ChooseMenuCommand(dlg, res::ID_FILE_EXIT);
    EXPECT_TRUE(dlg.IsModalEnded());
}

TEST_F(MainDialog, SystemMenuCarriesTheAboutEntry)
{
    CMainDialog& dlg = Open();
    CMenu* sysMenu = dlg.GetSystemMenu(FALSE);
    ASSERT_NE(sysMenu, nullptr);
    CString text;
    ASSERT_TRUE(sysMenu->GetMenuString(res::IDM_ABOUTBOX, text, MF_BYCOMMAND));
    EXPECT_EQ(text, "&About Vellox...");
    // The system menu's Close ends the window like Exit.
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_TRUE(dlg.IsModalEnded());
}

TEST_F(MainDialog, WithoutAlwaysBrowseAComboChangeStartsNothing)
{
    CMainDialog& dlg = Open();
    ASSERT_EQ(dlg.m_settings.always_browse, 0);
    SelectDisplay("GROUPS");
    EXPECT_FALSE(dlg.IsBrowsing());
    EXPECT_EQ(dlg.m_listResults.GetCount(), 0);

    dlg.m_comboServer.AddString("\\\\VELLOX-BDC");
    const int bdc = dlg.m_comboServer.FindStringExact(-1, "\\\\VELLOX-BDC");
    fx::testing::SelectComboItem(dlg, res::IDC_SERVER, bdc);
    EXPECT_EQ(dlg.m_settings.serverName, "\\\\VELLOX-BDC");
    EXPECT_FALSE(dlg.IsBrowsing());
    EXPECT_EQ(dlg.m_listResults.GetCount(), 0);
}

TEST_F(MainDialog, WithAlwaysBrowseEachComboChangeBrowses)
{
    CMainDialog& dlg = Open();
    dlg.m_settings.always_browse = 1;
    SelectDisplay("GROUPS");
    EXPECT_TRUE(dlg.IsBrowsing());
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(dlg.m_shownType, DisplayType::GROUPS);

    dlg.m_comboServer.AddString("\\\\VELLOX-BDC");
    const int bdc = dlg.m_comboServer.FindStringExact(-1, "\\\\VELLOX-BDC");
    fx::testing::SelectComboItem(dlg, res::IDC_SERVER, bdc);
    EXPECT_EQ(dlg.m_settings.serverName, "\\\\VELLOX-BDC");
    EXPECT_TRUE(dlg.IsBrowsing());
    ASSERT_TRUE(WaitForBrowse());
    // The backup controller answers reads: its groups are listed.
    const std::vector<std::string> lines = ListLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Name\tComment\t");
    EXPECT_NE(lines[2], "Could not enumerate domain.");
}

TEST_F(MainDialog, GrayedMenuItemsStayGrayedAndDoNothing)
{
    CMainDialog& dlg = Open();
    CMenu* menu = dlg.GetMenu();
    ASSERT_NE(menu, nullptr);
    for (UINT id : {res::ID_TOOLS_PROPERTIES_CYCLIC, res::ID_TOOLS_PROPERTIES_COMBINED,
                    res::ID_TOOLS_ADD_TO_SERVER_LIST, res::ID_HELP_CONTENTS})
        EXPECT_NE(menu->GetMenuState(id, MF_BYCOMMAND) & MF_GRAYED, 0u) << id;
    for (UINT id : {res::ID_FILE_EXPORT, res::ID_FILE_EXIT, res::ID_TOOLS_BROWSE, res::ID_TOOLS_SETTINGS,
                    res::ID_HELP_ABOUT, res::ID_HELP_CONTACT})
        EXPECT_EQ(menu->GetMenuState(id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), 0u) << id;

    fx::testing::ChooseMenuCommand(dlg, res::ID_TOOLS_PROPERTIES_COMBINED);
    fx::testing::ChooseMenuCommand(dlg, res::ID_TOOLS_ADD_TO_SERVER_LIST);
    EXPECT_FALSE(dlg.IsModalEnded());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(dlg.m_listResults.GetCount(), 0);
    // A browse enables Properties (cyclic) only; the other two stay grayed.
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_TRUE(PropertiesCyclicEnabled());
    EXPECT_NE(menu->GetMenuState(res::ID_TOOLS_PROPERTIES_COMBINED, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(menu->GetMenuState(res::ID_TOOLS_ADD_TO_SERVER_LIST, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(MainDialog, UnwritableSettingsFolderShowsTheRegistryMessage)
{
    const std::filesystem::path blocker = m_dir / "file";
    std::ofstream(blocker) << "not a folder";
    ::setenv("XDG_CONFIG_HOME", (blocker / "config").c_str(), 1);
    CMainDialog& dlg = Open();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], "Failed to create/open registry key. Defaults will be used.");
    // Start-up goes on with the defaults.
    EXPECT_EQ(dlg.m_settings.browse_priority, 2);
    EXPECT_EQ(dlg.m_settings.f_root_path, "/home/");
    EXPECT_EQ(dlg.m_strVersion, "BETA");
    EXPECT_EQ(dlg.m_strBuild, "Build007");
}

TEST_F(MainDialog, SettingsFileOverridesTheDefaults)
{
    AppSettings saved;
    saved.always_browse = 1;
    saved.browse_priority = 4;
    saved.u_num_logons = 1;
    ASSERT_TRUE(SaveSettings(saved, "BETA", "Build007"));
    CMainDialog& dlg = Open();
    EXPECT_EQ(dlg.m_settings.always_browse, 1);
    EXPECT_EQ(dlg.m_settings.browse_priority, 4);
    EXPECT_EQ(dlg.m_settings.u_num_logons, 1);
    EXPECT_EQ(dlg.m_settings.serverName, "\\\\VELLOX-PDC");
    // No browse at start-up, whatever always-browse says.
    EXPECT_FALSE(dlg.IsBrowsing());
    EXPECT_EQ(dlg.m_listResults.GetCount(), 0);
}

TEST_F(MainDialog, WindowIconIsIcon128AndTheWindowIsNotResizable)
{
    CMainDialog& dlg = Open();
    ASSERT_NE(dlg.m_hIcon, nullptr);
    EXPECT_FALSE(dlg.GetWidget()->windowIcon().isNull());
    EXPECT_EQ(dlg.GetWidget()->minimumSize(), dlg.GetWidget()->maximumSize());
    EXPECT_FALSE(dlg.GetWidget()->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainDialog, RendersToPng)
{
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    const std::string path = std::string(APP_TEST_OUTDIR) + "/main.png";
    ASSERT_TRUE(fx::testing::RenderToPng(dlg, path));
    EXPECT_TRUE(std::filesystem::file_size(path) > 1000);
}

}  // namespace
