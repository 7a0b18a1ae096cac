// The USERS, GROUPS and SERVERS lists a browse shows for the local controller, byte for
// byte. The expected text is built here from what `scripts/local-dc populate` created
// (the Account and Group records below), never from what the server answered, so a
// back end that reads a field wrongly and a line builder that formats it wrongly both
// show up as a differing line.
#include "expected_user_line.h"
#include "samba_dc_fixture.h"

#include "browse/list_step.h"
#include "enum/groups_lines.h"
#include "enum/network_walk.h"
#include "enum/servers_list.h"
#include "enum/users_lines.h"
#include "platform/net/directory/directory_netapi.h"
#include "platform/net/discovery/netbios_browse.h"
#include "platform/threads/owned_threads.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

using namespace net;
using vxtest::Account;
using vxtest::ExpectedUserLine;
using vxtest::Plain;
using vxtest::SambaDc;

namespace {

const std::string kSeparator(223, '=');

std::vector<Account> PopulatedAccounts()
{
    std::vector<Account> accounts;
    accounts.push_back(Plain("vx.plain", "Plain User"));
    accounts.push_back(Plain("vx.disabled", "Disabled User"));
    accounts.back().disabled = true;
    accounts.push_back(Plain("vx.noexpire", "Never Expires"));
    accounts.back().passwordNeverExpires = true;
    accounts.push_back(Plain("vx.mustchange", "Must Change"));
    accounts.back().mustChange = true;
    accounts.push_back(Plain("vx.profile", "Profile User"));
    accounts.back().profile = "\\\\dc1\\profiles\\vx.profile";
    accounts.back().script = "logon.cmd";
    accounts.push_back(Plain("vx.comma", "Doe, Jane"));
    accounts.push_back(Plain("vx.expires", "Expiring User"));
    accounts.back().expires = true;
    accounts.push_back(Plain("vx.logons", "Frequent User"));
    accounts.back().logons = 7;
    accounts.back().lastLogon = "Tue Mar 05 14:07:09 2024 ";
    accounts.push_back(Plain("vx.tabbed", "Tab here"));
    return accounts;
}

AppSettings AllOff()
{
    AppSettings s;
    for (const auto& value : kSettingsValues) {
        if (value.flag != nullptr)
            s.*(value.flag) = 0;
    }
    s.serverName = vxtest::kServer;
    return s;
}

AppSettings Defaults()
{
    AppSettings s;
    s.serverName = vxtest::kServer;
    return s;
}

AppSettings AllUsersColumns()
{
    AppSettings s = Defaults();
    s.u_user_id = s.u_user_name = s.u_num_logons = s.u_last_logon = s.u_expires = s.u_disabled = 1;
    s.u_pw_check = s.u_max_storage = s.u_profile_check = s.u_script_check = s.u_pass_expires = 1;
    return s;
}

// The lines that start with `prefix`.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    }
    return found;
}

class SambaDisplayLines : public SambaDc {
protected:
    // The USERS list a browse with `settings` shows.
    ListContent UsersList(const AppSettings& settings)
    {
        ResultTable table;
        int entryCount = -1;
        UsersLines(m_api, settings, table.userLines, entryCount, std::stop_token{});
        const bool failed = table.userLines.front() == "Could not enumerate domain.";
        EXPECT_EQ(entryCount, failed ? 0 : static_cast<int>(table.userLines.size()) - 1);
        return BuildList(WorkerKind::USERS, std::move(table), settings);
    }

    ListContent GroupsList(const AppSettings& settings)
    {
        ResultTable table;
        GroupsLines(m_api, settings, table.groupLines, std::stop_token{});
        return BuildList(WorkerKind::GROUPS, std::move(table), settings);
    }

    std::size_t NormalAccountCount()
    {
        std::vector<USER_INFO_0> users;
        EXPECT_EQ(m_api.UserEnum(vxtest::kServer, FILTER_NORMAL_ACCOUNT, users), NERR_Success);
        return users.size();
    }

    void ExpectUserLines(const AppSettings& settings, const std::string& header, const std::vector<int>& stops)
    {
        ListContent list = UsersList(settings);
        EXPECT_EQ(list.shownType, DisplayType::USERS);
        EXPECT_EQ(list.tabStops, stops);
        ASSERT_GE(list.lines.size(), 4u);
        EXPECT_EQ(list.lines.front(), header);
        EXPECT_EQ(list.lines[1], kSeparator);
        EXPECT_EQ(list.lines.back(), kSeparator);
        const std::size_t accounts = NormalAccountCount();
        EXPECT_EQ(list.lines.size(), accounts + 3);
        EXPECT_EQ(list.entryCount, static_cast<int>(accounts));
        for (const Account& account : PopulatedAccounts()) {
            EXPECT_THAT(LinesStartingWith(list.lines, account.name + "\t"),
                        ::testing::ElementsAre(ExpectedUserLine(account, settings)))
                << account.name;
        }
    }
};

