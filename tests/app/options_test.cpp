// The command line, the smb.conf workgroup and the choice of back end.
#include "app/options.h"
#include "app/startup.h"
#include "platform/net/run_command.h"
#include "platform/net/samba/samba_netapi.h"
#include "platform/net/samba_config.h"
#include "private_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

using namespace app;
using namespace net;

namespace {

EnvLookup Env(std::map<std::string, std::string> vars = {})
{
    return [vars](const std::string& name) -> std::optional<std::string> {
        const auto it = vars.find(name);
        if (it == vars.end())
            return std::nullopt;
        return it->second;
    };
}

CommandLine Parse(std::vector<std::string> args, std::map<std::string, std::string> vars = {})
{
    return ParseCommandLine(args, Env(std::move(vars)));
}

// The source tree's data folder (the test environment may not pass it on).
std::string SourceDataDir()
{
    const char* dir = std::getenv("VELLOX_SOURCE_DATADIR");
    return dir ? dir : VELLOX_TEST_DATADIR;
}

void ExpectUsageError(const CommandLine& result, const std::string& mention)
{
    EXPECT_FALSE(result.run);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_TRUE(result.output.empty());
    EXPECT_NE(result.error.find(mention), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("--help"), std::string::npos) << result.error;
}

}  // namespace

// --- defaults and each option ------------------------------------------------------

TEST(Options, NoArgumentsRunOnSambaWithTheDomainController)
{
    const CommandLine result = Parse({});
    EXPECT_TRUE(result.run);
    EXPECT_EQ(result.options.backend, Backend::Samba);
    EXPECT_TRUE(result.options.server.empty());
    EXPECT_TRUE(result.options.authFile.empty());
}

TEST(Options, ServerInEveryWritingGetsTwoBackslashes)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--server", "\\\\DC1"},
                                                 {"--server", "\\DC1"},
                                                 {"--server", "DC1"},
                                                 {"--server=\\\\DC1"},
                                                 {"--server=DC1"}}) {
        const CommandLine result = Parse(args);
        EXPECT_TRUE(result.run) << args.back();
        EXPECT_EQ(result.options.server, "\\\\DC1") << args.back();
    }
}

TEST(Options, ServerErrors)
{
    ExpectUsageError(Parse({"--server"}), "--server");
    ExpectUsageError(Parse({"--server="}), "--server");
    ExpectUsageError(Parse({"--server", "--demo"}), "--server");
    ExpectUsageError(Parse({"--server", "\\\\"}), "not a server name");
    ExpectUsageError(Parse({"--server", "\\\\srv\\share"}), "not a server name");
    ExpectUsageError(Parse({"--server", "two words"}), "not a server name");
}

TEST(Options, ReportTakesADisplayInAnyCaseAndItsOwnOptions)
{
    const CommandLine result =
        Parse({"--demo", "--report", "users", "--output=/tmp/u.csv", "--format", "csv", "--root", "/srv/"});
    ASSERT_TRUE(result.run) << result.error;
    EXPECT_EQ(result.options.report.display, DisplayType::USERS);
    EXPECT_EQ(result.options.report.output, "/tmp/u.csv");
    EXPECT_EQ(result.options.report.format, ExportMode::Comma);
    EXPECT_EQ(result.options.report.root, "/srv/");
    EXPECT_EQ(result.options.backend, Backend::Sample);
    EXPECT_EQ(Parse({"--report=NETWORK", "--format=tsv"}).options.report.format, ExportMode::Tab);
    EXPECT_EQ(Parse({}).options.report.display, DisplayType::NONE);
}

TEST(Options, ReportErrors)
{
    ExpectUsageError(Parse({"--report"}), "--report");
    ExpectUsageError(Parse({"--report", "PRINTERS"}), "'PRINTERS' is not a display");
    ExpectUsageError(Parse({"--report", "USERS", "--format", "xls"}), "tsv or csv");
    ExpectUsageError(Parse({"--report", "USERS", "--output"}), "--output");
    for (const char* alone : {"--output=x", "--format=csv", "--root=/"})
        ExpectUsageError(Parse({alone}), "works only with --report");
}

TEST(Options, ServerFromTheEnvironmentUnlessGiven)
{
    EXPECT_EQ(Parse({}, {{"VELLOX_SERVER", "\\\\ENVDC"}}).options.server, "\\\\ENVDC");
    EXPECT_EQ(Parse({}, {{"VELLOX_SERVER", "ENVDC"}}).options.server, "\\\\ENVDC");
    EXPECT_EQ(Parse({"--server", "ARGDC"}, {{"VELLOX_SERVER", "ENVDC"}}).options.server, "\\\\ARGDC");
    EXPECT_TRUE(Parse({}, {{"VELLOX_SERVER", ""}}).options.server.empty());
    ExpectUsageError(Parse({}, {{"VELLOX_SERVER", "a\\b"}}), "VELLOX_SERVER");
}

