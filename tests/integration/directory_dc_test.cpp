// DirectoryNetApi against a real Samba AD controller. main() starts the controller
// (bench/directory/directory-dc, its own namespaces) and moves this process into the
// client namespace, so that nothing leaves the machine. Without root or samba every
// case skips with the reason.
#include "accounts/group_props_dlg.h"
#include "app/options.h"
#include "app/startup.h"
#include "client_namespace.h"
#include "fx/testing.h"
#include "platform/net/directory/directory_ldap.h"
#include "platform/net/directory/directory_netapi.h"
#include "platform/net/samba/samba_netapi.h"
#include "private_files.h"
#include "res/res.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <tuple>

using namespace app;
using namespace net;

namespace {

const char* const kClientNs = "vx-ldap-client";
const std::string kServer = "\\\\DC1";
const std::string kTestPassword = "Vellox-Dir-Test-1a";

std::string g_skipReason;
std::string g_dir;

std::string Script()
{
    return VELLOX_DIRECTORY_DC_SCRIPT;
}

int Shell(const std::string& command)
{
    return std::system(command.c_str());
}

// Empty when the controller that answers is the one this run filled: populate wrote the
// folder's token into the description of the contact dx.marker. Else why not.
std::string WrongController()
{
    std::ifstream file(g_dir + "/marker");
    std::string token;
    if (!std::getline(file, token) || token.empty())
        return "no token in " + g_dir + "/marker";
    std::string error;
    auto credentials = ReadAuthFile(g_dir + "/admin.auth", error);
    if (!credentials)
        return error;
    directory::ConnectOptions options;
    options.host = "dc1.vellox.test";
    options.credentials = *credentials;
    directory::ConnectFailure failure = directory::ConnectFailure::None;
    auto session = directory::LdapSession::Connect(options, failure, error);
    if (!session)
        return "no log-on to the controller: " + error;
    std::vector<directory::Entry> found;
    session->Search("CN=dx.marker,CN=Users,DC=vellox,DC=test", false, "(objectClass=*)", {"description"}, found);
    const std::string answered = found.empty() ? "no dx.marker" : found.front().Text("description");
    if (answered == token)
        return "";
    return "the controller in vx-ldap-dc is not the one of " + g_dir + " (dx.marker: " + answered +
           ", the folder's token: " + token + ")";
}

void PrepareController()
{
    if (geteuid() != 0) {
        g_skipReason = "needs root (network namespaces for the controller)";
        return;
    }
    if (Shell("command -v samba >/dev/null && command -v samba-tool >/dev/null") != 0) {
        g_skipReason = "samba is not installed (scripts/setup installs it)";
        return;
    }
    const char* dir = std::getenv("VELLOX_DIRECTORY_DC_DIR");
    g_dir = dir && *dir ? dir : VELLOX_DIRECTORY_DC_DIR;
    if (Shell(Script() + " start '" + g_dir + "' >&2") != 0 || Shell(Script() + " populate '" + g_dir + "' >&2") != 0) {
        g_skipReason = "";
        std::fprintf(stderr, "directory_dc_test: the controller could not be started\n");
        std::exit(1);  // a machine that can run one must: a failure here is a fault
    }
    std::string error;
    if (!vxns::EnterNetworkNamespace(kClientNs, error)) {
        std::fprintf(stderr, "directory_dc_test: %s\n", error.c_str());
        std::exit(1);
    }
    setenv("KRB5_CONFIG", (g_dir + "/krb5.conf").c_str(), 1);
    setenv("LDAPTLS_CACERT", (g_dir + "/private/tls/ca.pem").c_str(), 1);
    if (const std::string wrong = WrongController(); !wrong.empty()) {
        std::fprintf(stderr, "directory_dc_test: %s\n", wrong.c_str());
        std::exit(1);
    }
}

Credentials Admin()
{
    std::string error;
    auto c = ReadAuthFile(g_dir + "/admin.auth", error);
    EXPECT_TRUE(c) << error;
    return c.value_or(Credentials{});
}

// Answers the SRVSVC calls; every other call fails so that a test sees a wrong route.
class FakeFallback : public NetApi {
public:
    int serverInfoCalls = 0;
    Status GetDCName(const std::string&, const std::string&, std::string&) override { return 50; }
    Status ServerEnum(const std::string&, std::uint32_t, const std::string&, std::vector<SERVER_INFO_101>&,
                      std::uint32_t&) override
    {
        return 50;
    }
    Status ServerGetInfo(const std::string& server, SERVER_INFO_101& out) override
    {
        ++serverInfoCalls;
        out.sv101_name = server.substr(2);
        out.sv101_type = 0x809a03;  // what a Samba DC reports: no controller bit
        return NERR_Success;
    }
    Status ShareEnum(const std::string&, std::vector<SHARE_INFO_1>& out) override
    {
        out = {{"IPC$", STYPE_IPC | STYPE_SPECIAL, "IPC Service"}};
        return NERR_Success;
    }
    Status UserEnum(const std::string&, std::uint32_t, std::vector<USER_INFO_3>&) override { return 50; }
    Status UserGetInfo(const std::string&, const std::string&, USER_INFO_3&) override { return 50; }
    Status UserSetInfo(const std::string&, const std::string&, const USER_INFO_3&, const UserFields&) override
    {
        return 50;
    }
    Status UserGetGroups(const std::string&, const std::string&, std::vector<GROUP_USERS_INFO_1>&) override
    {
        return 50;
    }
    Status UserGetLocalGroups(const std::string&, const std::string&, std::uint32_t,
                              std::vector<LOCALGROUP_USERS_INFO_0>&) override
    {
        return 50;
    }
    Status GroupEnum(const std::string&, std::vector<GROUP_INFO_2>&) override { return 50; }
    Status GroupGetInfo(const std::string&, const std::string&, GROUP_INFO_2&) override { return 50; }
    Status GroupSetInfo(const std::string&, const std::string&, const GROUP_INFO_2&) override { return 50; }
    Status GroupGetUsers(const std::string&, const std::string&, std::vector<GROUP_USERS_INFO_0>&) override
    {
        return 50;
    }
    Status GroupAddUser(const std::string&, const std::string&, const std::string&) override { return 50; }
    Status GroupDelUser(const std::string&, const std::string&, const std::string&) override { return 50; }
    Status LocalGroupEnum(const std::string&, std::vector<LOCALGROUP_INFO_1>&) override { return 50; }
    Status LocalGroupAddMember(const std::string&, const std::string&, const Sid&) override { return 50; }
    Status LocalGroupDelMember(const std::string&, const std::string&, const Sid&) override { return 50; }
    Status LookupAccountName(const std::string&, const std::string&, Sid&, std::string&, SidNameUse&) override
    {
        return 50;
    }
};

class DirectoryDc : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!g_skipReason.empty())
            GTEST_SKIP() << g_skipReason;
        auto fallback = std::make_unique<FakeFallback>();
        m_fallback = fallback.get();
        std::string error;
        m_api = CreateDomainNetApi(kServer, Admin(), std::move(fallback), &error);
        ASSERT_TRUE(m_api) << error;
        ASSERT_NE(dynamic_cast<DirectoryNetApi*>(m_api.get()), nullptr) << "the directory route was not chosen";
    }

    USER_INFO_3 User(const std::string& name)
    {
        USER_INFO_3 u;
        EXPECT_EQ(m_api->UserGetInfo(kServer, name, u), NERR_Success) << name;
        return u;
    }

    // A log-on of `user` with `password` through the directory (an LDAPS bind).
    static directory::ConnectFailure Logon(const std::string& user, const std::string& password)
    {
        directory::ConnectOptions options;
        options.host = "dc1.vellox.test";
        options.credentials = Credentials{user, "VELLOX", password};
        directory::ConnectFailure failure = directory::ConnectFailure::None;
        std::string error;
        auto session = directory::LdapSession::Connect(options, failure, error);
        return session ? directory::ConnectFailure::None : failure;
    }

    // A Kerberos log-on (kinit), which takes no old password after a change (a simple
    // bind may, during the domain's old-password period).
    static bool Kinit(const std::string& user, const std::string& password)
    {
        const vxtest::PrivateFolder secrets;
        const std::string pass = secrets.Write("pass", password + "\n");
        EXPECT_NE(pass, "") << "no private file for the password";
        return !pass.empty() && Shell("KRB5CCNAME=FILE:" + secrets.Path() + "/ccache kinit " + user +
                                      "@VELLOX.TEST < '" + pass + "' >/dev/null 2>&1") == 0;
    }

    std::unique_ptr<NetApi> m_api;
    FakeFallback* m_fallback = nullptr;
};

