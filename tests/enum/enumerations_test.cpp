// The USERS, GROUPS and SERVERS builders against the sample network (SimNetApi).
#include "enum/groups_lines.h"
#include "enum/servers_list.h"
#include "enum/users_lines.h"

#include "browse/list_step.h"
#include "browse/test_settings.h"
#include "platform/net/sample/sim_netapi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const std::string kSep(223, '=');
const std::string kPdc = "\\\\TEST-PDC";

// A small network whose every account, group and server a test names.
constexpr const char* kNetwork = R"({
  "localComputer": "TEST-WS",
  "domains": [{
    "name": "TESTDOM",
    "sid": "S-1-5-21-100-200-300",
    "servers": [
      {"name": "TEST-PDC", "type": ["SV_TYPE_WORKSTATION", "SV_TYPE_SERVER", "SV_TYPE_DOMAIN_CTRL", "SV_TYPE_NT",
                                    "SV_TYPE_SERVER_NT", "SV_TYPE_MASTER_BROWSER", "SV_TYPE_TIME_SOURCE"],
       "comment": "first\tcontroller"},
      {"name": "TEST-WS", "type": ["SV_TYPE_WORKSTATION", "SV_TYPE_NT"]},
      {"name": "TEST-VMS", "type": ["SV_TYPE_SERVER", "SV_TYPE_SERVER_VMS"]}
    ],
    "users": [
      {"name": "anna", "rid": 1000, "fullName": "Anna Alt", "numLogons": 7, "lastLogon": "1980-01-02T02:03:55Z",
       "profile": "", "script": "", "passwordAge": 100},
      {"name": "ben", "rid": 1001, "fullName": "Ben\tTab", "passwordAge": 0, "maxStorage": 2048,
       "flags": ["UF_SCRIPT", "UF_NORMAL_ACCOUNT", "UF_ACCOUNTDISABLE", "UF_DONT_EXPIRE_PASSWD"],
       "acctExpires": "1999-06-30T23:59:59Z", "script": "logon.bat", "profile": "\\\\TEST-PDC\\profiles\\ben"},
      {"name": "WS$", "rid": 1100, "flags": ["UF_SCRIPT", "UF_WORKSTATION_TRUST_ACCOUNT"], "primaryGroup": 515}
    ],
    "groups": [
      {"name": "Domain Users", "rid": 513, "comment": "All domain users"},
      {"name": "Domain Computers", "rid": 515, "comment": "Machines"},
      {"name": "Crew", "rid": 1200, "comment": "The\tcrew", "members": ["anna", "ben", "WS$"]},
      {"name": "Empty", "rid": 1201, "comment": "", "members": []}
    ]
  }]
})";

std::unique_ptr<net::SimNetApi> Network()
{
    std::string error;
    auto api = net::SimNetApi::FromJson(kNetwork, error);
    EXPECT_TRUE(api) << error;
    return api;
}

std::unique_ptr<net::SimNetApi> SampleDomain()
{
    const char* dir = std::getenv("VELLOX_SOURCE_DATADIR");
    std::string error;
    auto api = net::SimNetApi::FromFile(std::string(dir ? dir : VELLOX_TEST_DATADIR) + "/sample-domain.json", error);
    EXPECT_TRUE(api) << error;
    return api;
}

AppSettings WithServer(AppSettings settings, const std::string& server = kPdc)
{
    settings.serverName = server;
    return settings;
}

Lines Users(net::NetApi& api, const AppSettings& settings, int* count = nullptr)
{
    Lines lines;
    int entries = -1;
    UsersLines(api, settings, lines, entries, std::stop_token{});
    if (count)
        *count = entries;
    return lines;
}

Lines Groups(net::NetApi& api, const AppSettings& settings)
{
    Lines lines;
    GroupsLines(api, settings, lines, std::stop_token{});
    return lines;
}

// The line that starts with this account name followed by a TAB.
std::string LineOf(const Lines& lines, const std::string& name)
{
    for (const auto& line : lines) {
        if (line.rfind(name + "\t", 0) == 0)
            return line;
    }
    ADD_FAILURE() << "no line for " << name;
    return {};
}