// --- USERS ----------------------------------------------------------------------------

TEST_F(SambaDisplayLines, UsersWithTheDefaultColumns)
{
    ExpectUserLines(Defaults(), "UserName\tFull Name\tAcct.Expires\tMax.Stg.\t", {70, 150, 200, 250});
}

TEST_F(SambaDisplayLines, UsersWithEveryColumn)
{
    ExpectUserLines(AllUsersColumns(),
                    "UserName\tFull Name\tLogons\tLast Logon\tAcct.Expires\tDisabled\tHas PW\tMax.Stg.\tProfile\t"
                    "Script\tPW Expires\t",
                    {70, 150, 180, 275, 325, 355, 385, 435, 465, 495, 545});
}

// What the settings sheet can reach: everything off but the name column.
TEST_F(SambaDisplayLines, UsersWithOnlyTheNameColumn)
{
    AppSettings s = AllOff();
    s.u_user_id = 1;
    ExpectUserLines(s, "UserName\t", {70});
}

// Only through the settings file: the name column unlabelled, its stop kept.
TEST_F(SambaDisplayLines, UsersWithEverySettingOff)
{
    ExpectUserLines(AllOff(), "\t", {70});
}

TEST_F(SambaDisplayLines, EveryLineIsOneLineWithItsFields)
{
    const AppSettings settings = AllUsersColumns();
    ListContent list = UsersList(settings);
    for (std::size_t i = 2; i + 1 < list.lines.size(); ++i) {
        const std::string& line = list.lines[i];
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 11) << line;
    }
}

TEST_F(SambaDisplayLines, UnknownServerListsTheFailureLine)
{
    AppSettings s = Defaults();
    s.serverName = "\\\\192.0.2.20";  // on the link, never answers
    ListContent list = UsersList(s);
    EXPECT_EQ(list.lines, (std::vector<std::string>{"UserName\tFull Name\tAcct.Expires\tMax.Stg.\t", kSeparator,
                                                    "Could not enumerate domain.", kSeparator}));
    EXPECT_EQ(list.entryCount, 1);
}

// --- GROUPS ---------------------------------------------------------------------------

struct Group {
    std::string name;
    std::string comment;  // as shown
    std::set<std::string> members;
};

const std::vector<Group> kGroups = {
    {"vx-staff", "Staff of the test domain", {"vx.plain", "vx.comma", "vx.writer"}},
    {"vx-empty", "No members", {}},
    {"vx-bare", "", {"vx.logons"}},
    {"vx-lines", "First line  second line", {"vx.tabbed"}},
};

std::string ExpectedGroupLine(const Group& g, const AppSettings& s)
{
    std::string line;
    if (s.g_groupname)
        line += g.name + "\t";
    if (s.g_comments)
        line += g.comment + "\t";
    return line;
}

// The member lines that follow the line of `group` (found by its name and TAB).
std::vector<std::string> MemberLinesAfter(const std::vector<std::string>& lines, const std::string& group)
{
    auto at =
        std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(group + "\t", 0) == 0; });
    std::vector<std::string> members;
    if (at == lines.end())
        return members;
    for (++at; at != lines.end() && !at->empty() && at->front() == '\t'; ++at)
        members.push_back(*at);
    return members;
}

