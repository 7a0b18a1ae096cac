// The directory route against the directory peer (scripts/fixtures/directory_peer.py),
// which answers as a Windows controller does: 1,000 entries a page and a size-limit
// error for an unpaged search over that, member values in ranges of 1,500, and
// continuation references on subtree searches from the root. main() starts the peer
// in its namespaces and moves this process into the client's. The peer records the
// requests it gets; the cases assert on them. Without root every case skips.
//
// The expected lines are built from the peer's data (directory_peer_data.py) by the
// rules that the Samba display-lines test checks against a real Samba controller, so
// a route that reads the peer differently from Samba shows up as a differing line.
#include "accounts/group_props_dlg.h"
#include "accounts/list_entries.h"
#include "accounts/user_props_dlg.h"
#include "client_namespace.h"
#include "enum/groups_lines.h"
#include "enum/servers_list.h"
#include "enum/users_lines.h"
#include "expected_user_line.h"
#include "fx/testing.h"
#include "platform/net/directory/directory_netapi.h"
#include "platform/threads/owned_threads.h"
#include "res/accounts_resource.h"
#include "res/res.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <future>
#include <thread>

using namespace net;
using vxtest::Account;
using vxtest::Plain;

namespace {

const std::string kServer = "\\\\WDC1";
const std::string kDomainDn = "DC=winpeer,DC=test";
const std::string kBigGroupDn = "CN=wp-big,CN=Users," + kDomainDn;
constexpr int kBigMembers = 5000;

std::string g_skipReason;
std::string g_dir;

int Shell(const std::string& command)
{
    return std::system(command.c_str());
}

// ---- the peer's control socket and its record of requests ------------------------------

// One line to the peer's control socket and the line it answers.
std::string Control(const std::string& command)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = g_dir + "/control.sock";
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    std::string answer;
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string line = command + "\n";
        if (write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
            char buffer[65536];
            ssize_t got = 0;
            while ((answer.empty() || answer.back() != '\n') && (got = read(fd, buffer, sizeof buffer)) > 0)
                answer.append(buffer, static_cast<std::size_t>(got));
        }
    }
    if (fd >= 0)
        close(fd);
    if (!answer.empty())
        answer.pop_back();
    return answer;
}

// What the peer received since the last reset.
struct Requests {
    QJsonArray all;

    static Requests Since() { return {QJsonDocument::fromJson(QByteArray::fromStdString(Control("log"))).array()}; }
    template <class Pick>
    int Count(Pick pick) const
    {
        return static_cast<int>(std::count_if(all.begin(), all.end(), [&](const QJsonValue& v) {
            const QJsonObject o = v.toObject();
            return pick(o);
        }));
    }
    int Searches() const
    {
        return Count([](const QJsonObject& o) { return o["op"] == "search"; });
    }
    int Pages() const
    {
        return Count([](const QJsonObject& o) { return o["op"] == "search" && o["paged"].toBool(); });
    }
    // Unpaged searches the peer cut at 1,000 entries.
    int Capped() const
    {
        return Count([](const QJsonObject& o) {
            return o["op"] == "search" && !o["paged"].toBool() && o["entries"].toInt() == 1000;
        });
    }
    int Ranged() const
    {
        return Count([](const QJsonObject& o) { return o["op"] == "search" && o["ranged"].toBool(); });
    }
    // Base searches of one entry: the range requests of a large group's values.
    int OnEntry(const std::string& dn) const
    {
        return Count([&](const QJsonObject& o) {
            return o["op"] == "search" && o["scope"] == 0 && o["base"].toString().toStdString() == dn;
        });
    }
    int References() const
    {
        int n = 0;
        for (const auto& v : all)
            n += v.toObject()["references"].toInt();
        return n;
    }
    std::vector<QJsonObject> Modifies() const
    {
        std::vector<QJsonObject> out;
        for (const auto& v : all)
            if (v.toObject()["op"] == "modify")
                out.push_back(v.toObject());
        return out;
    }
};

void Reset()
{
    ASSERT_EQ(Control("reset"), "ok");
}

// ---- the data, as directory_peer_data.py writes it ---------------------------------------

std::string Member(int i)
{
    char name[16];
    std::snprintf(name, sizeof name, "wp.m%04d", i);
    return name;
}