// ---- USERS ----

TEST(UsersEnumeration, NormalAccountsOnlyWithEveryColumn)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    auto api = Network();
    ASSERT_TRUE(api);
    int count = 0;
    const Lines lines = Users(*api, WithServer(AllUsersColumnsOn()), &count);
    EXPECT_EQ(lines, (Lines{
                         "anna\tAnna Alt\t         7\tWed Jan 02 02:03:55 1980 \tNever\tNo\tYes\t        -1\t\t*None*"
                         "\tYes\t       513",
                         "ben\tBen Tab\t         0\t********* Never ******** \tYes\tYes\tNo\t      2048\t"
                         "\\\\TEST-PDC\\profiles\\ben\tlogon.bat\tNever\t     66051",
                         "END_OF_DATA",
                     }));
    EXPECT_EQ(count, 2);
}

TEST(UsersEnumeration, DefaultColumnsThroughTheListStep)
{
    auto api = Network();
    ASSERT_TRUE(api);
    const AppSettings settings = WithServer(AppSettings{});
    ResultTable table;
    int count = 0;
    UsersLines(*api, settings, table.userLines, count, std::stop_token{});
    const ListContent list = BuildList(WorkerKind::USERS, std::move(table), settings);
    EXPECT_EQ(list.lines, (Lines{"UserName\tFull Name\tAcct.Expires\tMax.Stg.\t", kSep,
                                 "anna\tAnna Alt\tNever\t        -1\t       513",
                                 "ben\tBen Tab\tYes\t      2048\t     66051", kSep}));
    EXPECT_EQ(list.tabStops, (std::vector<int>{70, 150, 200, 250}));
    EXPECT_EQ(list.entryCount, 2);
}

TEST(UsersEnumeration, RefusingServerGivesTheTwoLines)
{
    auto api = Network();
    ASSERT_TRUE(api);
    api->FailCall("UserEnum", net::ERROR_ACCESS_DENIED);
    int count = -1;
    EXPECT_EQ(Users(*api, WithServer(AppSettings{}), &count), (Lines{"Could not enumerate domain.", "END_OF_DATA"}));
    EXPECT_EQ(count, 0);
}

TEST(UsersEnumeration, ListsEveryAccountWhateverTheBatchSize)
{
    auto api = SampleDomain();
    ASSERT_TRUE(api);
    const Lines whole = Users(*api, WithServer(AllFlagsOff(), "\\\\VELLOX-PDC"));
    api->SetBatchSize(3);
    const Lines batched = Users(*api, WithServer(AllFlagsOff(), "\\\\VELLOX-PDC"));
    EXPECT_GT(whole.size(), 40u);
    EXPECT_EQ(batched, whole);
}

TEST(UsersEnumeration, StopRequestedEndsWithoutAccountLines)
{
    auto api = Network();
    ASSERT_TRUE(api);
    std::stop_source source;
    source.request_stop();
    Lines lines;
    int count = -1;
    UsersLines(*api, WithServer(AppSettings{}), lines, count, source.get_token());
    EXPECT_EQ(lines, (Lines{"END_OF_DATA"}));
    EXPECT_EQ(count, 0);
}

TEST(UsersEnumeration, SampleDomainAccounts)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    auto api = SampleDomain();
    ASSERT_TRUE(api);
    const Lines lines = Users(*api, WithServer(AllUsersColumnsOn(), "\\\\VELLOX-PDC"));
    // Never logged on, must change the password, no profile and no script.
    EXPECT_EQ(LineOf(lines, "newhire1"), "newhire1\t\t         0\t********* Never ******** \tNever\tNo\tNo\t        "
                                         "-1\t*None*\t*None*\tYes\t       513");
    // Seven logons; an empty profile stays an empty field.
    EXPECT_EQ(LineOf(lines, "lmartin").substr(0, 32), "lmartin\tLaura Martin\t         7\t");
    EXPECT_NE(LineOf(lines, "bclark").find("\t\tlogon.bat\t"), std::string::npos);
    // Password never expires; disabled.
    const std::string admin = LineOf(lines, "Administrator");
    EXPECT_EQ(admin.substr(admin.size() - 17), "\tNever\t     66049");
    EXPECT_NE(LineOf(lines, "jdoe").find("\tNever\tYes\tYes\t"), std::string::npos);
}

