// The sample domain's users: what the USERS display and the user dialog rely on.
#include "net_sim_fixture.h"

using namespace net;
using simtest::Contains;
using simtest::kBdc;
using simtest::kPdc;
using simtest::SampleDomain;

namespace {

std::vector<USER_INFO_3> NormalUsers3(SimNetApi& api)
{
    std::vector<USER_INFO_3> users;
    EXPECT_EQ(api.UserEnum(kPdc, FILTER_NORMAL_ACCOUNT, users), NERR_Success);
    return users;
}

template <class Pred>
bool Any(const std::vector<USER_INFO_3>& users, Pred pred)
{
    return std::any_of(users.begin(), users.end(), pred);
}

}  // namespace

// --- coverage of every USERS column ------------------------------------------

TEST_F(SampleDomain, HasAtLeastFortyNormalUsers)
{
    EXPECT_GE(NormalUsers().size(), 40u);
}

TEST_F(SampleDomain, UsersCoverEveryFlagAndColumn)
{
    const auto users = NormalUsers3(*m_api);
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_flags & UF_ACCOUNTDISABLE; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_flags & UF_LOCKOUT; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_flags & UF_DONT_EXPIRE_PASSWD; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_password_age == 0 && u.usri3_password_expired == 1; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_last_logon == 0; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_num_logons > 10000; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_acct_expires != TIMEQ_FOREVER; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_acct_expires == TIMEQ_FOREVER; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_max_storage == USER_MAXSTORAGE_UNLIMITED; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_max_storage != USER_MAXSTORAGE_UNLIMITED; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return !u.usri3_profile.has_value(); }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_profile && u.usri3_profile->empty(); }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_profile && !u.usri3_profile->empty(); }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_script_path.empty(); }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return !u.usri3_script_path.empty(); }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_full_name.find(',') != std::string::npos; }));
    EXPECT_TRUE(Any(users, [](const auto& u) { return u.usri3_comment.find('\t') != std::string::npos; }));
}

TEST_F(SampleDomain, KnownAccountsReadAsTheFileSays)
{
    const USER_INFO_3 alice = User("abrown");
    EXPECT_EQ(alice.usri3_full_name, "Brown, Alice");
    EXPECT_EQ(alice.usri3_flags, UF_SCRIPT | UF_NORMAL_ACCOUNT);
    EXPECT_EQ(alice.usri3_last_logon, 921257103u);  // 1999-03-12T16:45:03Z
    EXPECT_EQ(alice.usri3_max_storage, 52428800u);
    EXPECT_EQ(alice.usri3_primary_group_id, 513u);
    EXPECT_FALSE(alice.usri3_password.has_value());

    const USER_INFO_3 guest = User("Guest");
    EXPECT_TRUE(guest.usri3_flags & UF_ACCOUNTDISABLE);
    EXPECT_EQ(guest.usri3_last_logon, 0u);
    EXPECT_EQ(guest.usri3_user_id, 501u);
    EXPECT_EQ(guest.usri3_priv, USER_PRIV_GUEST);
    EXPECT_EQ(User("Administrator").usri3_priv, USER_PRIV_ADMIN);
    EXPECT_EQ(User("fgarcia").usri3_acct_expires, 930787199u);  // 1999-06-30T23:59:59Z
    EXPECT_EQ(User("kpatel").usri3_password_age, 0u);
    EXPECT_EQ(User("mlopez").usri3_bad_pw_count, 5u);
}

// --- filters and levels --------------------------------------------------------

TEST_F(SampleDomain, NormalAccountFilterLeavesOutMachineAndTrustAccounts)
{
    const auto normal = NormalUsers();
    EXPECT_FALSE(Contains(normal, "VELLOX-WS01$"));
    EXPECT_FALSE(Contains(normal, "VELLOX-BDC$"));
    EXPECT_FALSE(Contains(normal, "RESEARCH$"));
    for (const USER_INFO_3& u : NormalUsers3(*m_api))
        EXPECT_TRUE(u.usri3_flags & UF_NORMAL_ACCOUNT) << u.usri3_name;

    std::vector<USER_INFO_0> all;
    ASSERT_EQ(m_api->UserEnum(kPdc, 0, all), NERR_Success);
    const auto allNames = simtest::Names(all, &USER_INFO_0::usri0_name);
    EXPECT_TRUE(Contains(allNames, "VELLOX-WS01$"));
    EXPECT_TRUE(Contains(allNames, "RESEARCH$"));
    EXPECT_GT(all.size(), normal.size());
}

TEST_F(SampleDomain, TrustFiltersGiveOnlyTheirKind)
{
    std::vector<USER_INFO_0> ws;
    ASSERT_EQ(m_api->UserEnum(kPdc, FILTER_WORKSTATION_TRUST_ACCOUNT, ws), NERR_Success);
    ASSERT_FALSE(ws.empty());
    for (const auto& u : ws)
        EXPECT_EQ(User(u.usri0_name).usri3_flags & UF_WORKSTATION_TRUST_ACCOUNT, UF_WORKSTATION_TRUST_ACCOUNT);
    std::vector<USER_INFO_0> trusts;
    ASSERT_EQ(m_api->UserEnum(kPdc, FILTER_INTERDOMAIN_TRUST_ACCOUNT, trusts), NERR_Success);
    EXPECT_EQ(simtest::Names(trusts, &USER_INFO_0::usri0_name), std::vector<std::string>{"RESEARCH$"});
}