// The normal accounts of the peer's data, as directory_peer_data.py writes them.
std::vector<Account> Accounts()
{
    std::vector<Account> a;
    const auto add = [&](const std::string& name, const std::string& fullName) {
        a.push_back(Plain(name, fullName));
        return &a.back();
    };
    add("Administrator", "")->passwordNeverExpires = true;
    a.back().logons = 41;
    a.back().lastLogon = "Tue Mar 05 14:07:09 2024 ";
    add("Guest", "")->passwordNeverExpires = true;
    a.back().disabled = a.back().mustChange = true;
    a.back().otherFlags = UF_PASSWD_NOTREQD;
    add("krbtgt", "")->disabled = true;
    add("wp.plain", "Plain Windows User");
    add("wp.disabled", "Disabled User")->disabled = true;
    add("wp.noexpire", "Never Expires");   // accountExpires 0x7FFFFFFFFFFFFFFF
    add("wp.zeroexpire", "Zero Expires");  // accountExpires 0
    add("wp.expires", "Expiring User")->expires = true;
    add("wp.pwnever", "Password Never Expires")->passwordNeverExpires = true;
    add("wp.mustchange", "Must Change")->mustChange = true;
    add("wp.profile", "Profile User")->profile = "\\\\wdc1\\profiles\\wp.profile";
    a.back().script = "logon.cmd";
    add("wp.logons", "Frequent User")->logons = 7;
    a.back().lastLogon = "Tue Mar 05 14:07:09 2024 ";
    add("wp.cantchange", "Cannot Change")->otherFlags = UF_PASSWD_CANT_CHANGE;  // from the DACL
    add("wp.locked", "Locked Out")->otherFlags = UF_LOCKOUT;                    // from lockoutTime
    add("wp.tabbed", "Tab here");
    add("wp.writer", "Writer Original");
    add("wp.outside", "Not In The Big Group");
    add("wp.elsewhere", "Logged On Elsewhere");  // the replicated time, this controller's being 0
    a.back().lastLogon = "Sat Feb 24 14:07:09 2024 ";
    for (int i = 0; i < kBigMembers; ++i)
        add(Member(i), "Member " + Member(i).substr(4));
    return a;
}

AppSettings Settings()
{
    AppSettings s;
    s.serverName = kServer;
    s.u_user_id = s.u_user_name = s.u_num_logons = s.u_last_logon = s.u_expires = s.u_disabled = 1;
    s.u_pw_check = s.u_max_storage = s.u_profile_check = s.u_script_check = s.u_pass_expires = 1;
    s.g_groupname = s.g_comments = s.g_show_members = 1;
    return s;
}

std::vector<std::string> ExpectedGroupLines()
{
    std::vector<std::string> big, users;
    for (int i = 0; i < kBigMembers; ++i)
        big.push_back(Member(i));
    for (const Account& a : Accounts())
        if (a.name != "Guest")
            users.push_back(a.name);
    std::sort(users.begin(), users.end(), [](const std::string& x, const std::string& y) {
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                            [](char c, char d) { return std::tolower(c) < std::tolower(d); });
    });
    const std::vector<std::pair<std::string, std::vector<std::string>>> groups = {
        {"Domain Admins\tDesignated administrators of the domain\t", {"Administrator"}},
        {"Domain Computers\tAll workstations and servers joined to the domain\t", {"WPSRV1$", "WPWS1$"}},
        {"Domain Controllers\tAll domain controllers in the domain\t", {"WDC1$"}},
        {"Domain Guests\tAll domain guests\t", {"Guest"}},
        {"Domain Users\tAll domain users\t", users},
        {"Enterprise Admins\tDesignated administrators of the enterprise\t", {"Administrator"}},
        {"wp-big\tFive thousand members\t", big},
        {"wp-contacts\tHolds a contact\t", {"wp.plain"}},  // the contact has no account name
        {"wp-empty\t\t", {}},
        {"wp-nest\tHolds a group\t", {"wp-staff"}},
        {"wp-staff\tStaff (global)\t", {"wp.logons", "wp.plain"}}};
    std::vector<std::string> lines;
    for (const auto& [line, members] : groups) {
        lines.push_back(line);
        for (const auto& m : members)
            lines.push_back("\t" + m);
    }
    lines.push_back("END_OF_DATA");
    return lines;
}

// ---- the fixture ----------------------------------------------------------------------------