template <class T, class F>
std::vector<std::string> Names(const std::vector<T>& list, F name)
{
    std::vector<std::string> out;
    for (const auto& item : list)
        out.push_back(name(item));
    return out;
}

// The texts of both routes' lists, each sorted (the routes list in different orders).
template <class T, class F>
std::pair<std::vector<std::string>, std::vector<std::string>> SortedTexts(const std::vector<T>& a,
                                                                          const std::vector<T>& b, F text)
{
    auto x = Names(a, text), y = Names(b, text);
    std::sort(x.begin(), x.end());
    std::sort(y.begin(), y.end());
    return {x, y};
}

bool Contains(const std::vector<std::string>& list, const std::string& name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

// Every field of a level-3 record but the password's age (seconds pass between reads).
auto Fields(const USER_INFO_3& u)
{
    return std::tie(u.usri3_name, u.usri3_priv, u.usri3_home_dir, u.usri3_comment, u.usri3_flags, u.usri3_script_path,
                    u.usri3_auth_flags, u.usri3_full_name, u.usri3_usr_comment, u.usri3_parms, u.usri3_workstations,
                    u.usri3_last_logon, u.usri3_last_logoff, u.usri3_acct_expires, u.usri3_max_storage,
                    u.usri3_units_per_week, u.usri3_logon_hours, u.usri3_bad_pw_count, u.usri3_num_logons,
                    u.usri3_logon_server, u.usri3_country_code, u.usri3_code_page, u.usri3_user_id,
                    u.usri3_primary_group_id, u.usri3_profile, u.usri3_home_dir_drive, u.usri3_password_expired);
}

// Each global group with its members as GroupEnum and GroupGetUsers give them one by one.
std::vector<GroupWithUsers> GroupByGroup(NetApi& api)
{
    std::vector<GROUP_INFO_2> groups;
    EXPECT_EQ(api.GroupEnum(kServer, groups), NERR_Success);
    std::vector<GroupWithUsers> out;
    for (const auto& g : groups) {
        out.push_back({g, NERR_Success, {}});
        out.back().status = api.GroupGetUsers(kServer, g.grpi2_name, out.back().users);
    }
    return out;
}

void ExpectSameGroups(const std::vector<GroupWithUsers>& a, const std::vector<GroupWithUsers>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(a[i].group.grpi2_name);
        EXPECT_EQ(std::tie(a[i].group.grpi2_name, a[i].group.grpi2_comment, a[i].group.grpi2_group_id,
                           a[i].group.grpi2_attributes, a[i].status),
                  std::tie(b[i].group.grpi2_name, b[i].group.grpi2_comment, b[i].group.grpi2_group_id,
                           b[i].group.grpi2_attributes, b[i].status));
        const auto name = [](const GROUP_USERS_INFO_0& m) { return m.grui0_name; };
        EXPECT_EQ(Names(a[i].users, name), Names(b[i].users, name));
    }
}

// ---- choosing the route and protecting the connection ----------------------------------

TEST_F(DirectoryDc, NoDirectoryMeansTheFallback)
{
    auto fallback = std::make_unique<FakeFallback>();
    NetApi* raw = fallback.get();
    std::string error;
    // Nothing listens on the loopback's LDAP port in this namespace.
    auto api = CreateDomainNetApi("\\\\127.0.0.1", Admin(), std::move(fallback), &error);
    EXPECT_EQ(api.get(), raw);
    EXPECT_TRUE(error.empty());
}

TEST_F(DirectoryDc, CertificateOfAnotherCaIsAnError)
{
    const vxtest::PrivateFolder folder;
    const std::string& dir = folder.Path();
    ASSERT_NE(dir, "");
    ASSERT_EQ(Shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Unrelated-CA -keyout '" + dir +
                    "/key.pem' -out '" + dir + "/ca.pem' 2>/dev/null"),
              0);
    directory::ConnectOptions options;
    options.host = "dc1.vellox.test";
    options.caFile = dir + "/ca.pem";
    options.credentials = Admin();
    directory::ConnectFailure failure = directory::ConnectFailure::None;
    std::string error;
    EXPECT_EQ(directory::LdapSession::Connect(options, failure, error), nullptr) << "an unverified certificate";
    EXPECT_EQ(failure, directory::ConnectFailure::Certificate);
    EXPECT_NE(error.find(dir + "/ca.pem"), std::string::npos) << error;
}

TEST_F(DirectoryDc, NoKerberosTicketNamesKinit)
{
    const vxtest::PrivateFolder folder;
    ASSERT_NE(folder.Path(), "");
    const std::string cache = folder.Path() + "/ccache";
    setenv("KRB5CCNAME", ("FILE:" + cache).c_str(), 1);
    std::string error;
    auto api = CreateDomainNetApi(kServer, std::nullopt, std::make_unique<FakeFallback>(), &error);
    unsetenv("KRB5CCNAME");
    EXPECT_EQ(api, nullptr);
    EXPECT_NE(error.find("kinit"), std::string::npos) << error;
}

TEST_F(DirectoryDc, KerberosBindIsSealedAndReads)
{
    // The Administrator's ticket and password stay in the folder, which goes with the test.
    const vxtest::PrivateFolder secrets;
    const std::string pass = secrets.Write("pass", Admin().password + "\n");
    ASSERT_NE(pass, "");
    setenv("KRB5CCNAME", ("FILE:" + secrets.Path() + "/ccache").c_str(), 1);
    ASSERT_EQ(Shell("kinit Administrator@VELLOX.TEST < '" + pass + "' >/dev/null 2>&1"), 0);
    std::string error;
    auto api = CreateDomainNetApi(kServer, std::nullopt, std::make_unique<FakeFallback>(), &error);
    ASSERT_NE(api, nullptr) << error;
    std::vector<USER_INFO_0> users;
    EXPECT_EQ(api->UserEnum(kServer, FILTER_NORMAL_ACCOUNT, users), NERR_Success);
    EXPECT_TRUE(Contains(Names(users, [](auto& u) { return u.usri0_name; }), "dx.plain"));
    api.reset();
    Shell("kdestroy >/dev/null 2>&1");
    unsetenv("KRB5CCNAME");
}

