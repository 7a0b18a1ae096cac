// Reading user accounts: enumeration (complete, right kinds), the USER_INFO_3 fields
// the USERS display and the User Properties dialog show, and memberships.
#include "samba_dc_fixture.h"

#include <ctime>
#include <thread>

using namespace net;
using vxtest::kServer;
using vxtest::SambaDc;

namespace {

const std::vector<std::string> kTestUsers = {"vx.comma",   "vx.disabled", "vx.expires",    "vx.locked",
                                             "vx.member1", "vx.member2",  "vx.mustchange", "vx.noexpire",
                                             "vx.plain",   "vx.profile",  "vx.unlock",     "vx.writer"};

class SambaUsers : public SambaDc {
protected:
    USER_INFO_3 Get(const std::string& name)
    {
        USER_INFO_3 user;
        EXPECT_EQ(m_api.UserGetInfo(kServer, name, user), NERR_Success) << name;
        return user;
    }
};

}  // namespace

TEST_F(SambaUsers, UserEnumGivesEveryUserAccountAndNoComputer)
{
    std::vector<USER_INFO_0> users;
    ASSERT_EQ(m_api.UserEnum(kServer, FILTER_NORMAL_ACCOUNT, users), NERR_Success);
    std::vector<std::string> names = vxtest::NamesOf(users, &USER_INFO_0::usri0_name);
    for (const std::string& name : kTestUsers)
        EXPECT_TRUE(vxtest::Contains(names, name)) << name;
    EXPECT_TRUE(vxtest::Contains(names, "Administrator"));
    EXPECT_FALSE(vxtest::Contains(names, "VXWS1$"));
    EXPECT_FALSE(vxtest::Contains(names, "DC1$"));
}

TEST_F(SambaUsers, SmallBatchesStillGiveTheWholeList)
{
    std::vector<USER_INFO_0> whole;
    ASSERT_EQ(m_api.UserEnum(kServer, FILTER_NORMAL_ACCOUNT, whole), NERR_Success);
    SambaConnection connection = vxtest::AdminConnection();
    connection.batchBytes = 100;  // two or three entries a batch
    SambaNetApi paged(connection);
    std::vector<USER_INFO_0> users;
    ASSERT_EQ(paged.UserEnum(kServer, FILTER_NORMAL_ACCOUNT, users), NERR_Success);
    EXPECT_EQ(vxtest::NamesOf(users, &USER_INFO_0::usri0_name), vxtest::NamesOf(whole, &USER_INFO_0::usri0_name));
    EXPECT_GE(users.size(), kTestUsers.size() + 3);
}

TEST_F(SambaUsers, TrustAccountFiltersGiveComputersOnly)
{
    std::vector<USER_INFO_0> accounts;
    ASSERT_EQ(m_api.UserEnum(kServer, FILTER_WORKSTATION_TRUST_ACCOUNT, accounts), NERR_Success);
    EXPECT_EQ(vxtest::NamesOf(accounts, &USER_INFO_0::usri0_name), std::vector<std::string>{"VXWS1$"});
    ASSERT_EQ(m_api.UserEnum(kServer, FILTER_SERVER_TRUST_ACCOUNT, accounts), NERR_Success);
    EXPECT_EQ(vxtest::NamesOf(accounts, &USER_INFO_0::usri0_name), std::vector<std::string>{"DC1$"});
    // No interdomain trusts here: an empty answer, which the library itself crashes on.
    ASSERT_EQ(m_api.UserEnum(kServer, FILTER_INTERDOMAIN_TRUST_ACCOUNT, accounts), NERR_Success);
    EXPECT_TRUE(accounts.empty());
}

