// The lists a classic administrator browses, through the libnetapi route against the
// classic controller of scripts/fixtures/classic-dc.sh (CLPDC, reached by its NetBIOS
// name only). USERS and GROUPS are compared byte for byte with lines built here from
// what Samba's own tools (pdbedit, net) report for the same database; SERVERS, NETWORK
// and FILES with what the fixture made.
#include "classic_dc_fixture.h"

#include "browse/list_step.h"
#include "enum/files_owners.h"
#include "enum/groups_lines.h"
#include "enum/network_walk.h"
#include "enum/servers_list.h"
#include "enum/users_lines.h"
#include "platform/net/network_router.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <ctime>
#include <map>

using namespace net;
using ::testing::UnorderedElementsAreArray;

namespace {

const std::string kSeparator(223, '=');

// One account as `pdbedit -Lv` prints it: field name -> value.
using PdbRecord = std::map<std::string, std::string>;

std::vector<PdbRecord> PdbeditAccounts()
{
    std::vector<PdbRecord> records;
    for (const std::string& line : classic::Lines(classic::OnController("pdbedit", "-Lv"))) {
        if (line.rfind("---------------", 0) == 0) {
            records.emplace_back();
            continue;
        }
        const std::size_t colon = line.find(':');
        if (records.empty() || colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon);
        key.erase(key.find_last_not_of(' ') + 1);
        const std::size_t value = line.find_first_not_of(' ', colon + 1);
        records.back()[key] = value == std::string::npos ? "" : line.substr(value);
    }
    return records;
}

// pdbedit's time text ("Tue, 08 Dec 2026 13:19:28 UTC"), in seconds since 1970; 0 for "0".
std::time_t PdbTime(const std::string& text)
{
    std::tm tm{};
    if (text == "0" || !::strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S", &tm))
        return 0;
    return ::timegm(&tm);
}

std::string Number(long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%10lld", value);
    return text;
}

// The USERS line (every column) of an account, from what pdbedit reports: the classic
// database's largest time (pdbedit's "Wed, 06 Feb 2036 15:06:39 UTC") and "never" mean
// that the account never expires.
std::string ExpectedUserLine(const PdbRecord& r)
{
    const std::string flags = r.at("Account Flags");
    const bool disabled = flags.find('D') != std::string::npos;
    const bool noExpiry = flags.find('X') != std::string::npos;
    const bool locked = flags.find('L') != std::string::npos;
    const bool mustChange = r.at("Password last set") == "0";
    const std::string kickoff = r.at("Kickoff time");
    const bool expires = kickoff != "Wed, 06 Feb 2036 15:06:39 UTC" && kickoff != "never" && kickoff != "0";
    std::string lastLogon = "********* Never ******** ";
    if (const std::time_t logon = PdbTime(r.at("Logon time"))) {
        char text[64];
        std::tm tm{};
        ::gmtime_r(&logon, &tm);
        std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y ", &tm);
        lastLogon = text;
    }
    std::uint32_t uf = UF_SCRIPT | UF_NORMAL_ACCOUNT;
    uf |= disabled ? UF_ACCOUNTDISABLE : 0;
    uf |= noExpiry ? UF_DONT_EXPIRE_PASSWD : 0;
    uf |= locked ? UF_LOCKOUT : 0;
    uf |= mustChange ? 0x00800000u : 0;  // UF_PASSWORD_EXPIRED
    const std::string& script = r.at("Logon Script");
    return r.at("Unix username") + "\t" + r.at("Full Name") + "\t" + Number(0) + "\t" + lastLogon + "\t" +
           (expires ? "Yes" : "Never") + "\t" + (disabled ? "Yes" : "No") + "\t" + (mustChange ? "No" : "Yes") + "\t" +
           Number(-1) + "\t" + r.at("Profile Path") + "\t" + (script.empty() ? "*None*" : script) + "\t" +
           (noExpiry ? "Never" : "Yes") + "\t" + Number(uf);
}

AppSettings ClassicSettings()
{
    AppSettings s;
    s.serverName = classic::kServer;
    return s;
}

std::vector<std::string> Rows(const ListContent& list)
{
    if (list.lines.size() < 3)
        return {};
    return {list.lines.begin() + 2, list.lines.end() - 1};
}

class ClassicLists : public ::testing::Test {
protected:
    SambaNetApi m_api{classic::AdminConnection()};
};

// Every column of every normal account, byte for byte; the accounts that never expire
// (the classic database's own "never") read "Never", the one with a date "Yes".
TEST_F(ClassicLists, UsersWithEveryColumnAsPdbeditReportsThem)
{
    AppSettings s = ClassicSettings();
    s.u_user_id = s.u_user_name = s.u_num_logons = s.u_last_logon = s.u_expires = s.u_disabled = 1;
    s.u_pw_check = s.u_max_storage = s.u_profile_check = s.u_script_check = s.u_pass_expires = 1;
    std::vector<std::string> expected;
    for (const PdbRecord& record : PdbeditAccounts()) {
        if (record.count("Account Flags") && record.at("Account Flags").find('U') != std::string::npos)
            expected.push_back(ExpectedUserLine(record));
    }
    ASSERT_GE(expected.size(), 9u);

    ResultTable table;
    int count = 0;
    UsersLines(m_api, s, table.userLines, count, std::stop_token{});
    const ListContent list = BuildList(WorkerKind::USERS, std::move(table), s);
    ASSERT_GE(list.lines.size(), 3u);
    EXPECT_EQ(list.lines[0], "UserName\tFull Name\tLogons\tLast Logon\tAcct.Expires\tDisabled\tHas PW\tMax.Stg.\t"
                             "Profile\tScript\tPW Expires\t");
    EXPECT_THAT(Rows(list), UnorderedElementsAreArray(expected));
    const auto expiring = std::count_if(expected.begin(), expected.end(),
                                        [](const std::string& l) { return l.find("\tYes\t") != std::string::npos; });
    EXPECT_GT(expiring, 0) << "the fixture's cl.expires has a date";
}

// Every domain group with its comment and members, as net reports them.
TEST_F(ClassicLists, GroupsWithMembersAsNetReportsThem)
{
    std::map<std::string, std::string> comments;  // from the group mapping
    std::string group;
    for (const std::string& line : classic::Lines(classic::OnController("net", "groupmap list verbose"))) {
        if (!line.empty() && line[0] != '\t')
            group = line;
        else if (line.rfind("\tComment   : ", 0) == 0)
            comments[group] = line.substr(13);
    }
    ASSERT_TRUE(comments.count("cl-staff"));
    std::vector<std::string> expected;
    for (const auto& [name, comment] : comments) {
        expected.push_back(name + "\t" + comment + "\t");
        const std::string members = classic::Output("net rpc group members '" + name + "' -S CLPDC -A '" +
                                                    classic::AuthFile() + "' 2>/dev/null");
        for (const std::string& member : classic::Lines(members))
            expected.push_back("\t" + member.substr(member.find('\\') + 1));
    }

    AppSettings s = ClassicSettings();
    s.g_show_members = 1;
    ResultTable table;
    GroupsLines(m_api, s, table.groupLines, std::stop_token{});
    const ListContent list = BuildList(WorkerKind::GROUPS, std::move(table), s);
    EXPECT_THAT(Rows(list), UnorderedElementsAreArray(expected));
    // A group's members follow its own line.
    const auto staff = std::find(list.lines.begin(), list.lines.end(), "cl-staff\tStaff of the classic domain\t");
    ASSERT_LT(staff + 3, list.lines.end());
    EXPECT_THAT(std::vector<std::string>(staff + 1, staff + 4),
                UnorderedElementsAreArray({"\tcl.plain", "\tcl.comma", "\tcl.writer"}));
}

// SERVERS on a desktop that is no member of the classic domain: the controller with the
// role bits it reports (the primary controller's among them), the computer account whose
// machine never answers, and the workgroup server that only the browse list knows, once each.
TEST_F(ClassicLists, ServersListTheControllerTheComputerAccountsAndTheBrowseList)
{
    AppSettings s = ClassicSettings();
    s.s_WORKS = s.s_DC = s.s_BKDC = s.s_DOMMEM = s.s_MB = s.s_DM = 1;
    s.s_TYPE = 1;
    const ListContent list = ServersList(m_api, s);
    SERVER_INFO_101 controller;
    ASSERT_EQ(m_api.ServerGetInfo(classic::kServer, controller), NERR_Success);
    EXPECT_TRUE(controller.sv101_type & SV_TYPE_DOMAIN_CTRL) << std::hex << controller.sv101_type;
    SERVER_INFO_101 browsed;
    ASSERT_EQ(m_api.ServerGetInfo("\\\\CLWS2", browsed), NERR_Success);
    EXPECT_EQ(list.messageText, nullptr);
    EXPECT_THAT(Rows(list), UnorderedElementsAreArray(
                                {ServerRow(controller, s),
                                 ServerRow({0, "clws1", 0, 0, SV_TYPE_WORKSTATION | SV_TYPE_DOMAIN_MEMBER, ""}, s),
                                 ServerRow(browsed, s)}));
    EXPECT_EQ(list.entryCount, 3);
}

// NETWORK: the domain, its servers and their disk shares; the hidden '$' share is left out.
TEST_F(ClassicLists, NetworkListsTheDomainItsServersAndTheirShares)
{
    AppSettings s = ClassicSettings();
    s.n_Net_Types = s.n_Domains = s.n_Domain_Members = s.n_Shares_Disk = s.n_Shares_Printer = 1;
    ResultTable table;
    NetworkWalkOptions options;
    options.wantShares = true;
    WalkNetwork(std::make_shared<NetworkRouter>(m_api, classic::kServer), table, options, std::stop_token());
    const std::vector<std::string> lines = BuildList(WorkerKind::NETWORK, std::move(table), s).lines;
    const std::vector<std::string> expected = {
        "Network\tDomain\tResource\tResource type",
        kSeparator,
        "SMB Network\t\t\tProvider",
        "\tCLASSIC\t\tDomain",
        "\t\t\\\\CLPDC\tServer",
        "\t\t\\\\CLPDC\\netlogon\tDisk",
        "\t\t\\\\CLPDC\\data\tDisk",
        "\t\t\\\\clws1\tServer",
        "\t\t\\\\CLWS2\tServer",
        "\t\t\\\\CLWS2\\pub\tDisk",
        kSeparator,
    };
    EXPECT_EQ(lines, expected);
}

// FILES over SMB: the share's files of two owners, totalled per owner.
TEST_F(ClassicLists, FilesOverSmbTotalTheOwners)
{
    files::WalkOptions options;
    const SambaConnection admin = classic::AdminConnection();
    options.credentials = {admin.credentials.user, admin.credentials.domain, admin.credentials.password};
    ResultTable table;
    FilesOwners("\\\\CLPDC\\data\\", options, table, std::stop_token{});
    std::map<std::string, std::uint64_t> totals;
    for (std::size_t i = 0; i < table.ownerNames.size(); ++i)
        totals[table.ownerNames[i]] = table.ownerBytes[i];
    EXPECT_EQ(totals, (std::map<std::string, std::uint64_t>{{"cl.plain", 6000}, {"cl.writer", 5000}}));
}

}  // namespace