TEST_F(DirectoryDc, SrvsvcCallsGoToTheFallback)
{
    SERVER_INFO_101 info;
    EXPECT_EQ(m_api->ServerGetInfo(kServer, info), NERR_Success);
    EXPECT_EQ(m_fallback->serverInfoCalls, 1);
    std::vector<SHARE_INFO_1> shares;
    EXPECT_EQ(m_api->ShareEnum(kServer, shares), NERR_Success);
    ASSERT_EQ(shares.size(), 1u);
    // Another server than the controller is not answered from this directory.
    USER_INFO_3 u;
    EXPECT_EQ(m_api->UserGetInfo("\\\\OTHER", "dx.plain", u), ERROR_NOT_SUPPORTED);
}

// ---- users ----------------------------------------------------------------------------

TEST_F(DirectoryDc, UserEnumFiltersAccountKinds)
{
    std::vector<USER_INFO_3> normal;
    ASSERT_EQ(m_api->UserEnum(kServer, FILTER_NORMAL_ACCOUNT, normal), NERR_Success);
    const auto names = Names(normal, [](auto& u) { return u.usri3_name; });
    EXPECT_TRUE(Contains(names, "Administrator"));
    EXPECT_TRUE(Contains(names, "dx.plain"));
    EXPECT_TRUE(Contains(names, "dx.big1599"));
    EXPECT_FALSE(Contains(names, "DXWS1$"));
    EXPECT_FALSE(Contains(names, "DC1$"));
    std::vector<USER_INFO_0> workstations, servers;
    ASSERT_EQ(m_api->UserEnum(kServer, FILTER_WORKSTATION_TRUST_ACCOUNT, workstations), NERR_Success);
    ASSERT_EQ(m_api->UserEnum(kServer, FILTER_SERVER_TRUST_ACCOUNT, servers), NERR_Success);
    EXPECT_EQ(Names(workstations, [](auto& u) { return u.usri0_name; }), std::vector<std::string>{"DXWS1$"});
    EXPECT_EQ(Names(servers, [](auto& u) { return u.usri0_name; }), std::vector<std::string>{"DC1$"});
    // Level 0 and level 3 list the same accounts (more than one 1,000-entry page).
    std::vector<USER_INFO_0> level0;
    ASSERT_EQ(m_api->UserEnum(kServer, FILTER_NORMAL_ACCOUNT, level0), NERR_Success);
    EXPECT_EQ(Names(level0, [](auto& u) { return u.usri0_name; }), names);
    EXPECT_GT(names.size(), 1600u);
}

TEST_F(DirectoryDc, NeverExpiringAccounts)
{
    EXPECT_EQ(User("dx.noexpire").usri3_acct_expires, TIMEQ_FOREVER);
    EXPECT_EQ(User("dx.zeroexpire").usri3_acct_expires, TIMEQ_FOREVER);
    EXPECT_EQ(User("dx.expires").usri3_acct_expires, 1909008000u);  // 2030-06-30
}

TEST_F(DirectoryDc, UserFieldsFromTheDirectory)
{
    const USER_INFO_3 plain = User("dx.plain");
    EXPECT_EQ(plain.usri3_full_name, "Plain Dir User");
    EXPECT_EQ(plain.usri3_comment, "An ordinary account");
    EXPECT_EQ(plain.usri3_last_logon, 0u);
    EXPECT_GT(plain.usri3_password_age, 0u);
    EXPECT_EQ(plain.usri3_password_expired, 0u);
    EXPECT_EQ(plain.usri3_max_storage, USER_MAXSTORAGE_UNLIMITED);
    EXPECT_EQ(plain.usri3_flags & (UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE | UF_LOCKOUT), UF_NORMAL_ACCOUNT);
    EXPECT_EQ(plain.usri3_primary_group_id, 513u);
    EXPECT_GT(plain.usri3_user_id, 1000u);
    EXPECT_EQ(User("dx.disabled").usri3_flags & UF_ACCOUNTDISABLE, UF_ACCOUNTDISABLE);
    EXPECT_EQ(User("dx.pwnever").usri3_flags & UF_DONT_EXPIRE_PASSWD, UF_DONT_EXPIRE_PASSWD);
    const USER_INFO_3 must = User("dx.mustchange");
    EXPECT_EQ(must.usri3_password_age, 0u);
    EXPECT_EQ(must.usri3_password_expired, 1u);
    EXPECT_EQ(must.usri3_flags & UF_PASSWORD_EXPIRED, UF_PASSWORD_EXPIRED);
    EXPECT_EQ(plain.usri3_flags & UF_PASSWORD_EXPIRED, 0u);
    const USER_INFO_3 profile = User("dx.profile");
    EXPECT_EQ(profile.usri3_profile, std::optional<std::string>("\\\\dc1\\profiles\\dx.profile"));
    EXPECT_EQ(profile.usri3_script_path, "logon.cmd");
    EXPECT_EQ(User("dx.emptyprofile").usri3_profile, std::optional<std::string>(""));
    USER_INFO_3 missing;
    EXPECT_EQ(m_api->UserGetInfo(kServer, "dx.nobody", missing), NERR_UserNotFound);
    EXPECT_EQ(m_api->UserGetInfo(kServer, "dx-staff", missing), NERR_UserNotFound);  // a group
    // A name with filter characters is a name, not a filter.
    EXPECT_EQ(m_api->UserGetInfo(kServer, "dx.*", missing), NERR_UserNotFound);
}

// The enumeration converts each account while the answer arrives, GetInfo from the
// account's entry: both give every field alike.
TEST_F(DirectoryDc, EnumerationAgreesWithGetInfo)
{
    std::vector<USER_INFO_3> all;
    ASSERT_EQ(m_api->UserEnum(kServer, FILTER_NORMAL_ACCOUNT, all), NERR_Success);
    std::size_t compared = 0;
    for (const USER_INFO_3& listed : all) {
        if (listed.usri3_name.rfind("dx.", 0) != 0 || listed.usri3_name.rfind("dx.big", 0) == 0)
            continue;
        SCOPED_TRACE(listed.usri3_name);
        const USER_INFO_3 one = User(listed.usri3_name);
        EXPECT_EQ(Fields(listed), Fields(one));
        EXPECT_EQ(listed.usri3_password_age == 0, one.usri3_password_age == 0);
        ++compared;
    }
    EXPECT_GE(compared, 15u);
}

