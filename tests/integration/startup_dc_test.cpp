// The program's start against the local controller, as a new user meets it: no
// krb5.conf, no Kerberos ticket, no DNS, the controller's CA in no trust store. Each
// usual start opens the window, and a USERS browse lists every account.
#include "app_test_env.h"
#include "private_files.h"

#include "app/main_app.h"
#include "app/startup.h"
#include "platform/net/credentials.h"
#include "platform/net/deferred_netapi.h"
#include "platform/net/directory/directory_netapi.h"
#include "platform/net/samba/samba_netapi.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <latch>
#include <set>

namespace {

// Offscreen windows, before the first one is made.
const bool g_offscreen = ::setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0 && ::unsetenv("QT_QPA_PLATFORMTHEME") == 0;

const char* const kAddress = "\\\\192.0.2.10";
const char* const kShortName = "\\\\DC1";
const char* const kFullName = "\\\\dc1.vellox.test";

// The normal accounts of the populated controller.
const std::set<std::string> kAccounts = {"Administrator", "Guest",         "krbtgt",        "vx.comma",   "vx.disabled",
                                         "vx.expires",    "vx.locked",     "vx.logons",     "vx.member1", "vx.member2",
                                         "vx.mustchange", "vx.noexpire",   "vx.plain",      "vx.profile", "vx.tabbed",
                                         "vx.unlock",     "vx.unlock.dir", "vx.unlock.smb", "vx.writer"};

std::string Dir()
{
    const char* dir = std::getenv("VELLOX_LOCAL_DC_DIR");
    return dir ? dir : "";
}

// A descriptor that turns readable when thread `tid` of this process has ended
// (a thread pidfd), or -1.
int ThreadEndDescriptor(pid_t tid)
{
    constexpr unsigned kPidfdThread = O_EXCL;  // PIDFD_THREAD, newer than these headers
    return static_cast<int>(::syscall(SYS_pidfd_open, tid, kPidfdThread));
}

bool WaitForThreadEnd(int descriptor, std::chrono::milliseconds limit)
{
    pollfd ended{descriptor, POLLIN, 0};
    return ::poll(&ended, 1, static_cast<int>(limit.count())) == 1;
}

std::string Shell(const std::string& command)
{
    return std::system(command.c_str()) == 0 ? std::string() : "failed: " + command;
}

class StartupDc : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_FALSE(Dir().empty()) << "VELLOX_LOCAL_DC_DIR is not set";
        // As on a desktop that was never set up for this domain.
        std::ofstream(m_dir / "krb5.conf").flush();
        ::setenv("KRB5_CONFIG", (m_dir / "krb5.conf").c_str(), 1);
        ::setenv("KRB5CCNAME", ("FILE:" + (m_dir / "no-ccache").string()).c_str(), 1);
        ::unsetenv("LDAPTLS_CACERT");
        net::ResetLogonPromptState();
        net::SetLogonPrompt([this](const std::string&) -> std::optional<net::Credentials> {
            ++m_logonAsked;
            return m_logonAnswer;
        });
    }

    void TearDown() override
    {
        if (m_kdcBlocked)
            CloseKdc(false);
        net::SetLogonPrompt(nullptr);
        MainWindowTest::TearDown();
    }

    // Closes (or opens again) port 88 on the way from this namespace to every host.
    void CloseKdc(bool close)
    {
        const std::string verb = close ? "add" : "del";
        for (const char* proto : {"tcp", "udp"})
            EXPECT_EQ(Shell("ip rule " + verb + " priority 100 ipproto " + proto + " dport 88 table 188"), "");
        EXPECT_EQ(Shell("ip route " + verb + " unreachable default table 188"), "");
        m_kdcBlocked = close;
    }

    std::string AuthFile(const std::string& password)
    {
        const std::string path =
            m_secrets.Write("auth", "username=Administrator\npassword=" + password + "\ndomain=VELLOX\n");
        EXPECT_NE(path, "") << "no private file for the password";
        return path;
    }

    net::Credentials Admin()
    {
        std::string error;
        auto admin = net::ReadAuthFile(Dir() + "/admin.auth", error);
        EXPECT_TRUE(admin) << error;
        return admin.value_or(net::Credentials{});
    }

    // Starts as the program does, opens the window and browses USERS.
    void Start(const std::string& server, const std::string& authFile)
    {
        m_options.server = server;
        m_options.authFile = authFile;
        std::string error;
        m_api.reset(OpenNetworkForWindow(m_options, error));
        ASSERT_TRUE(m_api) << error;
        m_dlg = std::make_unique<CMainDialog>(*m_api, m_options);
        ASSERT_TRUE(m_dlg->Create());
        ASSERT_EQ(m_dlg->m_settings.serverName, server);
    }

    std::set<std::string> BrowsedUsers()
    {
        SelectDisplay("USERS");
        fx::testing::Click(*m_dlg, res::IDC_BROWSE);
        EXPECT_TRUE(WaitForBrowse());
        const auto lines = ListLines();
        std::set<std::string> names;
        for (std::size_t i = 2; i + 1 < lines.size(); ++i)
            names.insert(lines[i].substr(0, lines[i].find('\t')));
        return names;
    }

    // The way the directory is bound, or nullopt on the libnetapi route.
    std::optional<net::DirectoryBind> Bind() const
    {
        if (const auto* directory = dynamic_cast<net::DirectoryNetApi*>(m_api.get()))
            return directory->Bind();
        EXPECT_NE(dynamic_cast<net::SambaNetApi*>(m_api.get()), nullptr);
        return std::nullopt;
    }

    app::Options m_options;
    std::unique_ptr<net::NetApi> m_api;
    std::optional<net::Credentials> m_logonAnswer;
    int m_logonAsked = 0;
    bool m_kdcBlocked = false;
    const vxtest::PrivateFolder m_secrets;
};