TEST_F(SampleDomain, LevelZeroAndThreeListTheSameAccounts)
{
    std::vector<std::string> names3;
    for (const USER_INFO_3& u : NormalUsers3(*m_api))
        names3.push_back(u.usri3_name);
    EXPECT_EQ(NormalUsers(), names3);
}

// --- names and servers ---------------------------------------------------------

TEST_F(SampleDomain, AccountNamesAreExactCase)
{
    USER_INFO_3 info;
    EXPECT_EQ(m_api->UserGetInfo(kPdc, "administrator", info), NERR_UserNotFound);
    EXPECT_EQ(m_api->UserGetInfo(kPdc, "ADMINISTRATOR", info), NERR_UserNotFound);
    EXPECT_EQ(m_api->UserGetInfo(kPdc, "Administrator", info), NERR_Success);
    EXPECT_EQ(m_api->UserGetInfo(kPdc, "nobody", info), NERR_UserNotFound);
    EXPECT_EQ(m_api->UserGetInfo(kPdc, "Print Admin", info), NERR_Success);
}

TEST_F(SampleDomain, ServerNamesIgnoreCaseAndBackslashes)
{
    EXPECT_EQ(User("abrown", "\\\\vellox-pdc").usri3_name, "abrown");
    EXPECT_EQ(User("abrown", "VELLOX-PDC").usri3_name, "abrown");
}

TEST_F(SampleDomain, AccountCallsOnUnknownServersFailWithBadNetpath)
{
    USER_INFO_3 info;
    std::vector<USER_INFO_0> users;
    std::vector<GROUP_INFO_2> groups;
    EXPECT_EQ(m_api->UserGetInfo("\\\\NOWHERE", "abrown", info), ERROR_BAD_NETPATH);
    EXPECT_EQ(m_api->UserEnum("\\\\NOWHERE", FILTER_NORMAL_ACCOUNT, users), ERROR_BAD_NETPATH);
    EXPECT_EQ(m_api->GroupEnum("\\\\NOWHERE", groups), ERROR_BAD_NETPATH);
    EXPECT_EQ(m_api->GroupAddUser("\\\\NOWHERE", "Sales", "abrown"), ERROR_BAD_NETPATH);
}

TEST_F(SampleDomain, ServersWithoutTheAccountsRefuseAccountCalls)
{
    std::vector<USER_INFO_0> users;
    EXPECT_EQ(m_api->UserEnum("\\\\VELLOX-WS02", FILTER_NORMAL_ACCOUNT, users), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(users.empty());
    // The local computer of the sample network is a workstation.
    EXPECT_EQ(m_api->UserEnum("", FILTER_NORMAL_ACCOUNT, users), ERROR_ACCESS_DENIED);
}

TEST_F(SampleDomain, BackupControllerReadsLikeThePrimary)
{
    EXPECT_EQ(NormalUsers(kBdc), NormalUsers(kPdc));
    EXPECT_EQ(GroupMembers("Engineering", kBdc), GroupMembers("Engineering", kPdc));
}

TEST_F(SampleDomain, SecondDomainHasItsOwnAccounts)
{
    const auto research = NormalUsers("\\\\RESEARCH-PDC");
    EXPECT_TRUE(Contains(research, "rlee"));
    EXPECT_FALSE(Contains(research, "abrown"));
    EXPECT_NE(User("Administrator", "\\\\RESEARCH-PDC").usri3_num_logons, User("Administrator").usri3_num_logons);
}

// --- UserSetInfo ---------------------------------------------------------------

TEST_F(SampleDomain, UserSetInfoWritesTheDocumentedFieldsForLaterReads)
{
    USER_INFO_3 info = User("bclark");
    info.usri3_full_name = "Robert Clark";
    info.usri3_comment = "Moved to sales";
    info.usri3_flags |= UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD | UF_PASSWD_CANT_CHANGE;
    info.usri3_script_path = "other.bat";  // not one of the written fields
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "bclark", info), NERR_Success);

    const USER_INFO_3 after = User("bclark");
    EXPECT_EQ(after.usri3_full_name, "Robert Clark");
    EXPECT_EQ(after.usri3_comment, "Moved to sales");
    EXPECT_EQ(after.usri3_flags,
              UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD | UF_PASSWD_CANT_CHANGE);
    EXPECT_EQ(after.usri3_script_path, "logon.bat");
    // The backup controller sees the same domain.
    EXPECT_EQ(User("bclark", kBdc).usri3_full_name, "Robert Clark");
}