TEST_F(SambaDisplayLines, GroupsWithMembersAndComments)
{
    AppSettings s = Defaults();
    s.g_show_members = 1;
    ListContent list = GroupsList(s);
    EXPECT_EQ(list.shownType, DisplayType::GROUPS);
    EXPECT_EQ(list.tabStops, (std::vector<int>{0, 75}));
    ASSERT_GE(list.lines.size(), 4u);
    EXPECT_EQ(list.lines[0], "Name\tComment\t");
    EXPECT_EQ(list.lines[1], kSeparator);
    EXPECT_EQ(list.lines.back(), kSeparator);
    EXPECT_EQ(list.entryCount, static_cast<int>(list.lines.size()) - 3);
    for (const Group& group : kGroups) {
        std::vector<std::string> expected;
        for (const std::string& member : group.members)
            expected.push_back("\t" + member);
        EXPECT_THAT(LinesStartingWith(list.lines, group.name + "\t"),
                    ::testing::ElementsAre(ExpectedGroupLine(group, s)));
        EXPECT_THAT(MemberLinesAfter(list.lines, group.name), ::testing::UnorderedElementsAreArray(expected))
            << group.name;
    }
    // vx-staff: its line and three member lines, one after another.
    auto staff = std::find(list.lines.begin(), list.lines.end(), "vx-staff\tStaff of the test domain\t");
    ASSERT_NE(staff, list.lines.end());
    ASSERT_GE(list.lines.end() - staff, 5);
    EXPECT_EQ(std::count_if(staff + 1, staff + 4, [](const std::string& l) { return l.front() == '\t'; }), 3);
    EXPECT_NE(staff[4].front(), '\t');
}

TEST_F(SambaDisplayLines, GroupsByDefaultHaveNoMemberLines)
{
    const AppSettings s = Defaults();
    ListContent list = GroupsList(s);
    for (const Group& group : kGroups) {
        EXPECT_THAT(LinesStartingWith(list.lines, group.name + "\t"),
                    ::testing::ElementsAre(ExpectedGroupLine(group, s)));
    }
    EXPECT_TRUE(LinesStartingWith(list.lines, "\t").empty());
    std::vector<GROUP_INFO_0> groups;
    ASSERT_EQ(m_api.GroupEnum(vxtest::kServer, groups), NERR_Success);
    EXPECT_EQ(list.entryCount, static_cast<int>(groups.size()));
}

TEST_F(SambaDisplayLines, GroupsWithoutComments)
{
    AppSettings s = Defaults();
    s.g_comments = 0;
    ListContent list = GroupsList(s);
    for (const Group& group : kGroups) {
        EXPECT_THAT(LinesStartingWith(list.lines, group.name + "\t"), ::testing::ElementsAre(group.name + "\t"));
    }
}

// Every flag off: one empty line per group, still listed and counted; the header stays.
TEST_F(SambaDisplayLines, GroupsWithEverySettingOff)
{
    ListContent list = GroupsList(AllOff());
    std::vector<GROUP_INFO_0> groups;
    ASSERT_EQ(m_api.GroupEnum(vxtest::kServer, groups), NERR_Success);
    ASSERT_EQ(list.lines.size(), groups.size() + 3);
    EXPECT_EQ(list.lines[0], "Name\tComment\t");
    for (std::size_t i = 2; i + 1 < list.lines.size(); ++i)
        EXPECT_EQ(list.lines[i], "") << i;
    EXPECT_EQ(list.entryCount, static_cast<int>(groups.size()));
}

// --- SERVERS --------------------------------------------------------------------------

struct ServerColumn {
    const char* label;
    std::uint32_t bit;
};

const ServerColumn kColumns[] = {
    {"Wkst", 0x1},   {"Srv", 0x2},      {"SQL", 0x4},      {"DC", 0x8},     {"BDC", 0x10},    {"AFP", 0x40},
    {"Nvll", 0x80},  {"Dmem", 0x100},   {"PQs", 0x200},    {"Dial", 0x400}, {"Unx", 0x800},   {"NT", 0x1000},
    {"WFW", 0x2000}, {"MFPN", 0x4000},  {"NTS", 0x8000},   {"PB", 0x10000}, {"BkB", 0x20000}, {"MsB", 0x40000},
    {"DM", 0x80000}, {"OSF", 0x100000}, {"VMS", 0x200000},
};
const std::set<std::string> kDefaultColumns = {"Wkst", "SQL", "DC",  "BDC", "AFP", "PQs", "Unx", "NT",
                                               "NTS",  "PB",  "BkB", "MsB", "DM",  "OSF", "VMS"};

// The role bits the controller's server information gives (a Samba 4.17 DC: workstation,
// server, print queues, Unix, NT, NT server, DFS), and the controller bit, since the
// domain names it as its primary controller.
constexpr std::uint32_t kControllerBits = 0x00809a03u | SV_TYPE_DOMAIN_CTRL;
// VXWS1 never answers: the bits of its workstation account.
constexpr std::uint32_t kWorkstationBits = SV_TYPE_WORKSTATION | SV_TYPE_DOMAIN_MEMBER;

std::string ExpectedHeader(const std::set<std::string>& shown)
{
    std::string header = "Name\t";
    for (const ServerColumn& c : kColumns)
        if (shown.count(c.label))
            header += std::string(c.label) + "\t";
    return header;
}