TEST_F(DirectoryDc, FullNameAndDescriptionWritten)
{
    USER_INFO_3 u = User("dx.writer");
    u.usri3_full_name = "Writer \xc3\x84nderung";  // UTF-8 survives
    u.usri3_comment = "";
    ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.writer", u), NERR_Success);
    USER_INFO_3 back = User("dx.writer");
    EXPECT_EQ(back.usri3_full_name, "Writer \xc3\x84nderung");
    EXPECT_EQ(back.usri3_comment, "");
    back.usri3_full_name = "Writer Original";
    back.usri3_comment = "Rewritten by the tests";
    ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.writer", back), NERR_Success);
    EXPECT_EQ(User("dx.writer").usri3_comment, "Rewritten by the tests");
    // The other fields were left alone: no flag changed by a plain rewrite.
    EXPECT_EQ(User("dx.writer").usri3_flags, back.usri3_flags);
}

TEST_F(DirectoryDc, EveryCombinationOfTheFourOptions)
{
    for (unsigned combo = 0; combo < 32; ++combo) {
        const bool disabled = combo & 1, neverExpires = combo & 2, cannotChange = combo & 4, unlock = combo & 8;
        const bool mustChange = (combo & 16) && !neverExpires;
        if (unlock) {
            ASSERT_EQ(Shell(Script() + " lock '" + g_dir + "' dx.flags >/dev/null 2>&1"), 0);
        }
        USER_INFO_3 u = User("dx.flags");
        EXPECT_EQ((u.usri3_flags & UF_LOCKOUT) != 0, unlock) << "combination " << combo;
        const std::uint32_t kOptions = UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD | UF_PASSWD_CANT_CHANGE | UF_LOCKOUT;
        // UF_PASSWORD_EXPIRED is computed: it follows "must change", whatever was written.
        const std::uint32_t others = u.usri3_flags & ~(kOptions | UF_PASSWORD_EXPIRED);
        u.usri3_flags = others | (disabled ? UF_ACCOUNTDISABLE : 0) | (neverExpires ? UF_DONT_EXPIRE_PASSWD : 0) |
                        (cannotChange ? UF_PASSWD_CANT_CHANGE : 0) | (combo & 4 ? UF_PASSWORD_EXPIRED : 0);
        u.usri3_password_expired = mustChange ? 1 : 0;
        ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.flags", u), NERR_Success) << "combination " << combo;
        const USER_INFO_3 back = User("dx.flags");
        EXPECT_EQ(back.usri3_flags & ~UF_PASSWORD_EXPIRED, u.usri3_flags & ~UF_PASSWORD_EXPIRED)
            << "combination " << combo;
        EXPECT_EQ((back.usri3_flags & UF_PASSWORD_EXPIRED) != 0, mustChange) << "combination " << combo;
        EXPECT_EQ(back.usri3_password_expired, u.usri3_password_expired) << "combination " << combo;
        EXPECT_EQ(back.usri3_password_age == 0, mustChange) << "combination " << combo;
        // Written again unchanged, nothing moves.
        ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.flags", back), NERR_Success);
        EXPECT_EQ(User("dx.flags").usri3_flags, back.usri3_flags) << "combination " << combo;
    }
}

TEST_F(DirectoryDc, LockedAccountStaysLockedUnlessCleared)
{
    ASSERT_EQ(Shell(Script() + " lock '" + g_dir + "' dx.locked >/dev/null 2>&1"), 0);
    USER_INFO_3 u = User("dx.locked");
    ASSERT_TRUE(u.usri3_flags & UF_LOCKOUT);
    ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.locked", u), NERR_Success);
    EXPECT_TRUE(User("dx.locked").usri3_flags & UF_LOCKOUT);
    // Setting the bit on an unlocked account can't lock it.
    u.usri3_flags &= ~UF_LOCKOUT;
    ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.locked", u), NERR_Success);
    u = User("dx.locked");
    EXPECT_FALSE(u.usri3_flags & UF_LOCKOUT);
    u.usri3_flags |= UF_LOCKOUT;
    ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.locked", u), NERR_Success);
    EXPECT_FALSE(User("dx.locked").usri3_flags & UF_LOCKOUT);
}

TEST_F(DirectoryDc, NewPasswordLogsOnAndOldIsRefused)
{
    const std::string fresh = "Fresh-Pass-" + std::to_string(::getpid()) + "b";
    // Start from the known password, whatever an earlier run left.
    USER_INFO_3 u = User("dx.password");
    u.usri3_password = kTestPassword;
    u.usri3_password_expired = 0;
    ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.password", u), NERR_Success);
    ASSERT_EQ(Logon("dx.password", kTestPassword), directory::ConnectFailure::None);
    u.usri3_password = fresh;
    ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.password", u), NERR_Success);
    EXPECT_EQ(Logon("dx.password", fresh), directory::ConnectFailure::None);
    EXPECT_TRUE(Kinit("dx.password", fresh));
    EXPECT_FALSE(Kinit("dx.password", kTestPassword));
    EXPECT_EQ(Logon("dx.password", "Not-The-Password-9z"), directory::ConnectFailure::LogonFailure);
    EXPECT_GT(User("dx.password").usri3_password_age, 0u);
    // A password the policy refuses changes nothing, the description included.
    u.usri3_password = "a";
    u.usri3_comment = "must not be written";
    EXPECT_EQ(m_api->UserSetInfo(kServer, "dx.password", u), NERR_PasswordTooShort);
    EXPECT_EQ(Logon("dx.password", fresh), directory::ConnectFailure::None);
    EXPECT_EQ(User("dx.password").usri3_comment, "Password set by the tests");
}

TEST_F(DirectoryDc, WritesNeedTheRights)
{
    USER_INFO_3 u = User("dx.password");
    u.usri3_password = kTestPassword;
    ASSERT_EQ(m_api->UserSetInfo(kServer, "dx.password", u), NERR_Success);
    std::string error;
    auto plain = CreateDomainNetApi(kServer, Credentials{"dx.password", "VELLOX", kTestPassword}, nullptr, &error);
    ASSERT_NE(plain, nullptr) << error;
    USER_INFO_3 other;
    ASSERT_EQ(plain->UserGetInfo(kServer, "dx.writer", other), NERR_Success);
    other.usri3_comment = "changed by an ordinary user";
    EXPECT_EQ(plain->UserSetInfo(kServer, "dx.writer", other), ERROR_ACCESS_DENIED);
    EXPECT_EQ(plain->GroupAddUser(kServer, "Domain Admins", "dx.password"), ERROR_ACCESS_DENIED);
}

// ---- groups -------------------------------------------------------------------------------

TEST_F(DirectoryDc, GlobalGroupsWithComments)
{
    std::vector<GROUP_INFO_2> groups;
    ASSERT_EQ(m_api->GroupEnum(kServer, groups), NERR_Success);
    const auto names = Names(groups, [](auto& g) { return g.grpi2_name; });
    EXPECT_TRUE(Contains(names, "Domain Users"));
    EXPECT_TRUE(Contains(names, "dx-staff"));
    EXPECT_FALSE(Contains(names, "dx-local"));
    EXPECT_FALSE(Contains(names, "Administrators"));
    const auto staff = std::find_if(groups.begin(), groups.end(), [](auto& g) { return g.grpi2_name == "dx-staff"; });
    EXPECT_EQ(staff->grpi2_comment, "Staff (global)");
    GROUP_INFO_2 info;
    EXPECT_EQ(m_api->GroupGetInfo(kServer, "dx-staff", info), NERR_Success);
    EXPECT_EQ(info.grpi2_group_id, staff->grpi2_group_id);
    EXPECT_EQ(m_api->GroupGetInfo(kServer, "dx-local", info), NERR_GroupNotFound);
    EXPECT_EQ(m_api->GroupGetInfo(kServer, "dx.nothing", info), NERR_GroupNotFound);
}