void StartPeer()
{
    if (geteuid() != 0) {
        g_skipReason = "needs root (network namespaces for the peer)";
        return;
    }
    g_dir = VELLOX_DIRECTORY_PEER_DIR;
    if (Shell(std::string(VELLOX_DIRECTORY_PEER_SCRIPT) + " start '" + g_dir + "' >&2") != 0) {
        std::fprintf(stderr, "directory_peer_test: the peer could not be started\n");
        std::exit(1);  // a machine that can run it must: a failure here is a fault
    }
    std::string error;
    if (!vxns::EnterNetworkNamespace("vx-wp-client", error)) {
        std::fprintf(stderr, "directory_peer_test: %s\n", error.c_str());
        std::exit(1);
    }
    setenv("LDAPTLS_CACERT", (g_dir + "/ca.pem").c_str(), 1);
}

Credentials Admin()
{
    std::string error;
    auto c = ReadAuthFile(g_dir + "/admin.auth", error);
    EXPECT_TRUE(c) << error;
    return c.value_or(Credentials{});
}

class WindowsPeer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!g_skipReason.empty())
            GTEST_SKIP() << g_skipReason;
        std::string error;
        m_api = CreateDomainNetApi(kServer, Admin(), nullptr, &error);
        ASSERT_TRUE(m_api) << error;
        ASSERT_NE(dynamic_cast<DirectoryNetApi*>(m_api.get()), nullptr) << "the directory route was not chosen";
        std::vector<USER_INFO_0> warm;  // the log-on and the domain's policy, before the counting
        ASSERT_EQ(m_api->UserEnum(kServer, FILTER_WORKSTATION_TRUST_ACCOUNT, warm), NERR_Success);
        Reset();
    }

    std::vector<std::string> Members(const std::string& group)
    {
        std::vector<GROUP_USERS_INFO_0> members;
        EXPECT_EQ(m_api->GroupGetUsers(kServer, group, members), NERR_Success);
        std::vector<std::string> names;
        for (const auto& m : members)
            names.push_back(m.grui0_name);
        return names;
    }

    std::unique_ptr<NetApi> m_api;
};

bool Contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

void Select(CListBox& list, const std::string& entry)
{
    const auto names = accounts::ListEntries(list);
    const auto it = std::find(names.begin(), names.end(), entry);
    ASSERT_NE(it, names.end()) << entry;
    list.SetSel(static_cast<int>(it - names.begin()));
}

// ---- the displays ------------------------------------------------------------------------------

TEST_F(WindowsPeer, UsersLinesAreSambasAndTheirCostIsPages)
{
    std::vector<std::string> lines;
    int count = 0;
    UsersLines(*m_api, Settings(), lines, count, std::stop_token{});
    const auto accounts = Accounts();
    ASSERT_EQ(lines.size(), accounts.size() + 1);
    EXPECT_EQ(lines.back(), "END_OF_DATA");
    for (const Account& a : accounts) {
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const std::string& l) { return l.rfind(a.name + "\t", 0) == 0; });
        ASSERT_NE(line, lines.end()) << a.name;
        EXPECT_EQ(*line, vxtest::ExpectedUserLine(a, Settings()));
    }
    const Requests first = Requests::Since();
    const int pages = (static_cast<int>(accounts.size()) + 999) / 1000;
    EXPECT_EQ(first.Pages(), pages);
    EXPECT_LE(first.Capped(), 1) << "the capped unpaged attempt, at most once";
    EXPECT_GE(first.References(), 3) << "the peer's references reached the route";
    std::printf("USERS of %zu accounts: %d searches, %d of them pages, %d capped unpaged\n", accounts.size(),
                first.Searches(), first.Pages(), first.Capped());
    // A second browse on the same connection pages at once.
    Reset();
    UsersLines(*m_api, Settings(), lines, count, std::stop_token{});
    const Requests second = Requests::Since();
    EXPECT_EQ(second.Capped(), 0);
    EXPECT_EQ(second.Searches(), pages);
}

TEST_F(WindowsPeer, GroupsLinesListTheLargeGroupWhole)
{
    std::vector<std::string> lines;
    GroupsLines(*m_api, Settings(), lines, std::stop_token{});
    EXPECT_EQ(lines, ExpectedGroupLines());
    const Requests cost = Requests::Since();
    // 5,000 values in ranges of 1,500: the first with the groups' search, then three more.
    EXPECT_EQ(cost.OnEntry(kBigGroupDn), 3);
    EXPECT_EQ(cost.Ranged(), 3);
    EXPECT_LE(cost.Capped(), 1);
    std::printf("GROUPS with members: %d searches, %d pages, %d capped unpaged, %d range requests for wp-big\n",
                cost.Searches(), cost.Pages(), cost.Capped(), cost.OnEntry(kBigGroupDn));
}