std::string ExpectedRow(const std::string& name, std::uint32_t bits, const std::set<std::string>& shown)
{
    std::string row = name + "\t";
    for (const ServerColumn& c : kColumns)
        if (shown.count(c.label))
            row += (bits & c.bit) ? "X\t" : "-\t";
    return row;
}

std::vector<int> ServersStops()
{
    std::vector<int> stops;
    for (int stop = 90; stop <= 815; stop += 25)
        stops.push_back(stop);
    return stops;
}

void ExpectServers(const ListContent& list, const std::set<std::string>& shown)
{
    EXPECT_EQ(list.shownType, DisplayType::SERVERS);
    EXPECT_EQ(list.tabStops, ServersStops());
    EXPECT_EQ(list.lines,
              (std::vector<std::string>{ExpectedHeader(shown), kSeparator, ExpectedRow("DC1", kControllerBits, shown),
                                        ExpectedRow("VXWS1", kWorkstationBits, shown), kSeparator}));
    EXPECT_EQ(list.entryCount, 2);
    EXPECT_EQ(list.messageText, nullptr);
}

// The SERVERS list asks this computer's browser, which on a member of the domain finds
// the primary controller through DNS. The client namespace has no DNS by design, so
// here the controller stands in for that browser: what it answers is what a member
// of the domain would list.
class ControllerAsBrowser : public SambaNetApi {
public:
    ControllerAsBrowser() : SambaNetApi(vxtest::AdminConnection()) { }
    Status ServerEnum(const std::string& server, std::uint32_t serverType, const std::string& domain,
                      std::vector<SERVER_INFO_101>& out, std::uint32_t& totalEntries) override
    {
        m_askedServers.push_back(server);
        return SambaNetApi::ServerEnum(server.empty() ? vxtest::kServer : server, serverType, domain, out,
                                       totalEntries);
    }
    std::vector<std::string> m_askedServers;
};

TEST_F(SambaDisplayLines, ServersWithTheDefaultColumns)
{
    ControllerAsBrowser api;
    ExpectServers(ServersList(api, Defaults()), kDefaultColumns);
    EXPECT_EQ(api.m_askedServers, std::vector<std::string>{""}) << "this computer's browser, asked once";
}

TEST_F(SambaDisplayLines, ServersWithEveryColumn)
{
    AppSettings s = Defaults();
    s.s_TYPE = s.s_NOVELL = s.s_DOMMEM = s.s_DIALIN = s.s_WFW = s.s_MFPN = 1;
    std::set<std::string> all;
    for (const ServerColumn& c : kColumns)
        all.insert(c.label);
    ControllerAsBrowser api;
    ExpectServers(ServersList(api, s), all);
}

TEST_F(SambaDisplayLines, ServersWithEverySettingOff)
{
    ControllerAsBrowser api;
    ExpectServers(ServersList(api, AllOff()), {});
}

// The server box names another server: the list is still the local domain's.
TEST_F(SambaDisplayLines, ServersIgnoreTheChosenServer)
{
    AppSettings s = Defaults();
    s.serverName = "\\\\192.0.2.20";
    ControllerAsBrowser api;
    ExpectServers(ServersList(api, s), kDefaultColumns);
    EXPECT_EQ(api.m_askedServers, std::vector<std::string>{""});
}

// This computer is no domain member (its browser finds no controller): the current
// server is asked for its domain. When that fails too: an empty header, the message
// line, the separators, and no rows counted.
TEST_F(SambaDisplayLines, ServersWithoutABrowserToAsk)
{
    ExpectServers(ServersList(m_api, Defaults()), kDefaultColumns);
    AppSettings silent = Defaults();
    silent.serverName = "\\\\127.0.0.1";
    ListContent list = ServersList(m_api, silent);
    EXPECT_EQ(list.lines, (std::vector<std::string>{"", kSeparator, "Could not locate any servers.", kSeparator}));
    EXPECT_EQ(list.entryCount, 0);
    EXPECT_EQ(list.tabStops, ServersStops());
}