// ---- GROUPS ----

TEST(GroupsEnumeration, NameAndCommentLines)
{
    auto api = Network();
    ASSERT_TRUE(api);
    EXPECT_EQ(Groups(*api, WithServer(AppSettings{})),
              (Lines{"Domain Users\tAll domain users\t", "Domain Computers\tMachines\t", "Crew\tThe crew\t",
                     "Empty\t\t", "END_OF_DATA"}));
}

TEST(GroupsEnumeration, ThreeMembersGiveFourLines)
{
    auto api = Network();
    ASSERT_TRUE(api);
    AppSettings settings = WithServer(AppSettings{});
    settings.g_show_members = 1;
    const Lines lines = Groups(*api, settings);
    const auto crew = std::find(lines.begin(), lines.end(), "Crew\tThe crew\t");
    ASSERT_NE(crew, lines.end());
    EXPECT_EQ(Lines(crew, crew + 4), (Lines{"Crew\tThe crew\t", "\tanna", "\tben", "\tWS$"}));
    EXPECT_EQ(*(crew + 4), "Empty\t\t");
    EXPECT_EQ(lines.back(), "END_OF_DATA");

    ResultTable table;
    table.groupLines = lines;
    EXPECT_EQ(BuildList(WorkerKind::GROUPS, table, settings).entryCount, static_cast<int>(lines.size()) - 1);
}

TEST(GroupsEnumeration, CommentsOffLeavesNameAndOneTab)
{
    auto api = Network();
    ASSERT_TRUE(api);
    AppSettings settings = WithServer(AppSettings{});
    settings.g_comments = 0;
    EXPECT_EQ(Groups(*api, settings),
              (Lines{"Domain Users\t", "Domain Computers\t", "Crew\t", "Empty\t", "END_OF_DATA"}));
}

TEST(GroupsEnumeration, BothFlagsOffStillListsOneEmptyLinePerGroup)
{
    auto api = Network();
    ASSERT_TRUE(api);
    AppSettings settings = WithServer(AllFlagsOff());
    settings.g_show_members = 1;
    // Every account is a member of its primary group (Domain Users, or Domain Computers).
    EXPECT_EQ(Groups(*api, settings),
              (Lines{"", "\tanna", "\tben", "", "\tWS$", "", "\tanna", "\tben", "\tWS$", "", "END_OF_DATA"}));
}

TEST(GroupsEnumeration, FailedMemberQueryLeavesOutThatGroupsMembers)
{
    auto api = Network();
    ASSERT_TRUE(api);
    AppSettings settings = WithServer(AppSettings{});
    settings.g_show_members = 1;
    api->FailCall("GroupGetUsers", net::ERROR_ACCESS_DENIED);
    const Lines lines = Groups(*api, settings);
    EXPECT_EQ(lines, (Lines{"Domain Users\tAll domain users\t", "Domain Computers\tMachines\t", "Crew\tThe crew\t",
                            "Empty\t\t", "END_OF_DATA"}));
}

TEST(GroupsEnumeration, RefusingServerGivesTheTwoLines)
{
    auto api = Network();
    ASSERT_TRUE(api);
    api->FailCall("GroupEnum", net::ERROR_ACCESS_DENIED);
    EXPECT_EQ(Groups(*api, WithServer(AppSettings{})), (Lines{"Could not enumerate domain.", "END_OF_DATA"}));
}

// ---- SERVERS ----

