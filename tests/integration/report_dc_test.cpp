// Reports against the local controller: for each display it has, the bytes of File >
// Export in the window; and the failures a report meets on a real network.
#include "app_test_env.h"
#include "private_files.h"

#include "app/main_app.h"
#include "app/report.h"
#include "platform/net/credentials.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace {

// Offscreen windows, before the first one is made.
const bool g_offscreen = ::setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0 && ::unsetenv("QT_QPA_PLATFORMTHEME") == 0;

const char* const kShortName = "\\\\DC1";

std::string Dir()
{
    const char* dir = std::getenv("VELLOX_LOCAL_DC_DIR");
    return dir ? dir : "";
}

std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ReportDc : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_FALSE(Dir().empty()) << "VELLOX_LOCAL_DC_DIR is not set";
        ::setenv("KRB5CCNAME", ("FILE:" + (m_dir / "no-ccache").string()).c_str(), 1);
        net::ResetLogonPromptState();
        AppSettings saved;
        saved.u_disabled = 1;
        saved.g_show_members = 1;
        ASSERT_TRUE(SaveSettings(saved, "BETA", "Build007"));
        m_options.server = kShortName;
        m_options.authFile = Dir() + "/admin.auth";
    }

    std::string Report(DisplayType display, int expectedStatus, std::string& err)
    {
        app::Options options = m_options;
        options.report.display = display;
        std::ostringstream out;
        std::ostringstream said;
        EXPECT_EQ(app::RunReport(options, out, said, false), expectedStatus) << said.str();
        err = said.str();
        return out.str();
    }

    app::Options m_options;
    const vxtest::PrivateFolder m_secrets;
};

TEST_F(ReportDc, EveryDisplayOfTheControllerWritesTheBytesOfFileExport)
{
    std::string error;
    std::unique_ptr<net::NetApi> api(OpenNetworkForWindow(m_options, error));
    ASSERT_TRUE(api) << error;
    m_dlg = std::make_unique<CMainDialog>(*api, m_options);
    ASSERT_TRUE(m_dlg->Create());
    const std::pair<const char*, DisplayType> displays[] = {
        {"USERS", DisplayType::USERS},
        {"GROUPS", DisplayType::GROUPS},
        {"SERVERS", DisplayType::SERVERS},
        {"NETWORK", DisplayType::NETWORK},
    };
    for (const auto& [name, type] : displays) {
        SCOPED_TRACE(name);
        m_dlg->m_shownType = DisplayType::NONE;
        SelectDisplay(name);
        fx::testing::Click(*m_dlg, res::IDC_BROWSE);
        ASSERT_TRUE(WaitUntil([&] { return m_dlg->m_shownType == type && !m_dlg->IsBrowsing(); }));
        const std::filesystem::path path = m_dir / "window-export.txt";
        fx::testing::SetSaveDialogHandler([&](const fx::testing::SaveDialogCall& call) {
            return fx::testing::SaveDialogAnswer{path.string(), call.filterIndex};
        });
        fx::testing::Click(*m_dlg, res::IDC_EXPORT);
        const std::string exported = FileBytes(path);
        EXPECT_GT(std::count(exported.begin(), exported.end(), '\n'), 2) << exported;

        std::string err;
        EXPECT_EQ(Report(type, 0, err), exported);
        EXPECT_EQ(err, "");
    }
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
}

// A refused password and a server that is not there: exit status 1, the reason on
// standard error and nothing on standard output; nothing is asked. (What start-up says
// first goes to the process's standard error, as in the window.)
TEST_F(ReportDc, AReportThatCantLogOnOrReachTheServerFails)
{
    struct Case {
        std::string server;
        std::string password;
        std::vector<std::string> said;
    };
    const Case cases[] = {
        {kShortName, "Not-The-Password-1", {"USERS was not read: the log-on was refused."}},
        {"\\\\192.0.2.99", "", {"USERS of \\\\192.0.2.99 could not be read"}},
    };
    int asked = 0;
    net::SetLogonPrompt([&](const std::string&) -> std::optional<net::Credentials> {
        ++asked;
        return std::nullopt;
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        m_options.server = c.server;
        m_options.authFile =
            c.password.empty()
                ? Dir() + "/admin.auth"
                : m_secrets.Write("auth", "username=Administrator\npassword=" + c.password + "\ndomain=VELLOX\n");
        std::string err;
        EXPECT_EQ(Report(DisplayType::USERS, 1, err), "");
        for (const std::string& words : c.said)
            EXPECT_NE(err.find(words), std::string::npos) << err;
    }
    EXPECT_EQ(asked, 0);
    net::SetLogonPrompt(nullptr);
}

}  // namespace