TEST_F(DirectoryDc, GroupMembersIncludingPrimaryAndLargeGroups)
{
    std::vector<GROUP_USERS_INFO_0> members;
    ASSERT_EQ(m_api->GroupGetUsers(kServer, "dx-staff", members), NERR_Success);
    EXPECT_EQ(Names(members, [](auto& m) { return m.grui0_name; }),
              (std::vector<std::string>{"dx.indirect", "dx.plain"}));
    ASSERT_EQ(m_api->GroupGetUsers(kServer, "dx-big", members), NERR_Success);
    ASSERT_EQ(members.size(), 1600u) << "a group of more than 1,500 members must be read whole";
    EXPECT_EQ(members.front().grui0_name, "dx.big0000");
    EXPECT_EQ(members.back().grui0_name, "dx.big1599");
    ASSERT_EQ(m_api->GroupGetUsers(kServer, "Domain Users", members), NERR_Success);
    EXPECT_TRUE(Contains(Names(members, [](auto& m) { return m.grui0_name; }), "dx.plain"));
}

// GROUPS reads every group with its members in a fixed number of searches: the same
// groups, members and statuses as asking group by group. dx-nest holds a global group
// (named by the groups' own search) and a contact (no account name: left out).
TEST_F(DirectoryDc, GroupsReadTogetherAgreeWithGroupByGroup)
{
    std::vector<GroupWithUsers> together;
    ASSERT_EQ(m_api->GroupEnumWithUsers(kServer, together), NERR_Success);
    ExpectSameGroups(together, GroupByGroup(*m_api));
    const auto find = [&](const std::string& name) {
        return std::find_if(together.begin(), together.end(), [&](auto& g) { return g.group.grpi2_name == name; });
    };
    const auto name = [](const GROUP_USERS_INFO_0& m) { return m.grui0_name; };
    ASSERT_NE(find("dx-nest"), together.end());
    EXPECT_EQ(Names(find("dx-nest")->users, name), (std::vector<std::string>{"dx-staff"}));
    ASSERT_NE(find("dx-big"), together.end());
    EXPECT_EQ(find("dx-big")->users.size(), 1600u);
    ASSERT_NE(find("Domain Computers"), together.end());
    EXPECT_TRUE(Contains(Names(find("Domain Computers")->users, name), "DXWS1$"));  // a primary group only
    std::vector<GroupWithUsers> none;
    EXPECT_EQ(m_api->GroupEnumWithUsers("\\\\ELSEWHERE", none), 50u) << "another server goes to the fallback";
}