// NETWORK through both routes, byte for byte: the provider, the domain, the controller
// with its shares (the printer queue the test controller defines, no '$' share), the
// computer whose machine never answers, without shares, the workgroup that only
// NetBIOS browsing finds, with the master browser that lists it and that server's share,
// and the hosts that announce themselves: the controller once (its wsdd names its
// domain), a host of another workgroup (WS-Discovery) and one only DNS-SD finds. Those
// two offer no shares.
TEST_F(SambaDisplayLines, NetworkWithEveryKindOfEntry)
{
    std::string error;
    auto directory = CreateDomainNetApi(vxtest::kServer, vxtest::AdminConnection().credentials,
                                        std::make_unique<SambaNetApi>(vxtest::AdminConnection()), &error);
    ASSERT_NE(dynamic_cast<DirectoryNetApi*>(directory.get()), nullptr) << error;
    // The master browser's list can come some time after the fixture started it; that is
    // the fixture's readiness, waited for here (each asking takes a few tenths of a second).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    for (std::vector<std::string> workgroups;
         NetbiosBrowseList("", workgroups) != NERR_Success ||
         std::find(workgroups.begin(), workgroups.end(), "VXLAN") == workgroups.end();)
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the master browser never listed VXLAN";
    AppSettings s = Defaults();
    s.n_Net_Types = s.n_Domains = s.n_Domain_Members = s.n_Shares_Disk = s.n_Shares_Printer = 1;
    const std::vector<std::string> expected = {
        "Network\tDomain\tResource\tResource type",
        kSeparator,
        "SMB Network\t\t\tProvider",
        "\tVELLOX\t\tDomain",
        "\t\t\\\\DC1\tServer",
        "\t\t\\\\DC1\\sysvol\tDisk",
        "\t\t\\\\DC1\\netlogon\tDisk",
        "\t\t\\\\DC1\\vxprinter\tPrinter",
        "\t\t\\\\VXWS1\tServer",
        "\tVXLAN\t\tDomain",
        "\t\t\\\\NB1\tServer",
        "\t\t\\\\NB1\\public\tDisk",
        "\tWSGROUP\t\tDomain",
        "\t\t\\\\WSHOST\tServer",
        "\tLOCAL\t\tDomain",
        "\t\t\\\\macbox\tServer",
        kSeparator,
    };
    for (NetApi* api : {static_cast<NetApi*>(&m_api), directory.get()}) {
        SCOPED_TRACE(api == &m_api ? "libnetapi" : "directory");
        ResultTable table;
        NetworkWalkOptions options;
        options.wantShares = true;
        WalkNetwork(std::make_shared<NetworkRouter>(*api, vxtest::kServer), table, options, std::stop_token());
        EXPECT_EQ(BuildList(WorkerKind::NETWORK, std::move(table), s).lines, expected);
    }
}

// A stopped browse sends nothing more through either route: each call answers at once.
TEST_F(SambaDisplayLines, AStoppedBrowseSendsNoRequestThroughEitherRoute)
{
    std::string error;
    auto directory = CreateDomainNetApi(vxtest::kServer, vxtest::AdminConnection().credentials,
                                        std::make_unique<SambaNetApi>(vxtest::AdminConnection()), &error);
    ASSERT_NE(dynamic_cast<DirectoryNetApi*>(directory.get()), nullptr) << error;
    std::stop_source stop;
    stop.request_stop();
    threads::StopScope scope(stop.get_token());
    for (NetApi* api : {static_cast<NetApi*>(&m_api), directory.get()}) {
        SCOPED_TRACE(api == &m_api ? "libnetapi" : "directory");
        std::vector<USER_INFO_3> users;
        std::vector<GROUP_INFO_2> groups;
        std::vector<SERVER_INFO_101> servers;
        std::vector<SHARE_INFO_1> shares;
        std::uint32_t total = 0;
        EXPECT_EQ(api->UserEnum(vxtest::kServer, FILTER_NORMAL_ACCOUNT, users), ERROR_CANCELLED);
        EXPECT_EQ(api->GroupEnum(vxtest::kServer, groups), ERROR_CANCELLED);
        std::vector<GroupWithUsers> together;  // libnetapi has no such call: GROUPS asks group by group
        EXPECT_EQ(api->GroupEnumWithUsers(vxtest::kServer, together),
                  api == &m_api ? ERROR_NOT_SUPPORTED : ERROR_CANCELLED);
        EXPECT_EQ(api->ServerEnum(vxtest::kServer, SV_TYPE_ALL, "", servers, total), ERROR_CANCELLED);
        EXPECT_EQ(api->ShareEnum(vxtest::kServer, shares), ERROR_CANCELLED);
        EXPECT_TRUE(users.empty() && groups.empty() && together.empty() && servers.empty() && shares.empty());
    }
}

}  // namespace