TEST(Options, AuthFileFromOptionOrEnvironment)
{
    EXPECT_EQ(Parse({"--auth-file", "/tmp/a"}).options.authFile, "/tmp/a");
    EXPECT_EQ(Parse({"--auth-file=/tmp/b"}).options.authFile, "/tmp/b");
    EXPECT_EQ(Parse({}, {{"VELLOX_AUTH_FILE", "/tmp/env"}}).options.authFile, "/tmp/env");
    EXPECT_EQ(Parse({"--auth-file", "/tmp/a"}, {{"VELLOX_AUTH_FILE", "/tmp/env"}}).options.authFile, "/tmp/a");
    ExpectUsageError(Parse({"--auth-file"}), "--auth-file");
}

TEST(Options, DemoWithAndWithoutFile)
{
    const CommandLine withFile = Parse({"--demo", "/tmp/my.json"});
    EXPECT_TRUE(withFile.run);
    EXPECT_EQ(withFile.options.backend, Backend::Sample);
    EXPECT_EQ(withFile.options.sampleFile, "/tmp/my.json");
    EXPECT_EQ(Parse({"--demo=/tmp/x.json"}).options.sampleFile, "/tmp/x.json");

    // The next option is no file name.
    const CommandLine withServer = Parse({"--demo", "--server", "VELLOX-BDC"});
    EXPECT_EQ(withServer.options.backend, Backend::Sample);
    EXPECT_EQ(withServer.options.server, "\\\\VELLOX-BDC");
    EXPECT_NE(withServer.options.sampleFile, "--server");
    ExpectUsageError(Parse({"--demo="}), "--demo");
}

TEST(Options, DemoDefaultsToTheShippedSampleDomain)
{
    const std::string sourceData = SourceDataDir();
    const CommandLine result = Parse({"--demo"}, {{"VELLOX_SOURCE_DATADIR", sourceData}});
    EXPECT_EQ(result.options.sampleFile, sourceData + "/sample-domain.json");
    // Run from the build tree without the variable: the compiled-in source folder.
    const std::string fallback = DefaultSampleFile(Env());
    struct stat st { };
    EXPECT_EQ(::stat(fallback.c_str(), &st), 0) << fallback;
}

TEST(Options, DataFolderFromTheEnvironmentIsUsedOnlyWhenItHasTheFile)
{
    const std::string dir = ::testing::TempDir() + "/vellox-data-dir";
    ::mkdir(dir.c_str(), 0700);
    std::remove((dir + "/sample-domain.json").c_str());
    EXPECT_NE(DefaultSampleFile(Env({{"VELLOX_SOURCE_DATADIR", dir}})), dir + "/sample-domain.json");
    std::ofstream(dir + "/sample-domain.json") << "{}";
    EXPECT_EQ(DefaultSampleFile(Env({{"VELLOX_SOURCE_DATADIR", dir}})), dir + "/sample-domain.json");
}

// --- help, version, mistakes -----------------------------------------------------------

TEST(Options, HelpPrintsUsageAndExitsZero)
{
    const CommandLine result = Parse({"--help"});
    EXPECT_FALSE(result.run);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_TRUE(result.error.empty());
    EXPECT_EQ(result.output.rfind("Usage: vellox", 0), 0u);
    for (const char* option : {"--server", "--demo", "--auth-file", "--help", "--version"})
        EXPECT_NE(result.output.find(option), std::string::npos) << option;
}

TEST(Options, VersionPrintsTheVersion)
{
    const CommandLine result = Parse({"--version"});
    EXPECT_FALSE(result.run);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, std::string("vellox ") + VELLOX_EXPECTED_VERSION + "\n");
}

TEST(Options, HelpWinsOverLaterMistakes)
{
    EXPECT_EQ(Parse({"--help", "--bogus"}).exitStatus, 0);
    EXPECT_EQ(Parse({"--bogus", "--help"}).exitStatus, 2);
}

TEST(Options, UnknownOptionsAndArgumentsExitTwo)
{
    ExpectUsageError(Parse({"--bogus"}), "'--bogus'");
    ExpectUsageError(Parse({"-x"}), "'-x'");
    ExpectUsageError(Parse({"--help=yes"}), "--help=yes");
    ExpectUsageError(Parse({"stray"}), "'stray'");
    ExpectUsageError(Parse({"--server", "DC1", "extra"}), "'extra'");
}

TEST(Options, ArgvFormSkipsTheProgramName)
{
    char prog[] = "vellox";
    char opt[] = "--server";
    char name[] = "DC9";
    char* argv[] = {prog, opt, name, nullptr};
    const CommandLine result = ParseCommandLine(3, argv);
    EXPECT_TRUE(result.run);
    EXPECT_EQ(result.options.server, "\\\\DC9");
}