// By address, short name and full name the password gets a ticket from the named
// server's KDC; no certificate is needed, and nothing is said.
TEST_F(StartupDc, EveryNameOfTheServerGoesByKerberosFromThePassword)
{
    for (const char* server : {kAddress, kShortName, kFullName}) {
        SCOPED_TRACE(server);
        Start(server, Dir() + "/admin.auth");
        EXPECT_EQ(Bind(), net::DirectoryBind::KerberosPassword);
        EXPECT_TRUE(m_messages.empty()) << m_messages.front();
        EXPECT_EQ(BrowsedUsers(), kAccounts);
        EXPECT_EQ(m_logonAsked, 0);
        m_dlg.reset();
        ASSERT_TRUE(WaitForWorkers());
    }
}

// Without the KDC: LDAPS for the name the user gave when its CA is known, else
// libnetapi and one message that says what would enable the directory.
TEST_F(StartupDc, WithoutTheKdcLdapsOrLibnetapiAndTheWindowOpens)
{
    CloseKdc(true);
    Start(kFullName, Dir() + "/admin.auth");
    EXPECT_EQ(Bind(), std::nullopt);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("LDAPTLS_CACERT"), std::string::npos) << m_messages[0];
    EXPECT_EQ(BrowsedUsers(), kAccounts);

    m_dlg.reset();
    ASSERT_TRUE(WaitForWorkers());
    m_messages.clear();
    ::setenv("LDAPTLS_CACERT", (Dir() + "/private/tls/ca.pem").c_str(), 1);
    Start(kFullName, Dir() + "/admin.auth");
    EXPECT_EQ(Bind(), net::DirectoryBind::Ldaps);
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
    EXPECT_EQ(BrowsedUsers(), kAccounts);

    // The certificate names dc1.vellox.test: by short name LDAPS must refuse it.
    m_dlg.reset();
    ASSERT_TRUE(WaitForWorkers());
    Start(kShortName, Dir() + "/admin.auth");
    EXPECT_EQ(Bind(), std::nullopt);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("certificate"), std::string::npos) << m_messages[0];
}

TEST_F(StartupDc, AWrongPasswordIsSaidAndTheLogOnDialogAsksOnce)
{
    m_logonAnswer = Admin();
    Start(kAddress, AuthFile("Not-The-Password-1"));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("password of Administrator was refused"), std::string::npos) << m_messages[0];
    EXPECT_EQ(m_logonAsked, 1);
    EXPECT_EQ(Bind(), net::DirectoryBind::KerberosPassword);
    EXPECT_EQ(BrowsedUsers(), kAccounts);
}

// With neither an auth file nor a ticket the log-on dialog asks once, before the
// window, and its password gets the ticket.
TEST_F(StartupDc, WithoutCredentialsTheLogOnDialogAsksOnceBeforeTheWindow)
{
    m_logonAnswer = Admin();
    Start(kShortName, "");
    EXPECT_EQ(m_logonAsked, 1);
    EXPECT_EQ(Bind(), net::DirectoryBind::KerberosPassword);
    EXPECT_EQ(BrowsedUsers(), kAccounts);
    EXPECT_EQ(m_logonAsked, 1);
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
}