TEST_F(WindowsPeer, ServersLinesFromTheComputerAccounts)
{
    AppSettings s = Settings();
    const ListContent list = ServersList(*m_api, s);
    const std::uint32_t base = SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT;
    const std::vector<std::pair<std::string, std::uint32_t>> servers = {
        {"WDC1", base | SV_TYPE_SERVER_NT | SV_TYPE_DOMAIN_CTRL},  // the PDC role owner
        {"WPSRV1", base | SV_TYPE_SERVER_NT},
        {"WPWS1", base}};
    std::vector<std::string> expected = {ServersHeader(s), std::string(223, '=')};
    for (const auto& [name, type] : servers) {
        SERVER_INFO_101 info;
        info.sv101_name = name;
        info.sv101_type = type;
        expected.push_back(ServerRow(info, s));
    }
    expected.push_back(std::string(223, '='));
    EXPECT_EQ(list.lines, expected);
}

// ---- referrals ---------------------------------------------------------------------------------

TEST_F(WindowsPeer, ReferencesAreNeitherChasedNorFailures)
{
    std::vector<GROUP_INFO_2> groups;
    std::vector<LOCALGROUP_INFO_1> local;
    std::vector<SERVER_INFO_101> servers;
    std::uint32_t total = 0;
    EXPECT_EQ(m_api->GroupEnum(kServer, groups), NERR_Success);
    EXPECT_EQ(m_api->LocalGroupEnum(kServer, local), NERR_Success);
    EXPECT_EQ(m_api->ServerEnum(kServer, SV_TYPE_ALL, "", servers, total), NERR_Success);
    const Requests log = Requests::Since();
    EXPECT_EQ(log.References(), 3 * log.Searches()) << "every search was from the root";
    // A chase would be a bind and searches elsewhere: every request came on the one
    // connection and named this domain.
    EXPECT_EQ(log.Count([](const QJsonObject& o) { return o["op"] == "bind"; }), 0);
    EXPECT_EQ(log.Count([](const QJsonObject& o) {
        return o["op"] == "search" && !o["base"].toString().endsWith(QString::fromStdString(kDomainDn));
    }),
              0);
}

// ---- the dialogs -------------------------------------------------------------------------------