// --- smb.conf ------------------------------------------------------------------------------

TEST(SmbConf, WorkgroupOfTheGlobalSection)
{
    EXPECT_EQ(WorkgroupFromSmbConf("[global]\n   workgroup = VELLOX\n   realm = VELLOX.LAN\n"), "VELLOX");
    EXPECT_EQ(WorkgroupFromSmbConf("[GLOBAL]\nWork Group=Lab\n"), "Lab");
    EXPECT_EQ(WorkgroupFromSmbConf("workgroup = EARLY\n[share]\npath = /srv\n"), "EARLY");
}

TEST(SmbConf, OtherSectionsCommentsAndContinuations)
{
    EXPECT_EQ(WorkgroupFromSmbConf("[homes]\nworkgroup = WRONG\n[global]\n# workgroup = COMMENT\n"), "");
    EXPECT_EQ(WorkgroupFromSmbConf("[global]\n; workgroup = NO\nworkgroup = \\\n  SPLIT\n"), "SPLIT");
    EXPECT_EQ(WorkgroupFromSmbConf("[global]\nworkgroup = FIRST\nworkgroup = LAST\n"), "LAST");
    EXPECT_EQ(WorkgroupFromSmbConf(""), "");
}

// --- back end and start-up server --------------------------------------------------------

TEST(Backend, DemoCreatesTheSampleDomainAndStartsOnItsController)
{
    const CommandLine result = Parse({"--demo"}, {{"VELLOX_SOURCE_DATADIR", SourceDataDir()}});
    Network network = OpenNetwork(result.options, {});
    auto& api = network.api;
    ASSERT_TRUE(api) << network.error;
    std::string server;
    EXPECT_EQ(StartupServer(result.options, *api, server), NERR_Success);
    EXPECT_EQ(server, "\\\\VELLOX-PDC");
}

TEST(Backend, TheGivenServerIsTheStartupServer)
{
    CommandLine result = Parse({"--demo", "--server", "VELLOX-BDC"}, {{"VELLOX_SOURCE_DATADIR", SourceDataDir()}});
    Network network = OpenNetwork(result.options, {});
    auto& api = network.api;
    ASSERT_TRUE(api) << network.error;
    std::string server;
    EXPECT_EQ(StartupServer(result.options, *api, server), NERR_Success);
    EXPECT_EQ(server, "\\\\VELLOX-BDC");
}

TEST(Backend, AMissingSampleFileIsAClearError)
{
    Options options;
    options.backend = Backend::Sample;
    options.sampleFile = "/nonexistent/domain.json";
    const Network network = OpenNetwork(options, {});
    EXPECT_FALSE(network.api);
    EXPECT_NE(network.error.find("/nonexistent/domain.json"), std::string::npos) << network.error;
}

TEST(Backend, AServerThatDoesNotAnswerStillGivesTheLibnetapiRouteAndSaysSo)
{
    // Credentials are there, but nothing answers LDAP or SMB on the loopback.
    const vxtest::PrivateFolder folder;
    const std::string path = folder.Write("route.auth", "username=someone\npassword=secret\ndomain=VELLOX\n");
    ASSERT_FALSE(path.empty());
    Options options;
    options.server = "\\\\127.0.0.1";
    options.authFile = path;
    std::vector<std::string> told;
    StartupHooks hooks;
    hooks.notify = [&](const std::string& message) { told.push_back(message); };
    hooks.askLogon = [](const std::string&) -> std::optional<Credentials> {
        ADD_FAILURE() << "the auth file's credentials need no log-on dialog";
        return std::nullopt;
    };
    const Network network = OpenNetwork(options, hooks);
    ASSERT_TRUE(network.api) << network.error;
    EXPECT_NE(dynamic_cast<SambaNetApi*>(network.api.get()), nullptr);
    EXPECT_EQ(network.route, "libnetapi");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("\\\\127.0.0.1 does not answer"), std::string::npos) << told[0];
}

// --- helper programs ---------------------------------------------------------------------

TEST(HelperPrograms, OutputAndStatusOrNothingPastTheLimit)
{
    const auto done = RunCommand({"sh", "-c", "echo answer; exit 3"});
    ASSERT_TRUE(done);
    EXPECT_EQ(done->output, "answer\n");
    EXPECT_EQ(done->exitStatus, 3);
    EXPECT_FALSE(RunCommand({"no-such-program-of-vellox"}));
    // A command that hangs (here with a child that keeps the output open) is ended at
    // its limit, children included.
    EXPECT_FALSE(RunCommand({"sh", "-c", "sleep 30 & sleep 30"}, std::chrono::milliseconds(200)));
}
