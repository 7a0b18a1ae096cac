// Reports on the sample domain: the same bytes as File > Export for every display, the
// failures that give exit status 1, and the window's own start on a bad sample file.
#include "app_test_env.h"

#include "app/main_app.h"
#include "app/report.h"
#include "export/export_file.h"
#include "res/browse_strings.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

namespace {

std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Report : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // Columns, members, shares and the export type away from their defaults, so that
        // the report is seen to take them from the settings file.
        m_tree = m_dir / "tree";
        std::filesystem::create_directories(m_tree / "sub");
        std::ofstream(m_tree / "a.txt") << "twelve bytes";
        std::ofstream(m_tree / "sub" / "b.txt") << "x";
        AppSettings saved;
        saved.u_disabled = 1;
        saved.u_num_logons = 1;
        saved.g_show_members = 1;
        saved.n_Shares_Disk = 1;
        saved.s_DC = 0;
        saved.f_root_path = m_tree.string() + "/";
        saved.x_export_type = 1;
        ASSERT_TRUE(SaveSettings(saved, "BETA", "Build007"));
    }

    app::Options ReportOptions(DisplayType display) const
    {
        app::Options options = SampleOptions();
        options.sampleFile = std::string(APP_TEST_DATADIR) + "/sample-domain.json";
        options.report.display = display;
        return options;
    }

    // Browse in the window, then File > Export with the save dialog's filter `filter`
    // (0: the one it opens on).
    std::string WindowExport(const char* display, DisplayType type, int filter)
    {
        m_dlg->m_shownType = DisplayType::NONE;
        SelectDisplay(display);
        fx::testing::Click(*m_dlg, res::IDC_BROWSE);
        EXPECT_TRUE(WaitUntil([&] { return m_dlg->m_shownType == type && !m_dlg->IsBrowsing(); }));
        const std::filesystem::path path = m_dir / "window-export.txt";
        fx::testing::SetSaveDialogHandler([&](const fx::testing::SaveDialogCall& call) {
            return fx::testing::SaveDialogAnswer{path.string(), filter != 0 ? filter : call.filterIndex};
        });
        fx::testing::Click(*m_dlg, res::IDC_EXPORT);
        return FileBytes(path);
    }

    std::filesystem::path m_tree;
};

TEST_F(Report, EveryDisplayWritesTheBytesOfFileExport)
{
    struct Case {
        const char* name;
        DisplayType type;
        std::optional<ExportMode> format;  // --format; the window's filter follows it
    };
    const Case cases[] = {
        {"USERS", DisplayType::USERS, std::nullopt},        {"GROUPS", DisplayType::GROUPS, std::nullopt},
        {"SERVERS", DisplayType::SERVERS, std::nullopt},    {"FILES", DisplayType::FILES, std::nullopt},
        {"NETWORK", DisplayType::NETWORK, std::nullopt},    {"USERS", DisplayType::USERS, ExportMode::Tab},
        {"GROUPS", DisplayType::GROUPS, ExportMode::Comma},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.format ? " with --format" : ""));
        const int filter = !c.format ? 0 : *c.format == ExportMode::Comma ? 2 : 1;
        const std::string exported = WindowExport(c.name, c.type, filter);
        ASSERT_GT(std::count(exported.begin(), exported.end(), '\n'), 1) << exported;

        app::Options options = ReportOptions(c.type);
        options.report.format = c.format;
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(app::RunReport(options, out, err, false), 0) << err.str();
        EXPECT_EQ(out.str(), exported);
        EXPECT_EQ(err.str(), "");

        options.report.output = (m_dir / "report-output").string();
        std::ostringstream none;
        EXPECT_EQ(app::RunReport(options, none, err, false), 0) << err.str();
        EXPECT_EQ(FileBytes(options.report.output), exported);
        EXPECT_EQ(none.str(), "");
    }
    EXPECT_TRUE(m_messages.empty());
}

// A list that can't be read fails with its reason, whatever the display.
TEST_F(Report, AListThatCantBeReadFailsWithItsReason)
{
    struct Case {
        DisplayType type;
        const char* failingCall;
        std::string reason;
    };
    const Case cases[] = {
        {DisplayType::USERS, "UserEnum", "USERS of \\\\VELLOX-PDC could not be read: Access is denied."},
        {DisplayType::GROUPS, "GroupEnum", "GROUPS of \\\\VELLOX-PDC could not be read: Access is denied."},
        {DisplayType::SERVERS, "ServerEnum", std::string("SERVERS of \\\\VELLOX-PDC: ") + res::STR_NO_SERVERS},
        {DisplayType::FILES, nullptr, "FILES: the folder /no/such/folder/ could not be listed."},
    };
    AppSettings settings;
    settings.serverName = "\\\\VELLOX-PDC";
    settings.f_root_path = "/no/such/folder/";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        if (c.failingCall)
            m_sim->FailCall(c.failingCall, net::ERROR_ACCESS_DENIED);
        EXPECT_EQ(app::BrowseForReport(c.type, *m_sim, settings, {}).error, c.reason);
        EXPECT_EQ(app::BrowseForReport(c.type, *m_sim, settings, {}, [](std::uint64_t) {}).error, c.reason);
    }
}

// A list that can't be read leaves the output file as it was and writes nothing to
// standard output.
TEST_F(Report, AFailedReportLeavesTheOutputAlone)
{
    const std::filesystem::path kept = m_dir / "kept.txt";
    std::ofstream(kept) << "last week's list\n";
    app::Options options = ReportOptions(DisplayType::FILES);
    options.report.root = "/no/such/folder/";
    options.report.output = kept.string();
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(app::RunReport(options, out, err, false), 1);
    EXPECT_EQ(err.str(), "vellox: FILES: the folder /no/such/folder/ could not be listed.\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(FileBytes(kept), "last week's list\n");
}

// One line past the table limit makes the list incomplete, and the report fails.
TEST_F(Report, AListCutShortByTheTableLimitFails)
{
    ResultTable table;
    for (std::size_t i = 0; i < kLineCapacity; ++i)
        AddResultLine(table.userLines, "u");
    EndLines(table.userLines);
    EXPECT_FALSE(app::ListCutShort(WorkerKind::USERS, table)) << "the limit itself still fits";
    table.userLines.pop_back();
    EXPECT_FALSE(AddResultLine(table.userLines, "u"));
    EndLines(table.userLines);
    EXPECT_TRUE(app::ListCutShort(WorkerKind::USERS, table));
    EXPECT_FALSE(app::ListCutShort(WorkerKind::NETWORK, table));
    table.networkFull = true;
    EXPECT_TRUE(app::ListCutShort(WorkerKind::NETWORK, table));
}

// Started from a desktop launcher nobody reads standard error: a sample file that
// can't be read is shown in a box, with the system's reason.
TEST_F(Report, ASampleFileThatCantBeReadIsShownInABoxBeforeTheEnd)
{
    std::ofstream(m_dir / "broken.json") << "{ not json";
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {m_dir / "missing.json", ": No such file or directory."},
        {m_dir, ": Is a directory."},
        {m_dir / "broken.json", " is not valid: "},
    };
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(file);
        m_messages.clear();
        app::Options options = SampleOptions();
        options.sampleFile = file.string();
        CMainApp app(options);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.ExitInstance(), 1);
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_NE(m_messages[0].find(file.string() + reason), std::string::npos) << m_messages[0];
    }
}

}  // namespace