TEST_F(SampleDomain, UserSetInfoKeepsTheAccountKindWhateverTheFlagsSay)
{
    USER_INFO_3 info = User("abrown");
    info.usri3_flags = UF_ACCOUNTDISABLE;  // no account-kind bit at all
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "abrown", info), NERR_Success);
    EXPECT_EQ(User("abrown").usri3_flags, UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE);
    EXPECT_TRUE(Contains(NormalUsers(), "abrown"));
}

TEST_F(SampleDomain, ClearingLockoutUnlocksButSettingItDoesNotLock)
{
    USER_INFO_3 locked = User("mlopez");
    locked.usri3_flags &= ~UF_LOCKOUT;
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "mlopez", locked), NERR_Success);
    EXPECT_FALSE(User("mlopez").usri3_flags & UF_LOCKOUT);
    EXPECT_EQ(User("mlopez").usri3_bad_pw_count, 0u);

    USER_INFO_3 open = User("abrown");
    open.usri3_flags |= UF_LOCKOUT;
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "abrown", open), NERR_Success);
    EXPECT_FALSE(User("abrown").usri3_flags & UF_LOCKOUT);
}

TEST_F(SampleDomain, PasswordExpiredDrivesThePasswordAge)
{
    USER_INFO_3 info = User("abrown");
    info.usri3_password_expired = 1;
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "abrown", info), NERR_Success);
    EXPECT_EQ(User("abrown").usri3_password_age, 0u);
    EXPECT_EQ(User("abrown").usri3_password_expired, 1u);

    info = User("kpatel");
    info.usri3_password_expired = 0;
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "kpatel", info), NERR_Success);
    EXPECT_NE(User("kpatel").usri3_password_age, 0u);
    EXPECT_EQ(User("kpatel").usri3_password_expired, 0u);
}

TEST_F(SampleDomain, ANewPasswordIsAcceptedAndNeverReadBack)
{
    USER_INFO_3 info = User("kpatel");
    info.usri3_password = "";  // the dialog may send an empty password
    info.usri3_password_expired = 0;
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "kpatel", info), NERR_Success);
    const USER_INFO_3 after = User("kpatel");
    EXPECT_FALSE(after.usri3_password.has_value());
    EXPECT_NE(after.usri3_password_age, 0u);
}

TEST_F(SampleDomain, PasswordShorterThanThePolicyChangesNothing)
{
    const std::string research = "\\\\RESEARCH-PDC";  // minimum length 6
    USER_INFO_3 info = User("rlee", research);
    const std::string oldName = info.usri3_full_name;
    info.usri3_full_name = "Changed";
    info.usri3_password = "abc";
    EXPECT_EQ(m_api->UserSetInfo(research, "rlee", info), NERR_PasswordTooShort);
    EXPECT_EQ(User("rlee", research).usri3_full_name, oldName);
    info.usri3_password = "abcdef";
    EXPECT_EQ(m_api->UserSetInfo(research, "rlee", info), NERR_Success);
    EXPECT_EQ(User("rlee", research).usri3_full_name, "Changed");
}

// Each field the write leaves out keeps what the server holds now, not the stale
// value the caller read earlier.
TEST_F(SampleDomain, AWriteChangesOnlyTheFieldsItNames)
{
    const USER_INFO_3 opened = User("bclark");
    USER_INFO_3 meanwhile = opened;  // another administrator's write
    meanwhile.usri3_full_name = "Theirs";
    meanwhile.usri3_comment = "Theirs too";
    meanwhile.usri3_flags |= UF_ACCOUNTDISABLE;
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "bclark", meanwhile), NERR_Success);

    USER_INFO_3 mine = opened;
    mine.usri3_comment = "Mine";
    mine.usri3_flags |= UF_DONT_EXPIRE_PASSWD;
    mine.usri3_password = "never-sent";
    UserFields fields;
    fields.comment = true;
    fields.flags = UF_DONT_EXPIRE_PASSWD;
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "bclark", mine, fields), NERR_Success);
    const USER_INFO_3 after = User("bclark");
    EXPECT_EQ(after.usri3_full_name, "Theirs");
    EXPECT_EQ(after.usri3_comment, "Mine");
    EXPECT_EQ(after.usri3_flags & (UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD),
              UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD);
    EXPECT_EQ(after.usri3_password_age, opened.usri3_password_age) << "no password was named";
}

TEST_F(SampleDomain, UserSetInfoOfAnUnknownUserFails)
{
    USER_INFO_3 info = User("abrown");
    EXPECT_EQ(m_api->UserSetInfo(kPdc, "Abrown", info), NERR_UserNotFound);
}

TEST_F(SampleDomain, WritesStayInMemoryOfOneInstance)
{
    USER_INFO_3 info = User("abrown");
    info.usri3_full_name = "Changed in memory";
    ASSERT_EQ(m_api->UserSetInfo(kPdc, "abrown", info), NERR_Success);
    auto fresh = simtest::LoadSample();
    ASSERT_TRUE(fresh);
    USER_INFO_3 reread;
    ASSERT_EQ(fresh->UserGetInfo(kPdc, "abrown", reread), NERR_Success);
    EXPECT_EQ(reread.usri3_full_name, "Brown, Alice");
}
