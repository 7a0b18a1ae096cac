// The main window as a user meets it: start-up state, closing, the combo boxes with
// and without always-browse, the menu, and the settings file.
#include "app_test_env.h"

#include "fx/listbox_model.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

namespace {

using MainDialog = MainWindowTest;

int BaseUnitsX()
{
    QFontMetrics fm(fx::DialogFont("MS Sans Serif", 8));
    return (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
}

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
    app::Options options;
    options.backend = app::Backend::Sample;
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

TEST_F(MainDialog, IsANormalResizableWindowWithTheTemplateSizeAsItsSmallest)
{
    CMainDialog& dlg = Open();
    ASSERT_NE(dlg.m_hIcon, nullptr);
    QWidget* window = dlg.GetWidget();
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->windowType(), Qt::Window) << "no dialog box to the window manager";
    EXPECT_EQ(window->windowModality(), Qt::NonModal);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->size(), window->minimumSize());
    EXPECT_GT(window->maximumWidth(), window->minimumWidth());
    EXPECT_GT(window->maximumHeight(), window->minimumHeight());
    // The client area is the template's 441 dialog units wide.
    EXPECT_NEAR(dlg.GetClientWidget()->width(), 441 * BaseUnitsX() / 4, 2);
}

// Every control's place inside the window.
std::map<std::string, QRect> ControlPlaces(CMainDialog& dlg)
{
    std::map<std::string, QRect> places;
    for (QWidget* w : dlg.GetClientWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QString name = QString::fromLatin1(w->metaObject()->className()) + " " +
                             w->property("fxControlId").toString() + " " + w->property("fxText").toString();
        places[name.toStdString() + (w->isHidden() ? " hidden" : "")] = w->geometry();
    }
    return places;
}

TEST_F(MainDialog, ResizingGrowsTheListAndItsFrameAndLeavesTheControlsOnTheLeft)
{
    CMainDialog& dlg = Open();
    const auto before = ControlPlaces(dlg);
    QWidget* window = dlg.GetWidget();
    window->resize(window->size() + QSize(240, 130));
    fx::testing::ProcessEvents();
    const auto after = ControlPlaces(dlg);
    ASSERT_EQ(after.size(), before.size());
    int grown = 0;
    for (const auto& [name, rect] : before) {
        const QRect now = after.at(name);
        const bool grows = name.rfind("QListView", 0) == 0 || name.rfind("QGroupBox", 0) == 0;
        EXPECT_EQ(now.topLeft(), rect.topLeft()) << name;
        EXPECT_EQ(now.size(), grows ? rect.size() + QSize(240, 130) : rect.size()) << name;
        grown += grows;
    }
    EXPECT_EQ(grown, 2) << "the list and its frame";
}

TEST_F(MainDialog, SizeAndPlaceComeBackInTheNextRunBesideTheSettings)
{
    AppSettings saved;
    saved.u_num_logons = 1;
    ASSERT_TRUE(SaveSettings(saved, "BETA", "Build007"));
    const QRect place(10, 30, 780, 450);  // inside the offscreen screen (800 wide)
    {
        CMainDialog& dlg = Open();
        dlg.GetWidget()->setGeometry(place);
        fx::testing::ProcessEvents();
        m_dlg.reset();
    }
    EXPECT_EQ(LoadWindowGeometry(), (WindowGeometry{10, 30, 780, 450, false}));
    CMainDialog& again = Open();
    EXPECT_EQ(again.GetWidget()->geometry(), place);
    EXPECT_EQ(again.m_settings.u_num_logons, 1) << "the settings are untouched";

    again.GetWidget()->showMaximized();
    fx::testing::ProcessEvents();
    m_dlg.reset();
    const std::optional<WindowGeometry> maximized = LoadWindowGeometry();
    ASSERT_TRUE(maximized);
    EXPECT_TRUE(maximized->maximized);
    EXPECT_EQ(QRect(maximized->left, maximized->top, maximized->width, maximized->height), place)
        << "the size to go back to is kept";
    EXPECT_TRUE(Open().GetWidget()->isMaximized());
}