TEST_F(WindowsPeer, GroupPropertiesWriteExactlyTheChangedNames)
{
    fx::EnsureApplication();
    res::Install();
    CGroupPropsDlg dlg(*m_api);
    dlg.m_pServerName = &kServer;
    dlg.m_strGroup = "wp-big";
    Status status = NERR_Success;
    ASSERT_TRUE(dlg.Load(status)) << status;
    const Requests load = Requests::Since();
    EXPECT_EQ(load.Ranged(), 3);
    std::printf("Group Properties of wp-big: %d searches, %d pages, %d capped unpaged, %d range requests\n",
                load.Searches(), load.Pages(), load.Capped(), load.Ranged());
    int shown = 0;
    fx::testing::SetModalHandler([&](CWnd& window) {
        shown = dlg.m_listMembers.GetCount();
        fx::testing::FocusControl(window, res::IDC_GROUP_OTHERS);
        Select(dlg.m_listOthers, "wp.outside");
        Select(dlg.m_listOthers, "wp.plain");
        fx::testing::Click(window, res::IDC_GROUP_MOVE);
        fx::testing::FocusControl(window, res::IDC_GROUP_MEMBERS);
        Select(dlg.m_listMembers, Member(7));
        Select(dlg.m_listMembers, Member(4321));
        fx::testing::Click(window, res::IDC_GROUP_REMOVE);
        Reset();
        fx::testing::Click(window, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    fx::testing::ResetHandlers();
    EXPECT_EQ(shown, kBigMembers);
    std::vector<std::string> added, removed;
    for (const QJsonObject& m : Requests::Since().Modifies()) {
        ASSERT_EQ(m["changes"].toArray().size(), 1);
        const QJsonArray change = m["changes"].toArray()[0].toArray();
        EXPECT_EQ(change[1].toString(), "member");
        EXPECT_EQ(m["dn"].toString().toStdString(), kBigGroupDn);
        for (const auto& v : m["values"].toArray())
            (change[0].toInt() == 0 ? added : removed).push_back(v.toString().section(',', 0, 0).toStdString());
    }
    std::sort(added.begin(), added.end());
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(added, (std::vector<std::string>{"CN=wp.outside", "CN=wp.plain"}));
    EXPECT_EQ(removed, (std::vector<std::string>{"CN=" + Member(7), "CN=" + Member(4321)}));
    // Read again in ranges after the change, whatever order the server keeps them in.
    const auto after = Members("wp-big");
    EXPECT_EQ(after.size(), static_cast<std::size_t>(kBigMembers));
    EXPECT_TRUE(Contains(after, "wp.outside") && Contains(after, "wp.plain"));
    EXPECT_FALSE(Contains(after, Member(7)) || Contains(after, Member(4321)));
    // Back as the data has it, for the other cases.
    EXPECT_EQ(m_api->GroupDelUser(kServer, "wp-big", "wp.outside"), NERR_Success);
    EXPECT_EQ(m_api->GroupDelUser(kServer, "wp-big", "wp.plain"), NERR_Success);
    EXPECT_EQ(m_api->GroupAddUser(kServer, "wp-big", Member(7)), NERR_Success);
    EXPECT_EQ(m_api->GroupAddUser(kServer, "wp-big", Member(4321)), NERR_Success);
    EXPECT_EQ(m_api->GroupAddUser(kServer, "wp-big", Member(7)), ERROR_MEMBER_IN_GROUP);
    EXPECT_EQ(m_api->GroupDelUser(kServer, "wp-big", "wp.outside"), ERROR_MEMBER_NOT_IN_GROUP);
}

TEST_F(WindowsPeer, MemberOfNamesTheLargeGroup)
{
    fx::EnsureApplication();
    res::Install();
    CUserPropsDlg dlg(*m_api);
    dlg.m_pServerName = &kServer;
    dlg.m_strRowText = Member(4999) + "\tMember 4999";
    Status status = NERR_Success;
    ASSERT_TRUE(dlg.Load(status)) << status;
    std::vector<std::string> memberOf;
    fx::testing::SetModalHandler([&](CWnd& window) {
        memberOf = accounts::ListEntries(dlg.m_listMemberOf);
        fx::testing::Click(window, IDCANCEL);
    });
    dlg.DoModal();
    fx::testing::ResetHandlers();
    EXPECT_EQ(memberOf, (std::vector<std::string>{"(G) Domain Users", "(G) wp-big", "(I) Users"}));
}

// ---- Stop ---------------------------------------------------------------------------------------

TEST_F(WindowsPeer, StopDuringARangedReadEndsItWithinOneRequest)
{
    // Group Properties' read of one group, and GROUPS' read of all with their members.
    using Read = std::function<std::pair<Status, std::size_t>(NetApi&)>;
    const std::vector<std::pair<const char*, Read>> reads = {
        {"GroupGetUsers",
         [](NetApi& api) {
             std::vector<GROUP_USERS_INFO_0> members;
             return std::make_pair(api.GroupGetUsers(kServer, "wp-big", members), members.size());
         }},
        {"GroupEnumWithUsers", [](NetApi& api) {
             std::vector<GroupWithUsers> groups;
             std::size_t members = 0;
             const Status status = api.GroupEnumWithUsers(kServer, groups);
             for (const auto& g : groups)
                 members += g.users.size();
             return std::make_pair(status, members);
         }}};
    for (const auto& [name, call] : reads) {
        SCOPED_TRACE(name);
        Reset();
        ASSERT_EQ(Control("hold-range 1"), "ok");  // the request for values 1,500 and on
        std::stop_source stop;
        auto read = std::async(std::launch::async, [&, call = call] {
            threads::StopScope scope(stop.get_token());
            return call(*m_api);
        });
        ASSERT_EQ(Control("wait-held"), "held");
        stop.request_stop();
        ASSERT_EQ(Control("release"), "ok");
        const auto [result, count] = read.get();
        EXPECT_EQ(result, ERROR_CANCELLED);
        EXPECT_EQ(count, 0u) << "no partial member list";
        const Requests log = Requests::Since();
        EXPECT_EQ(log.Ranged(), 1) << "no range asked for after Stop";
        EXPECT_EQ(log.all.last().toObject()["ranged"].toBool(), true) << "nothing at all after the held request";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    unsetenv("QT_QPA_PLATFORMTHEME");
    setenv("TZ", "UTC", 1);
    tzset();
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    StartPeer();
    const int result = RUN_ALL_TESTS();
    if (!g_dir.empty())
        Shell(std::string(VELLOX_DIRECTORY_PEER_SCRIPT) + " stop '" + g_dir + "' >&2");
    return result;
}