TEST(ServersEnumeration, DefaultHeaderAndRows)
{
    auto api = Network();
    ASSERT_TRUE(api);
    const ListContent list = ServersList(*api, AppSettings{});
    EXPECT_EQ(list.shownType, DisplayType::SERVERS);
    ASSERT_EQ(list.lines.size(), 6u);
    EXPECT_EQ(list.lines[0], "Name\tWkst\tSQL\tDC\tBDC\tAFP\tPQs\tUnx\tNT\tNTS\tPB\tBkB\tMsB\tDM\tOSF\tVMS\t");
    EXPECT_EQ(list.lines[1], kSep);
    EXPECT_EQ(list.lines[2], "TEST-PDC\tX\t-\tX\t-\t-\t-\t-\tX\tX\t-\t-\tX\t-\t-\t-\t");
    EXPECT_EQ(list.lines[3], "TEST-WS\tX\t-\t-\t-\t-\t-\t-\tX\t-\t-\t-\t-\t-\t-\t-\t");
    EXPECT_EQ(list.lines[4], "TEST-VMS\t-\t-\t-\t-\t-\t-\t-\t-\t-\t-\t-\t-\t-\t-\tX\t");
    EXPECT_EQ(list.lines[5], kSep);
    EXPECT_EQ(list.entryCount, 3);
    EXPECT_EQ(list.messageId, 0);
    ASSERT_EQ(list.tabStops.size(), 30u);
    EXPECT_EQ(list.tabStops[0], 90);
    EXPECT_EQ(list.tabStops[1], 115);
    EXPECT_EQ(list.tabStops[29], 815);
}

TEST(ServersEnumeration, EverySettingOffLeavesNameAndTab)
{
    auto api = Network();
    ASSERT_TRUE(api);
    const ListContent list = ServersList(*api, AllFlagsOff());
    EXPECT_EQ(list.lines, (Lines{"Name\t", kSep, "TEST-PDC\t", "TEST-WS\t", "TEST-VMS\t", kSep}));
    EXPECT_EQ(list.entryCount, 3);
}

TEST(ServersEnumeration, SrvColumnFollowsServerIdSetting)
{
    auto api = Network();
    ASSERT_TRUE(api);
    AppSettings settings = AllFlagsOff();
    settings.s_TYPE = 1;
    ListContent list = ServersList(*api, settings);
    EXPECT_EQ(list.lines[0], "Name\tSrv\t");
    EXPECT_EQ(list.lines[2], "TEST-PDC\tX\t");
    EXPECT_EQ(list.lines[3], "TEST-WS\t-\t");

    settings.s_TYPE = 0;
    settings.s_SERV = settings.s_TIMESRV = settings.s_comments = settings.s_Server_Name = 1;
    list = ServersList(*api, settings);
    EXPECT_EQ(list.lines, (Lines{"Name\t", kSep, "TEST-PDC\t", "TEST-WS\t", "TEST-VMS\t", kSep}));
}

TEST(ServersEnumeration, EveryColumnInItsOrder)
{
    AppSettings settings;
    for (const auto& value : kSettingsValues) {
        if (value.flag != nullptr && std::string(value.name).rfind("s_", 0) == 0)
            settings.*(value.flag) = 1;
    }
    EXPECT_EQ(ServersHeader(settings),
              "Name\tWkst\tSrv\tSQL\tDC\tBDC\tAFP\tNvll\tDmem\tPQs\tDial\tUnx\tNT\tWFW\tMFPN\tNTS\tPB\tBkB\tMsB\tDM\t"
              "OSF\tVMS\t");
    net::SERVER_INFO_101 server;
    server.sv101_name = "ALL";
    server.sv101_type = 0x3FFFDF;  // every column's bit, not the time source
    EXPECT_EQ(
        ServerRow(server, settings), "ALL\t" + [] {
            std::string marks;
            for (int i = 0; i < 21; ++i)
                marks += "X\t";
            return marks;
        }());
    server.sv101_type = net::SV_TYPE_TIME_SOURCE;
    EXPECT_EQ(ServerRow(server, settings).find('X'), std::string::npos);
}

TEST(ServersEnumeration, FailedCallShowsNoServersUnderAnEmptyHeader)
{
    auto api = Network();
    ASSERT_TRUE(api);
    api->FailCall("ServerEnum", net::ERROR_NO_BROWSER_SERVERS_FOUND);
    const ListContent list = ServersList(*api, AppSettings{});
    EXPECT_EQ(list.lines, (Lines{"", kSep, "Could not locate any servers.", kSep}));
    EXPECT_EQ(list.entryCount, 0);
    EXPECT_EQ(list.tabStops.size(), 30u);
    EXPECT_EQ(list.messageId, 0);
}