TEST_F(SambaUsers, UserEnumLevelThreeReadsEveryAccountCompletely)
{
    std::vector<USER_INFO_3> users;
    ASSERT_EQ(m_api.UserEnum(kServer, FILTER_NORMAL_ACCOUNT, users), NERR_Success);
    std::vector<std::string> names = vxtest::NamesOf(users, &USER_INFO_3::usri3_name);
    for (const std::string& name : kTestUsers)
        EXPECT_TRUE(vxtest::Contains(names, name)) << name;
    for (const USER_INFO_3& user : users) {
        if (user.usri3_name == "vx.comma") {
            EXPECT_EQ(user.usri3_full_name, "Doe, Jane");
        }
        if (user.usri3_name == "vx.expires") {
            EXPECT_EQ(user.usri3_acct_expires, 1909008000u);
        }
        if (user.usri3_name == "vx.plain") {
            EXPECT_EQ(user.usri3_acct_expires, TIMEQ_FOREVER);
        }
    }
}

TEST_F(SambaUsers, PlainAccountFields)
{
    USER_INFO_3 user = Get("vx.plain");
    EXPECT_EQ(user.usri3_name, "vx.plain");
    EXPECT_EQ(user.usri3_full_name, "Plain User");
    EXPECT_EQ(user.usri3_comment, "An ordinary account");
    EXPECT_EQ(user.usri3_usr_comment, "Plain comment");
    EXPECT_TRUE(user.usri3_flags & UF_NORMAL_ACCOUNT);
    EXPECT_FALSE(user.usri3_flags & (UF_ACCOUNTDISABLE | UF_LOCKOUT | UF_DONT_EXPIRE_PASSWD));
    EXPECT_EQ(user.usri3_acct_expires, TIMEQ_FOREVER) << "never, not 1975";
    EXPECT_EQ(user.usri3_max_storage, USER_MAXSTORAGE_UNLIMITED);
    EXPECT_EQ(user.usri3_last_logon, 0u);
    EXPECT_EQ(user.usri3_primary_group_id, 513u);
    EXPECT_GT(user.usri3_user_id, 1000u);
    EXPECT_EQ(user.usri3_password_expired, 0u);
    // Set when the accounts were populated: some seconds or minutes ago, not "never".
    EXPECT_GT(user.usri3_password_age, 0u);
    EXPECT_LT(user.usri3_password_age, 86400u * 365);
    EXPECT_FALSE(user.usri3_password.has_value());
}

TEST_F(SambaUsers, AccountOptionFlags)
{
    EXPECT_TRUE(Get("vx.disabled").usri3_flags & UF_ACCOUNTDISABLE);
    EXPECT_TRUE(Get("vx.noexpire").usri3_flags & UF_DONT_EXPIRE_PASSWD);
    EXPECT_TRUE(Get("vx.locked").usri3_flags & UF_LOCKOUT);
    EXPECT_FALSE(Get("vx.noexpire").usri3_flags & UF_ACCOUNTDISABLE);
}

TEST_F(SambaUsers, MustChangePasswordReadsAsAgeZeroAndExpired)
{
    USER_INFO_3 user = Get("vx.mustchange");
    EXPECT_EQ(user.usri3_password_age, 0u);
    EXPECT_EQ(user.usri3_password_expired, 1u);
}

TEST_F(SambaUsers, ExpiryDateAndProfileFields)
{
    EXPECT_EQ(Get("vx.expires").usri3_acct_expires, 1909008000u);  // 2030-06-30 00:00 UTC
    USER_INFO_3 user = Get("vx.profile");
    ASSERT_TRUE(user.usri3_profile.has_value());
    EXPECT_EQ(*user.usri3_profile, "\\\\dc1\\profiles\\vx.profile");
    EXPECT_EQ(user.usri3_script_path, "logon.cmd");
    EXPECT_EQ(user.usri3_home_dir, "\\\\dc1\\home\\vx.profile");
    EXPECT_EQ(user.usri3_home_dir_drive, "H:");
    USER_INFO_3 plain = Get("vx.plain");
    EXPECT_EQ(plain.usri3_profile.value_or("absent"), "");
    EXPECT_EQ(plain.usri3_script_path, "");
}