TEST_F(MainDialog, PlaceThatNoLongerFitsTheScreenIsPulledBackOntoIt)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char* what;
        WindowGeometry saved;
    } cases[] = {
        {"off the bottom right", {screen.right() + 500, screen.bottom() + 400, 900, 500, false}},
        {"wider and taller than the screen", {-300, -200, screen.width() * 2, screen.height() * 2, false}},
        {"smaller than the template", {10, 10, 50, 40, false}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SaveWindowGeometry(c.saved));
        CMainDialog& dlg = Open();
        const QRect now = dlg.GetWidget()->frameGeometry();
        EXPECT_TRUE(screen.contains(now)) << c.what << ": " << now.x() << "," << now.y() << " " << now.width() << "x"
                                          << now.height() << " in " << screen.width() << "x" << screen.height();
        EXPECT_GE(now.width(), dlg.GetWidget()->minimumWidth()) << c.what;
        EXPECT_GE(now.height(), dlg.GetWidget()->minimumHeight()) << c.what;
        m_dlg.reset();
    }
}

TEST_F(MainDialog, SettingsSheetIsAFixedBoxOverTheWindow)
{
    CMainDialog& dlg = Open();
    bool seen = false;
    fx::testing::SetModalHandler([&](CWnd& sheet) {
        QWidget* box = sheet.GetWidget();
        EXPECT_EQ(box->parentWidget(), dlg.GetWidget());
        EXPECT_EQ(box->windowType(), Qt::Dialog);
        EXPECT_EQ(box->minimumSize(), box->maximumSize());
        seen = true;
        sheet.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
    });
    fx::testing::ChooseMenuCommand(dlg, res::ID_TOOLS_SETTINGS);
    EXPECT_TRUE(seen);
}

// A logon count of five digits is wider than its column: the columns after it move
// right on every line, so the last logon never stands under "Acct.Expires".
TEST_F(MainDialog, UsersColumnsNeverSlipUnderTheNextHeading)
{
    std::ifstream in(std::string(APP_TEST_DATADIR) + "/sample-domain.json");
    std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string count = "\"numLogons\": 4821";
    ASSERT_NE(json.find(count), std::string::npos);
    json.replace(json.find(count), count.size(), "\"numLogons\": 48213");
    std::string error;
    m_sim = net::SimNetApi::FromJson(json, error);
    ASSERT_TRUE(m_sim) << error;
    AppSettings settings;
    settings.u_num_logons = 1;
    settings.u_last_logon = 1;
    ASSERT_TRUE(SaveSettings(settings, "BETA", "Build007"));

    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    auto* view = static_cast<fx::ListBoxView*>(dlg.m_listResults.View());
    const std::vector<int> starts = view->ColumnStartsPx();
    const QFontMetrics fm(view->font());
    bool sawFiveDigits = false;
    for (int i = 0; i < dlg.m_listResults.GetCount(); ++i) {
        CString line;
        dlg.m_listResults.GetText(i, line);
        const QStringList fields = QString::fromStdString(line).split(QLatin1Char('\t'));
        for (const QString& field : fields)
            sawFiveDigits = sawFiveDigits || field.trimmed() == QStringLiteral("48213");
        ASSERT_LE(fields.size(), int(starts.size())) << line;
        for (int k = 0; k + 1 < fields.size(); ++k)
            EXPECT_LT(starts[k] + fm.horizontalAdvance(fields[k]), starts[k + 1]) << line << " field " << k;
    }
    EXPECT_TRUE(sawFiveDigits);
    const std::string path = std::string(APP_TEST_OUTDIR) + "/users-five-digit-logons.png";
    ASSERT_TRUE(fx::testing::RenderToPng(dlg, path));
}

TEST_F(MainDialog, RendersToPng)
{
    CMainDialog& dlg = Open();
    fx::testing::Click(dlg, res::IDC_BROWSE);
    ASSERT_TRUE(WaitForBrowse());
    const std::string path = std::string(APP_TEST_OUTDIR) + "/main.png";
    ASSERT_TRUE(fx::testing::RenderToPng(dlg, path));
    EXPECT_TRUE(std::filesystem::file_size(path) > 1000);
    dlg.GetWidget()->resize(dlg.GetWidget()->size() + QSize(300, 200));
    fx::testing::ProcessEvents();
    const std::string larger = std::string(APP_TEST_OUTDIR) + "/main-resized.png";
    ASSERT_TRUE(fx::testing::RenderToPng(dlg, larger));
    EXPECT_TRUE(std::filesystem::file_size(larger) > 1000);
}

}  // namespace