TEST(ServersEnumeration, SampleDomainRowsAreCounted)
{
    auto api = SampleDomain();
    ASSERT_TRUE(api);
    const ListContent list = ServersList(*api, AppSettings{});
    std::vector<net::SERVER_INFO_101> servers;
    std::uint32_t total = 0;
    ASSERT_EQ(api->ServerEnum("", net::SV_TYPE_ALL, "", servers, total), net::NERR_Success);
    ASSERT_FALSE(servers.empty());
    EXPECT_EQ(list.entryCount, static_cast<int>(servers.size()));
    EXPECT_EQ(list.lines.size(), servers.size() + 3);
    EXPECT_EQ(list.lines[2].substr(0, servers[0].sv101_name.size() + 1), servers[0].sv101_name + "\t");
}

// A back end that refuses every call; the fakes below answer the calls they are for.
class RefusingNetApi : public net::NetApi {
public:
    net::Status ServerEnum(const std::string&, std::uint32_t, const std::string&, std::vector<net::SERVER_INFO_101>&,
                           std::uint32_t&) override
    {
        return Refused();
    }
    net::Status GetDCName(const std::string&, const std::string&, std::string&) override { return Refused(); }
    net::Status ServerGetInfo(const std::string&, net::SERVER_INFO_101&) override { return Refused(); }
    net::Status ShareEnum(const std::string&, std::vector<net::SHARE_INFO_1>&) override { return Refused(); }
    net::Status UserEnum(const std::string&, std::uint32_t, std::vector<net::USER_INFO_3>&) override
    {
        return Refused();
    }
    net::Status UserGetInfo(const std::string&, const std::string&, net::USER_INFO_3&) override { return Refused(); }
    net::Status UserSetInfo(const std::string&, const std::string&, const net::USER_INFO_3&,
                            const net::UserFields&) override
    {
        return Refused();
    }
    net::Status UserGetGroups(const std::string&, const std::string&, std::vector<net::GROUP_USERS_INFO_1>&) override
    {
        return Refused();
    }
    net::Status UserGetLocalGroups(const std::string&, const std::string&, std::uint32_t,
                                   std::vector<net::LOCALGROUP_USERS_INFO_0>&) override
    {
        return Refused();
    }
    net::Status GroupEnum(const std::string&, std::vector<net::GROUP_INFO_2>&) override { return Refused(); }
    net::Status GroupGetInfo(const std::string&, const std::string&, net::GROUP_INFO_2&) override { return Refused(); }
    net::Status GroupSetInfo(const std::string&, const std::string&, const net::GROUP_INFO_2&) override
    {
        return Refused();
    }
    net::Status GroupGetUsers(const std::string&, const std::string&, std::vector<net::GROUP_USERS_INFO_0>&) override
    {
        return Refused();
    }
    net::Status GroupAddUser(const std::string&, const std::string&, const std::string&) override { return Refused(); }
    net::Status GroupDelUser(const std::string&, const std::string&, const std::string&) override { return Refused(); }
    net::Status LocalGroupEnum(const std::string&, std::vector<net::LOCALGROUP_INFO_1>&) override { return Refused(); }
    net::Status LocalGroupAddMember(const std::string&, const std::string&, const net::Sid&) override
    {
        return Refused();
    }
    net::Status LocalGroupDelMember(const std::string&, const std::string&, const net::Sid&) override
    {
        return Refused();
    }
    net::Status LookupAccountName(const std::string&, const std::string&, net::Sid&, std::string&,
                                  net::SidNameUse&) override
    {
        return Refused();
    }

protected:
    static net::Status Refused() { return net::ERROR_NOT_SUPPORTED; }
};