// LDAPTLS_REQCERT=never (read once, when libldap starts) never weakens the check.
TEST_F(StartupDc, RequireCertNeverStillRefusesAForeignCertificate)
{
    const std::string ca = (m_dir / "foreign-ca.pem").string();
    ASSERT_EQ(Shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Foreign-CA -keyout '" +
                    (m_dir / "key.pem").string() + "' -out '" + ca + "' 2>/dev/null"),
              "");
    ::setenv("LDAPTLS_REQCERT", "never", 1);
    ::setenv("LDAPTLS_CACERT", ca.c_str(), 1);
    CloseKdc(true);
    Start(kFullName, Dir() + "/admin.auth");
    EXPECT_EQ(Bind(), std::nullopt);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("could not be verified against " + ca), std::string::npos) << m_messages[0];
    ::unsetenv("LDAPTLS_REQCERT");
}

// A server that takes the connection but never answers holds the start back no longer
// than the time limit; the attempt ends on its own once the server goes away.
TEST_F(StartupDc, ASilentServerIsLeftBehindAtTheTimeLimit)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(389);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(::listen(listener, 4), 0);  // connections wait in the backlog, unanswered

    app::Options options;
    options.server = "\\\\127.0.0.1";
    options.authFile = Dir() + "/admin.auth";
    std::vector<std::string> told;
    app::StartupHooks hooks;
    hooks.notify = [&](const std::string& message) { told.push_back(message); };
    hooks.limit = std::chrono::milliseconds(300);
    const app::Network network = app::OpenNetwork(options, hooks);
    ASSERT_NE(dynamic_cast<net::SambaNetApi*>(network.api.get()), nullptr);
    EXPECT_EQ(network.route, "libnetapi (start-up time limit)");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("did not answer within"), std::string::npos) << told[0];
    EXPECT_TRUE(app::StartupWorkRunning());

    ::close(listener);  // resets the waiting connection
    EXPECT_TRUE(WaitForWorkers());
    EXPECT_FALSE(app::StartupWorkRunning());
}

// The window opens while start-up still waits (here in the log-on dialog). A USERS
// browse started meanwhile waits inside its worker and Stop ends it there; once start-up
// is done, a browse lists the accounts.
TEST_F(StartupDc, TheWindowOpensBeforeStartUpIsDone)
{
    std::latch asked(1);
    std::latch answer(1);
    net::SetLogonPrompt([&](const std::string&) -> std::optional<net::Credentials> {
        asked.count_down();
        answer.wait();
        return Admin();
    });
    m_options.server = kShortName;
    m_options.authFile = "";
    auto* deferred = dynamic_cast<net::DeferredNetApi*>(OpenNetworkBehindWindow(m_options));
    ASSERT_NE(deferred, nullptr);
    m_api.reset(deferred);
    asked.wait();
    m_dlg = std::make_unique<CMainDialog>(*m_api, m_options);
    ASSERT_TRUE(m_dlg->Create());
    EXPECT_TRUE(m_dlg->IsWindowVisible());
    EXPECT_FALSE(deferred->Opened());

    pid_t worker = 0;
    m_dlg->SetPrioritySetter([&](pid_t tid, int delta) {
        worker = tid;
        return SetThreadNiceDelta(tid, delta);
    });
    SelectDisplay("USERS");
    fx::testing::Click(*m_dlg, res::IDC_BROWSE);
    EXPECT_TRUE(m_dlg->IsBrowsing());
    const int workerEnd = ThreadEndDescriptor(worker);  // the worker waits: it is there
    ASSERT_GE(workerEnd, 0) << std::strerror(errno);
    fx::testing::Click(*m_dlg, res::IDC_STOP);
    EXPECT_TRUE(WaitForThreadEnd(workerEnd, std::chrono::seconds(20))) << "the stopped worker left its wait";
    ::close(workerEnd);
    EXPECT_EQ(RunningWorkerThreads(), 0);
    EXPECT_FALSE(deferred->Opened());

    answer.count_down();
    EXPECT_EQ(BrowsedUsers(), kAccounts);
    EXPECT_TRUE(deferred->Opened());
}

}  // namespace