// The Group Properties dialog on the directory route: the 1,600-member group opens
// complete, and OK without a change writes nothing (the group's update number stays).
TEST_F(DirectoryDc, GroupPropertiesOfALargeGroupOpenWholeAndOkWithoutChangesWritesNothing)
{
    const auto updateNumber = [] {
        directory::ConnectOptions options;
        options.host = "dc1.vellox.test";
        options.credentials = Admin();
        directory::ConnectFailure failure = directory::ConnectFailure::None;
        std::string error;
        auto session = directory::LdapSession::Connect(options, failure, error);
        std::vector<directory::Entry> found;
        EXPECT_TRUE(session) << error;
        if (session)
            session->Search("DC=vellox,DC=test", true, "(sAMAccountName=dx-big)", {"uSNChanged"}, found);
        return found.empty() ? std::string() : found.front().Text("usnchanged");
    };
    const std::string before = updateNumber();
    ASSERT_FALSE(before.empty());
    fx::EnsureApplication();
    res::Install();
    CGroupPropsDlg dlg(*m_api);
    dlg.m_pServerName = &kServer;
    dlg.m_strGroup = "dx-big";
    Status status = NERR_Success;
    ASSERT_TRUE(dlg.Load(status)) << status;
    int members = 0;
    fx::testing::SetModalHandler([&](CWnd& window) {
        members = dlg.m_listMembers.GetCount();
        fx::testing::Click(window, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    fx::testing::ResetHandlers();
    EXPECT_EQ(members, 1600);
    EXPECT_EQ(updateNumber(), before);
}

TEST_F(DirectoryDc, UserGlobalGroups)
{
    std::vector<GROUP_USERS_INFO_1> groups;
    ASSERT_EQ(m_api->UserGetGroups(kServer, "dx.plain", groups), NERR_Success);
    const auto names = Names(groups, [](auto& g) { return g.grui1_name; });
    EXPECT_TRUE(Contains(names, "dx-staff"));
    EXPECT_TRUE(Contains(names, "Domain Users"));
    EXPECT_FALSE(Contains(names, "dx-local"));
    EXPECT_EQ(m_api->UserGetGroups(kServer, "dx.nobody", groups), NERR_UserNotFound);
}

TEST_F(DirectoryDc, LocalGroupsBuiltinAndDomainLocal)
{
    std::vector<LOCALGROUP_INFO_1> groups;
    ASSERT_EQ(m_api->LocalGroupEnum(kServer, groups), NERR_Success);
    const auto names = Names(groups, [](auto& g) { return g.lgrpi1_name; });
    EXPECT_TRUE(Contains(names, "Administrators"));
    EXPECT_TRUE(Contains(names, "dx-local"));
    EXPECT_FALSE(Contains(names, "dx-staff"));
    const auto builtin = std::find(names.begin(), names.end(), "Administrators");
    const auto local = std::find(names.begin(), names.end(), "dx-local");
    EXPECT_LT(builtin, local);  // builtin groups come first
}

TEST_F(DirectoryDc, DirectAndIndirectLocalMembership)
{
    std::vector<LOCALGROUP_USERS_INFO_0> direct, all;
    auto names = [](auto& list) { return Names(list, [](auto& g) { return g.lgrui0_name; }); };
    ASSERT_EQ(m_api->UserGetLocalGroups(kServer, "dx.indirect", 0, direct), NERR_Success);
    ASSERT_EQ(m_api->UserGetLocalGroups(kServer, "dx.indirect", LG_INCLUDE_INDIRECT, all), NERR_Success);
    EXPECT_FALSE(Contains(names(direct), "dx-local"));
    EXPECT_TRUE(Contains(names(all), "dx-local"));
    EXPECT_TRUE(Contains(names(all), "Users"));  // builtin, through Domain Users
    ASSERT_EQ(m_api->UserGetLocalGroups(kServer, "dx.plain", 0, direct), NERR_Success);
    EXPECT_TRUE(Contains(names(direct), "dx-local"));
}

TEST_F(DirectoryDc, GroupMembershipWritesAndStatuses)
{
    m_api->GroupDelUser(kServer, "dx-writes", "dx.member");  // whatever an earlier run left
    EXPECT_EQ(m_api->GroupAddUser(kServer, "dx-writes", "dx.member"), NERR_Success);
    EXPECT_EQ(m_api->GroupAddUser(kServer, "dx-writes", "dx.member"), ERROR_MEMBER_IN_GROUP);
    std::vector<GROUP_USERS_INFO_0> members;
    ASSERT_EQ(m_api->GroupGetUsers(kServer, "dx-writes", members), NERR_Success);
    EXPECT_TRUE(Contains(Names(members, [](auto& m) { return m.grui0_name; }), "dx.member"));
    EXPECT_EQ(m_api->GroupDelUser(kServer, "dx-writes", "dx.member"), NERR_Success);
    EXPECT_EQ(m_api->GroupDelUser(kServer, "dx-writes", "dx.member"), ERROR_MEMBER_NOT_IN_GROUP);
    EXPECT_EQ(m_api->GroupAddUser(kServer, "dx-nogroup", "dx.member"), NERR_GroupNotFound);
    EXPECT_EQ(m_api->GroupAddUser(kServer, "dx-writes", "dx.nobody"), NERR_UserNotFound);
    EXPECT_EQ(m_api->GroupAddUser(kServer, "dx-local", "dx.member"), NERR_GroupNotFound);  // not global
    EXPECT_EQ(m_api->GroupAddUser(kServer, "Domain Users", "dx.member"), ERROR_MEMBER_IN_GROUP);
    EXPECT_EQ(m_api->GroupDelUser(kServer, "Domain Users", "dx.member"), 1374u);  // its primary group
}

TEST_F(DirectoryDc, GroupDescriptionWritten)
{
    GROUP_INFO_2 info;
    ASSERT_EQ(m_api->GroupGetInfo(kServer, "dx-writes", info), NERR_Success);
    info.grpi2_comment = "Changed, with a comma";
    ASSERT_EQ(m_api->GroupSetInfo(kServer, "dx-writes", info), NERR_Success);
    ASSERT_EQ(m_api->GroupGetInfo(kServer, "dx-writes", info), NERR_Success);
    EXPECT_EQ(info.grpi2_comment, "Changed, with a comma");
    info.grpi2_comment = "";
    ASSERT_EQ(m_api->GroupSetInfo(kServer, "dx-writes", info), NERR_Success);
    ASSERT_EQ(m_api->GroupSetInfo(kServer, "dx-writes", info), NERR_Success);  // clearing twice is fine
    info.grpi2_comment = "Changed by the tests";
    ASSERT_EQ(m_api->GroupSetInfo(kServer, "dx-writes", info), NERR_Success);
    EXPECT_EQ(m_api->GroupSetInfo(kServer, "dx-nogroup", info), NERR_GroupNotFound);
}

TEST_F(DirectoryDc, LocalGroupMembershipBySid)
{
    Sid sid;
    std::string domain;
    SidNameUse use = SidNameUse::Unknown;
    ASSERT_EQ(m_api->LookupAccountName(kServer, "VELLOX\\dx.member", sid, domain, use), NERR_Success);
    EXPECT_EQ(domain, "VELLOX");
    EXPECT_EQ(use, SidNameUse::User);
    EXPECT_EQ(sid.text.rfind("S-1-5-21-", 0), 0u);
    m_api->LocalGroupDelMember(kServer, "dx-local-writes", sid);
    EXPECT_EQ(m_api->LocalGroupAddMember(kServer, "dx-local-writes", sid), NERR_Success);
    EXPECT_EQ(m_api->LocalGroupAddMember(kServer, "dx-local-writes", sid), ERROR_MEMBER_IN_ALIAS);
    std::vector<LOCALGROUP_USERS_INFO_0> groups;
    ASSERT_EQ(m_api->UserGetLocalGroups(kServer, "dx.member", 0, groups), NERR_Success);
    EXPECT_TRUE(Contains(Names(groups, [](auto& g) { return g.lgrui0_name; }), "dx-local-writes"));
    EXPECT_EQ(m_api->LocalGroupDelMember(kServer, "dx-local-writes", sid), NERR_Success);
    EXPECT_EQ(m_api->LocalGroupDelMember(kServer, "dx-local-writes", sid), ERROR_MEMBER_NOT_IN_ALIAS);
    EXPECT_EQ(m_api->LocalGroupAddMember(kServer, "dx-staff", sid), NERR_GroupNotFound);  // global
    Sid unknown{sid.text.substr(0, sid.text.rfind('-')) + "-999999"};
    EXPECT_EQ(m_api->LocalGroupAddMember(kServer, "dx-local-writes", unknown), 1387u);
    Sid garbage{"S-1-5-21-x"};
    EXPECT_EQ(m_api->LocalGroupAddMember(kServer, "dx-local-writes", garbage), 1387u);
    ASSERT_EQ(m_api->LookupAccountName(kServer, "dx-local", sid, domain, use), NERR_Success);
    EXPECT_EQ(use, SidNameUse::Alias);
    ASSERT_EQ(m_api->LookupAccountName(kServer, "Administrators", sid, domain, use), NERR_Success);
    EXPECT_EQ(domain, "BUILTIN");
    EXPECT_EQ(sid.text, "S-1-5-32-544");
    EXPECT_EQ(m_api->LookupAccountName(kServer, "OTHER\\dx.member", sid, domain, use), ERROR_NONE_MAPPED);
}

// ---- servers ------------------------------------------------------------------------------

TEST_F(DirectoryDc, ComputersAndTheController)
{
    std::vector<SERVER_INFO_101> servers;
    std::uint32_t total = 0;
    ASSERT_EQ(m_api->ServerEnum("", SV_TYPE_ALL, "", servers, total), NERR_Success);
    EXPECT_EQ(total, servers.size());
    const auto dc = std::find_if(servers.begin(), servers.end(), [](auto& s) { return s.sv101_name == "DC1"; });
    const auto ws = std::find_if(servers.begin(), servers.end(), [](auto& s) { return s.sv101_name == "DXWS1"; });
    ASSERT_NE(dc, servers.end());
    ASSERT_NE(ws, servers.end());
    // The server's own answer, with the controller bit the account kind gives.
    EXPECT_EQ(dc->sv101_type, 0x809a03u | SV_TYPE_DOMAIN_CTRL);
    EXPECT_FALSE(ws->sv101_type & (SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL));
    ASSERT_EQ(m_api->ServerEnum("", SV_TYPE_DOMAIN_CTRL, "", servers, total), NERR_Success);
    ASSERT_EQ(servers.size(), 1u);
    EXPECT_EQ(servers[0].sv101_name, "DC1");
    std::string dcName;
    EXPECT_EQ(m_api->GetDCName(kServer, "", dcName), NERR_Success);
    EXPECT_EQ(dcName, "\\\\DC1");
}

TEST_F(DirectoryDc, ServerRolesDerivedWithoutAFallback)
{
    std::string error;
    auto api = CreateDomainNetApi(kServer, Admin(), nullptr, &error);
    ASSERT_NE(api, nullptr) << error;
    std::vector<SERVER_INFO_101> servers;
    std::uint32_t total = 0;
    ASSERT_EQ(api->ServerEnum("", SV_TYPE_ALL, "", servers, total), NERR_Success);
    const auto dc = std::find_if(servers.begin(), servers.end(), [](auto& s) { return s.sv101_name == "DC1"; });
    ASSERT_NE(dc, servers.end());
    EXPECT_TRUE(dc->sv101_type & SV_TYPE_DOMAIN_CTRL);
    EXPECT_TRUE(dc->sv101_type & SV_TYPE_SERVER_NT);
    SERVER_INFO_101 info;
    EXPECT_EQ(api->ServerGetInfo(kServer, info), ERROR_NOT_SUPPORTED);
}

}  // namespace

TEST_F(DirectoryDc, ServerThatCapsUnpagedAnswersIsReadInPages)
{
    // As Windows caps an unpaged answer at MaxPageSize: here at 100 entries.
    DirectoryOptions options;
    options.unpagedSizeLimit = 100;
    std::string error;
    auto capped = CreateDomainNetApi(kServer, Admin(), std::make_unique<FakeFallback>(), &error, options);
    ASSERT_TRUE(capped) << error;
    std::vector<USER_INFO_0> whole, paged;
    ASSERT_EQ(m_api->UserEnum(kServer, FILTER_NORMAL_ACCOUNT, whole), NERR_Success);
    ASSERT_EQ(capped->UserEnum(kServer, FILTER_NORMAL_ACCOUNT, paged), NERR_Success);
    ASSERT_GT(whole.size(), 1600u);
    EXPECT_EQ(paged.size(), whole.size());
    std::vector<GROUP_USERS_INFO_0> members;
    ASSERT_EQ(capped->GroupGetUsers(kServer, "dx-big", members), NERR_Success);
    EXPECT_EQ(members.size(), 1600u);
    // The readers that work while the answer arrives start again with the pages.
    std::vector<USER_INFO_3> wholeUsers, pagedUsers;
    ASSERT_EQ(m_api->UserEnum(kServer, FILTER_NORMAL_ACCOUNT, wholeUsers), NERR_Success);
    ASSERT_EQ(capped->UserEnum(kServer, FILTER_NORMAL_ACCOUNT, pagedUsers), NERR_Success);
    ASSERT_EQ(pagedUsers.size(), wholeUsers.size());
    for (std::size_t i = 0; i < wholeUsers.size(); ++i)
        EXPECT_EQ(Fields(pagedUsers[i]), Fields(wholeUsers[i]));
    std::vector<GroupWithUsers> wholeGroups, pagedGroups;
    ASSERT_EQ(m_api->GroupEnumWithUsers(kServer, wholeGroups), NERR_Success);
    ASSERT_EQ(capped->GroupEnumWithUsers(kServer, pagedGroups), NERR_Success);
    ExpectSameGroups(pagedGroups, wholeGroups);
}

// --- The two routes side by side: where both are right they must give the same answers.

class SideBySide : public DirectoryDc {
protected:
    void SetUp() override
    {
        if (!g_skipReason.empty())
            GTEST_SKIP() << g_skipReason;
        SambaConnection connection;
        connection.workgroup = "VELLOX";
        connection.credentials = Admin();
        m_samba = CreateSambaNetApi(connection);
        std::string error;
        m_api = CreateDomainNetApi(kServer, Admin(), CreateSambaNetApi(connection), &error);
        ASSERT_TRUE(m_api) << error;
        ASSERT_NE(dynamic_cast<DirectoryNetApi*>(m_api.get()), nullptr);
    }

    std::unique_ptr<NetApi> m_samba;
};

TEST_F(SideBySide, UsersAgreeFieldByField)
{
    // UF_PASSWD_CANT_CHANGE is not among the compared bits: libnetapi has no way to read it.
    constexpr std::uint32_t kCompared = UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD | UF_NORMAL_ACCOUNT | UF_LOCKOUT |
                                        UF_WORKSTATION_TRUST_ACCOUNT | UF_SERVER_TRUST_ACCOUNT | UF_PASSWORD_EXPIRED;
    for (const char* name : {"dx.plain", "dx.noexpire", "dx.zeroexpire", "dx.expires", "dx.disabled", "dx.pwnever",
                             "dx.mustchange", "dx.profile", "dx.emptyprofile", "dx.locked", "Administrator", "Guest"}) {
        SCOPED_TRACE(name);
        USER_INFO_3 viaLdap, viaSamr;
        ASSERT_EQ(m_api->UserGetInfo(kServer, name, viaLdap), NERR_Success);
        ASSERT_EQ(m_samba->UserGetInfo(kServer, name, viaSamr), NERR_Success);
        EXPECT_EQ(viaLdap.usri3_name, viaSamr.usri3_name);
        EXPECT_EQ(viaLdap.usri3_full_name, viaSamr.usri3_full_name);
        EXPECT_EQ(viaLdap.usri3_comment, viaSamr.usri3_comment);
        EXPECT_EQ(viaLdap.usri3_flags & kCompared, viaSamr.usri3_flags & kCompared);
        EXPECT_EQ(viaLdap.usri3_acct_expires, viaSamr.usri3_acct_expires);
        EXPECT_EQ(viaLdap.usri3_profile, viaSamr.usri3_profile);
        EXPECT_EQ(viaLdap.usri3_script_path, viaSamr.usri3_script_path);
        EXPECT_EQ(viaLdap.usri3_home_dir, viaSamr.usri3_home_dir);
        EXPECT_EQ(viaLdap.usri3_priv, viaSamr.usri3_priv);
        EXPECT_EQ(viaLdap.usri3_max_storage, viaSamr.usri3_max_storage);
        EXPECT_EQ(viaLdap.usri3_num_logons, viaSamr.usri3_num_logons);
        EXPECT_EQ(viaLdap.usri3_user_id, viaSamr.usri3_user_id);
        EXPECT_EQ(viaLdap.usri3_primary_group_id, viaSamr.usri3_primary_group_id);
        EXPECT_EQ(viaLdap.usri3_password_age == 0, viaSamr.usri3_password_age == 0);
        EXPECT_EQ(viaLdap.usri3_password_expired, viaSamr.usri3_password_expired);
        EXPECT_NEAR(double(viaLdap.usri3_password_age), double(viaSamr.usri3_password_age), 120.0);
    }
}

TEST_F(SideBySide, AccountListsAgree)
{
    for (std::uint32_t filter :
         {FILTER_NORMAL_ACCOUNT, FILTER_WORKSTATION_TRUST_ACCOUNT, FILTER_SERVER_TRUST_ACCOUNT}) {
        SCOPED_TRACE(filter);
        std::vector<USER_INFO_0> viaLdap, viaSamr;
        ASSERT_EQ(m_api->UserEnum(kServer, filter, viaLdap), NERR_Success);
        ASSERT_EQ(m_samba->UserEnum(kServer, filter, viaSamr), NERR_Success);
        const auto [ldapNames, samrNames] =
            SortedTexts(viaLdap, viaSamr, [](const USER_INFO_0& u) { return u.usri0_name; });
        EXPECT_EQ(ldapNames, samrNames);
        EXPECT_FALSE(ldapNames.empty());
    }
}

TEST_F(SideBySide, GroupsMembersAndMembershipsAgree)
{
    std::vector<GROUP_INFO_2> ldapGroups, samrGroups;
    ASSERT_EQ(m_api->GroupEnum(kServer, ldapGroups), NERR_Success);
    ASSERT_EQ(m_samba->GroupEnum(kServer, samrGroups), NERR_Success);
    const auto [ldapTexts, samrTexts] =
        SortedTexts(ldapGroups, samrGroups, [](const GROUP_INFO_2& g) { return g.grpi2_name + "|" + g.grpi2_comment; });
    EXPECT_EQ(ldapTexts, samrTexts);

    // Not compared: groups of more than 1,000 members (libnetapi's name lookup of the
    // members fails) and primary-group members (Samba's SAMR leaves them out).
    for (const char* group : {"dx-staff", "dx-writes", "Domain Admins", "Enterprise Admins"}) {
        SCOPED_TRACE(group);
        std::vector<GROUP_USERS_INFO_0> viaLdap, viaSamr;
        ASSERT_EQ(m_api->GroupGetUsers(kServer, group, viaLdap), NERR_Success);
        ASSERT_EQ(m_samba->GroupGetUsers(kServer, group, viaSamr), NERR_Success);
        const auto [a, b] = SortedTexts(viaLdap, viaSamr, [](const GROUP_USERS_INFO_0& m) { return m.grui0_name; });
        EXPECT_EQ(a, b);
    }
    for (const char* user : {"dx.plain", "dx.indirect", "Administrator"}) {
        SCOPED_TRACE(user);
        std::vector<GROUP_USERS_INFO_1> viaLdap, viaSamr;
        ASSERT_EQ(m_api->UserGetGroups(kServer, user, viaLdap), NERR_Success);
        ASSERT_EQ(m_samba->UserGetGroups(kServer, user, viaSamr), NERR_Success);
        const auto [a, b] = SortedTexts(viaLdap, viaSamr, [](const GROUP_USERS_INFO_1& g) { return g.grui1_name; });
        EXPECT_EQ(a, b);
    }
}

TEST_F(SideBySide, LocalGroupsAgree)
{
    std::vector<LOCALGROUP_INFO_1> viaLdap, viaSamr;
    ASSERT_EQ(m_api->LocalGroupEnum(kServer, viaLdap), NERR_Success);
    ASSERT_EQ(m_samba->LocalGroupEnum(kServer, viaSamr), NERR_Success);
    const auto [a, b] = SortedTexts(viaLdap, viaSamr,
                                    [](const LOCALGROUP_INFO_1& g) { return g.lgrpi1_name + "|" + g.lgrpi1_comment; });
    EXPECT_EQ(a, b);
}

TEST_F(SideBySide, StatusesOfRefusedCallsAgree)
{
    const auto both = [&](const std::function<Status(NetApi&)>& call) {
        return std::make_pair(call(*m_api), call(*m_samba));
    };
    USER_INFO_3 user;
    GROUP_INFO_2 group;
    using P = std::pair<Status, Status>;
    EXPECT_EQ(both([&](NetApi& a) { return a.UserGetInfo(kServer, "dx.nobody", user); }),
              P(NERR_UserNotFound, NERR_UserNotFound));
    EXPECT_EQ(both([&](NetApi& a) { return a.GroupGetInfo(kServer, "dx-nogroup", group); }),
              P(NERR_GroupNotFound, NERR_GroupNotFound));
    EXPECT_EQ(both([&](NetApi& a) { return a.GroupAddUser(kServer, "dx-staff", "dx.plain"); }),
              P(ERROR_MEMBER_IN_GROUP, ERROR_MEMBER_IN_GROUP));
    EXPECT_EQ(both([&](NetApi& a) { return a.GroupDelUser(kServer, "dx-writes", "dx.plain"); }),
              P(ERROR_MEMBER_NOT_IN_GROUP, ERROR_MEMBER_NOT_IN_GROUP));
    EXPECT_EQ(both([&](NetApi& a) { return a.GroupAddUser(kServer, "dx-nogroup", "dx.plain"); }),
              P(NERR_GroupNotFound, NERR_GroupNotFound));
    EXPECT_EQ(both([&](NetApi& a) { return a.GroupAddUser(kServer, "dx-writes", "dx.nobody"); }),
              P(NERR_UserNotFound, NERR_UserNotFound));

    Sid sid;
    std::string domain;
    SidNameUse use{};
    ASSERT_EQ(m_api->LookupAccountName(kServer, "dx.plain", sid, domain, use), NERR_Success);
    EXPECT_EQ(both([&](NetApi& a) { return a.LocalGroupAddMember(kServer, "dx-local", sid); }),
              P(ERROR_MEMBER_IN_ALIAS, ERROR_MEMBER_IN_ALIAS));
    EXPECT_EQ(both([&](NetApi& a) { return a.LocalGroupDelMember(kServer, "dx-local-writes", sid); }),
              P(ERROR_MEMBER_NOT_IN_ALIAS, ERROR_MEMBER_NOT_IN_ALIAS));
}

TEST_F(SideBySide, ControllerRowAgrees)
{
    std::vector<SERVER_INFO_101> viaLdap, viaSamr;
    std::uint32_t totalLdap = 0, totalSamr = 0;
    ASSERT_EQ(m_api->ServerEnum(kServer, SV_TYPE_ALL, "", viaLdap, totalLdap), NERR_Success);
    ASSERT_EQ(m_samba->ServerEnum(kServer, SV_TYPE_ALL, "", viaSamr, totalSamr), NERR_Success);
    const auto dc = [](const std::vector<SERVER_INFO_101>& list) {
        auto it =
            std::find_if(list.begin(), list.end(), [](const SERVER_INFO_101& s) { return s.sv101_name == "DC1"; });
        return it == list.end() ? std::optional<std::uint32_t>() : std::optional<std::uint32_t>(it->sv101_type);
    };
    ASSERT_TRUE(dc(viaLdap));
    EXPECT_EQ(dc(viaLdap), dc(viaSamr));
    EXPECT_TRUE(*dc(viaLdap) & SV_TYPE_DOMAIN_CTRL);
}

// --- The program's own start-up: an AD controller with credentials gets the directory route.

TEST_F(SideBySide, StartUpChoosesTheDirectoryRoute)
{
    Options options;
    options.server = kServer;
    options.authFile = g_dir + "/admin.auth";
    std::vector<std::string> told;
    Network network = OpenNetwork(options, {[&](const std::string& m) { told.push_back(m); }, nullptr});
    ASSERT_TRUE(network.api) << network.error;
    EXPECT_NE(dynamic_cast<DirectoryNetApi*>(network.api.get()), nullptr);
    EXPECT_EQ(network.route, "directory, Kerberos with the password");
    EXPECT_TRUE(told.empty()) << told.front();
    std::string server;
    EXPECT_EQ(StartupServer(options, *network.api, server), NERR_Success);
    EXPECT_EQ(server, kServer);
}

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);  // the dialog case's window
    unsetenv("QT_QPA_PLATFORMTHEME");
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    PrepareController();
    const int result = RUN_ALL_TESTS();
    // The namespaces are shared by every build tree: leave them free for the next run.
    if (!g_dir.empty())
        Shell(Script() + " stop '" + g_dir + "' >&2");
    return result;
}