// A browser that knows more servers than it returned.
class PartialBrowser final : public RefusingNetApi {
public:
    net::Status ServerEnum(const std::string&, std::uint32_t, const std::string&,
                           std::vector<net::SERVER_INFO_101>& out, std::uint32_t& total) override
    {
        out.assign(2, net::SERVER_INFO_101{});
        out[0].sv101_name = "ONE";
        out[1].sv101_name = "TWO";
        total = 5;
        return net::ERROR_MORE_DATA;
    }
};

TEST(ServersEnumeration, MoreKnownThanReadAsksForTheMessageAndListsWhatCame)
{
    PartialBrowser api;
    const ListContent list = ServersList(api, AllFlagsOff());
    EXPECT_EQ(list.messageId, 59182);
    EXPECT_STREQ(list.messageText, "There is more data than buffer space.");
    EXPECT_EQ(list.lines, (Lines{"Name\t", kSep, "ONE\t", "TWO\t", kSep}));
    EXPECT_EQ(list.entryCount, 2);
}

// ---- GROUPS read together ----

// A back end that can read the groups with their members at once, as the directory
// route does, and also answers group by group; it counts the calls of either way.
class TogetherBackEnd final : public RefusingNetApi {
public:
    net::Status together = net::NERR_Success;  // GroupEnumWithUsers' answer
    std::vector<net::GroupWithUsers> groups = {
        {{"Crew", "The\tcrew", 1200, 7}, net::NERR_Success, {{"anna"}, {"ben"}}},
        {{"Hidden", "", 1201, 7}, net::ERROR_ACCESS_DENIED, {{"never"}}},  // its members must not show
        {{"Empty", "", 1202, 7}, net::NERR_Success, {}},
    };
    int togetherCalls = 0, enumCalls = 0, memberCalls = 0;

    net::Status GroupEnumWithUsers(const std::string&, std::vector<net::GroupWithUsers>& out) override
    {
        ++togetherCalls;
        out.clear();
        if (together == net::NERR_Success)
            out = groups;
        return together;
    }
    net::Status GroupEnum(const std::string&, std::vector<net::GROUP_INFO_2>& out) override
    {
        ++enumCalls;
        out.clear();
        for (const auto& g : groups)
            out.push_back(g.group);
        return net::NERR_Success;
    }
    net::Status GroupGetUsers(const std::string&, const std::string& group,
                              std::vector<net::GROUP_USERS_INFO_0>& out) override
    {
        ++memberCalls;
        for (const auto& g : groups) {
            if (g.group.grpi2_name == group) {
                out = g.users;
                return g.status;
            }
        }
        return net::NERR_GroupNotFound;
    }
};

TEST(GroupsEnumeration, ReadTogetherOrGroupByGroupTheLinesAreTheSame)
{
    const Lines withMembers{"Crew\tThe crew\t", "\tanna", "\tben", "Hidden\t\t", "Empty\t\t", "END_OF_DATA"};
    const Lines failed{"Could not enumerate domain.", "END_OF_DATA"};
    struct Case {
        const char* what;
        net::Status together;
        bool members;
        bool noGroups;
        Lines lines;
        int togetherCalls, enumCalls, memberCalls;
    };
    const Case cases[] = {
        {"read together", net::NERR_Success, true, false, withMembers, 1, 0, 0},
        {"back end reads group by group", net::ERROR_NOT_SUPPORTED, true, false, withMembers, 1, 1, 3},
        {"refused", net::ERROR_ACCESS_DENIED, true, false, failed, 1, 0, 0},
        {"no groups", net::NERR_Success, true, true, failed, 1, 0, 0},
        {"members not shown", net::NERR_Success, false, false,
         Lines{"Crew\tThe crew\t", "Hidden\t\t", "Empty\t\t", "END_OF_DATA"}, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TogetherBackEnd api;
        api.together = c.together;
        if (c.noGroups)
            api.groups.clear();
        AppSettings settings = WithServer(AppSettings{});
        settings.g_show_members = c.members ? 1 : 0;
        EXPECT_EQ(Groups(api, settings), c.lines);
        EXPECT_EQ(api.togetherCalls, c.togetherCalls);
        EXPECT_EQ(api.enumCalls, c.enumCalls);
        EXPECT_EQ(api.memberCalls, c.memberCalls);
    }
}

}  // namespace