TEST_F(SambaUsers, UnknownUserIsUserNotFound)
{
    USER_INFO_3 user;
    EXPECT_EQ(m_api.UserGetInfo(kServer, "vx.nobody", user), NERR_UserNotFound);
    // A group's name is not a user's either.
    EXPECT_EQ(m_api.UserGetInfo(kServer, "vx-staff", user), NERR_UserNotFound);
    std::vector<GROUP_USERS_INFO_1> groups;
    EXPECT_EQ(m_api.UserGetGroups(kServer, "vx.nobody", groups), NERR_UserNotFound);
    std::vector<LOCALGROUP_USERS_INFO_0> local;
    EXPECT_EQ(m_api.UserGetLocalGroups(kServer, "vx.nobody", 0, local), NERR_UserNotFound);
}

TEST_F(SambaUsers, UserGetGroupsGivesTheGlobalGroups)
{
    std::vector<GROUP_USERS_INFO_1> groups;
    ASSERT_EQ(m_api.UserGetGroups(kServer, "vx.plain", groups), NERR_Success);
    EXPECT_EQ(vxtest::NamesOf(groups, &GROUP_USERS_INFO_1::grui1_name),
              (std::vector<std::string>{"Domain Users", "vx-staff"}));
    ASSERT_EQ(m_api.UserGetGroups(kServer, "vx.member2", groups), NERR_Success);
    EXPECT_EQ(vxtest::NamesOf(groups, &GROUP_USERS_INFO_1::grui1_name), std::vector<std::string>{"Domain Users"});
}

TEST_F(SambaUsers, UserGetLocalGroups)
{
    std::vector<LOCALGROUP_USERS_INFO_0> groups;
    // Builtin groups only (Users holds Domain Users): the library answers.
    ASSERT_EQ(m_api.UserGetLocalGroups(kServer, "vx.member2", LG_INCLUDE_INDIRECT, groups), NERR_Success);
    EXPECT_TRUE(vxtest::Contains(vxtest::NamesOf(groups, &LOCALGROUP_USERS_INFO_0::lgrui0_name), "Users"));
    // A member of a domain-local group: the library can't name those groups, and the
    // back end says so instead of giving a partial list.
    groups.push_back({"stale"});
    EXPECT_EQ(m_api.UserGetLocalGroups(kServer, "vx.plain", 0, groups), ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(groups.empty());
}

// Calls from several threads at once are serialised, never mixed up.
TEST_F(SambaUsers, ConcurrentCallersGetCorrectAnswers)
{
    std::vector<USER_INFO_0> expected;
    ASSERT_EQ(m_api.UserEnum(kServer, FILTER_NORMAL_ACCOUNT, expected), NERR_Success);
    std::vector<int> failures(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round) {
                std::vector<USER_INFO_0> users;
                USER_INFO_3 user;
                GROUP_INFO_2 group;
                if (m_api.UserEnum(kServer, FILTER_NORMAL_ACCOUNT, users) != NERR_Success ||
                    users.size() != expected.size())
                    ++failures[t];
                if (m_api.UserGetInfo(kServer, "vx.comma", user) != NERR_Success || user.usri3_full_name != "Doe, Jane")
                    ++failures[t];
                if (m_api.GroupGetInfo(kServer, "vx-staff", group) != NERR_Success || group.grpi2_name != "vx-staff")
                    ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

// The library keeps one set of SAMR handles for the whole process: a call to the same
// controller by another name (another connection), from this back end or from a new one,
// must not be handed the handles of the name before.
TEST_F(SambaUsers, TheControllerAnswersByEveryNameInTurnFromEveryBackEnd)
{
    net::SambaNetApi other{vxtest::AdminConnection()};
    for (const std::string& server : {kServer, std::string("\\\\dc1.vellox.test"), std::string("\\\\192.0.2.10"),
                                      std::string("\\\\dc1"), kServer}) {
        for (net::SambaNetApi* api : {&m_api, &other}) {
            SCOPED_TRACE(server + (api == &m_api ? ", first back end" : ", second back end"));
            std::vector<USER_INFO_0> users;
            EXPECT_EQ(api->UserEnum(server, FILTER_NORMAL_ACCOUNT, users), NERR_Success);
            EXPECT_TRUE(vxtest::Contains(vxtest::NamesOf(users, &USER_INFO_0::usri0_name), "vx.plain"));
        }
    }
}
