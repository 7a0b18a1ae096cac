// The sample domain's global and local groups, memberships and account lookups.
#include "net_sim_fixture.h"

using namespace net;
using simtest::Contains;
using simtest::kBdc;
using simtest::kPdc;
using simtest::SampleDomain;

namespace {

std::vector<std::string> GroupsOfUser(SimNetApi& api, const std::string& user)
{
    std::vector<GROUP_USERS_INFO_1> groups;
    EXPECT_EQ(api.UserGetGroups(kPdc, user, groups), NERR_Success);
    return simtest::Names(groups, &GROUP_USERS_INFO_1::grui1_name);
}

}  // namespace

// --- global groups -----------------------------------------------------------

TEST_F(SampleDomain, GroupsHaveTheMembershipsTheDisplaysNeed)
{
    EXPECT_TRUE(GroupMembers("Marketing").empty());
    EXPECT_GE(GroupMembers("Engineering").size(), 30u);
    EXPECT_EQ(GroupMembers("Domain Admins"), (std::vector<std::string>{"Administrator", "owright"}));
}

TEST_F(SampleDomain, DomainUsersHoldsEveryNormalUserThroughThePrimaryGroup)
{
    const auto members = GroupMembers("Domain Users");
    for (const std::string& user : NormalUsers())
        EXPECT_TRUE(Contains(members, user)) << user;
    EXPECT_FALSE(Contains(members, "VELLOX-WS01$"));
    EXPECT_TRUE(Contains(GroupsOfUser(*m_api, "abrown"), "Domain Users"));
}

TEST_F(SampleDomain, GroupEnumLevelsAgreeAndCarryComments)
{
    std::vector<GROUP_INFO_0> level0;
    std::vector<GROUP_INFO_2> level2;
    ASSERT_EQ(m_api->GroupEnum(kPdc, level0), NERR_Success);
    ASSERT_EQ(m_api->GroupEnum(kPdc, level2), NERR_Success);
    EXPECT_EQ(simtest::Names(level0, &GROUP_INFO_0::grpi0_name), simtest::Names(level2, &GROUP_INFO_2::grpi2_name));
    const auto admins = std::find_if(level2.begin(), level2.end(),
                                     [](const GROUP_INFO_2& g) { return g.grpi2_name == "Domain Admins"; });
    ASSERT_NE(admins, level2.end());
    EXPECT_EQ(admins->grpi2_group_id, 512u);
    EXPECT_EQ(admins->grpi2_comment, "Designated administrators of the domain");
}

TEST_F(SampleDomain, UnknownGroupsAndUsersGiveTheirOwnCodes)
{
    GROUP_INFO_2 info;
    std::vector<GROUP_USERS_INFO_0> members;
    EXPECT_EQ(m_api->GroupGetInfo(kPdc, "domain admins", info), NERR_GroupNotFound);
    EXPECT_EQ(m_api->GroupGetUsers(kPdc, "No Such Group", members), NERR_GroupNotFound);
    EXPECT_EQ(m_api->GroupAddUser(kPdc, "No Such Group", "abrown"), NERR_GroupNotFound);
    EXPECT_EQ(m_api->GroupAddUser(kPdc, "Sales", "nobody"), NERR_UserNotFound);
    EXPECT_EQ(m_api->GroupDelUser(kPdc, "No Such Group", "abrown"), NERR_GroupNotFound);
    EXPECT_EQ(m_api->GroupDelUser(kPdc, "Sales", "ABROWN"), NERR_UserNotFound);
    std::vector<GROUP_USERS_INFO_1> groups;
    EXPECT_EQ(m_api->UserGetGroups(kPdc, "nobody", groups), NERR_UserNotFound);
}

TEST_F(SampleDomain, AddingAMemberTwiceSaysItIsInTheGroup)
{
    EXPECT_EQ(m_api->GroupAddUser(kPdc, "Marketing", "abrown"), NERR_Success);
    EXPECT_EQ(m_api->GroupAddUser(kPdc, "Marketing", "abrown"), ERROR_MEMBER_IN_GROUP);
    EXPECT_EQ(GroupMembers("Marketing"), std::vector<std::string>{"abrown"});
    EXPECT_TRUE(Contains(GroupsOfUser(*m_api, "abrown"), "Marketing"));
}

TEST_F(SampleDomain, RemovingANonMemberSaysItIsNotInTheGroup)
{
    EXPECT_EQ(m_api->GroupDelUser(kPdc, "Marketing", "abrown"), ERROR_MEMBER_NOT_IN_GROUP);
    EXPECT_EQ(m_api->GroupDelUser(kPdc, "Sales", "abrown"), NERR_Success);
    EXPECT_FALSE(Contains(GroupMembers("Sales"), "abrown"));
    EXPECT_FALSE(Contains(GroupsOfUser(*m_api, "abrown"), "Sales"));
    EXPECT_EQ(m_api->GroupDelUser(kPdc, "Sales", "abrown"), ERROR_MEMBER_NOT_IN_GROUP);
}

TEST_F(SampleDomain, AUserCannotLeaveItsPrimaryGroup)
{
    EXPECT_EQ(m_api->GroupDelUser(kPdc, "Domain Users", "abrown"), ERROR_MEMBERS_PRIMARY_GROUP);
    EXPECT_TRUE(Contains(GroupMembers("Domain Users"), "abrown"));
    EXPECT_EQ(m_api->GroupAddUser(kPdc, "Domain Users", "abrown"), ERROR_MEMBER_IN_GROUP);
}

TEST_F(SampleDomain, GroupSetInfoWritesTheComment)
{
    GROUP_INFO_2 info;
    ASSERT_EQ(m_api->GroupGetInfo(kPdc, "Marketing", info), NERR_Success);
    info.grpi2_comment = "Brochures, fairs\tand the web site";
    ASSERT_EQ(m_api->GroupSetInfo(kPdc, "Marketing", info), NERR_Success);
    GROUP_INFO_2 after;
    ASSERT_EQ(m_api->GroupGetInfo(kPdc, "Marketing", after), NERR_Success);
    EXPECT_EQ(after.grpi2_comment, "Brochures, fairs\tand the web site");
    EXPECT_EQ(after.grpi2_name, "Marketing");
    EXPECT_EQ(m_api->GroupSetInfo(kPdc, "marketing", info), NERR_GroupNotFound);
}

// --- the backup controller refuses every write ---------------------------------

TEST_F(SampleDomain, EveryWriteOnTheBackupControllerIsDenied)
{
    USER_INFO_3 user = User("abrown", kBdc);
    user.usri3_full_name = "Changed";
    EXPECT_EQ(m_api->UserSetInfo(kBdc, "abrown", user), ERROR_ACCESS_DENIED);
    GROUP_INFO_2 group;
    ASSERT_EQ(m_api->GroupGetInfo(kBdc, "Sales", group), NERR_Success);
    group.grpi2_comment = "Changed";
    EXPECT_EQ(m_api->GroupSetInfo(kBdc, "Sales", group), ERROR_ACCESS_DENIED);
    EXPECT_EQ(m_api->GroupAddUser(kBdc, "Marketing", "abrown"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(m_api->GroupDelUser(kBdc, "Sales", "abrown"), ERROR_ACCESS_DENIED);
    const Sid sid = SidOf("abrown");
    EXPECT_EQ(m_api->LocalGroupAddMember(kBdc, "Server Operators", sid), ERROR_ACCESS_DENIED);
    EXPECT_EQ(m_api->LocalGroupDelMember(kBdc, "Users", SidOf("Domain Users")), ERROR_ACCESS_DENIED);

    // Nothing changed.
    EXPECT_EQ(User("abrown").usri3_full_name, "Brown, Alice");
    ASSERT_EQ(m_api->GroupGetInfo(kPdc, "Sales", group), NERR_Success);
    EXPECT_EQ(group.grpi2_comment, "Sales, Europe and US");
    EXPECT_TRUE(GroupMembers("Marketing").empty());
    EXPECT_TRUE(Contains(GroupMembers("Sales"), "abrown"));
    EXPECT_FALSE(Contains(LocalGroupsOf("abrown", 0), "Server Operators"));
    EXPECT_TRUE(Contains(LocalGroupsOf("abrown", LG_INCLUDE_INDIRECT), "Users"));
}

// --- local groups --------------------------------------------------------------

TEST_F(SampleDomain, IndirectMembersShowOnlyWithTheIndirectFlag)
{
    // dwilson is in Print Admins, which is in Print Operators; Users holds Domain Users.
    EXPECT_TRUE(LocalGroupsOf("dwilson", 0).empty());
    const auto indirect = LocalGroupsOf("dwilson", LG_INCLUDE_INDIRECT);
    EXPECT_TRUE(Contains(indirect, "Print Operators"));
    EXPECT_TRUE(Contains(indirect, "Users"));
    EXPECT_FALSE(Contains(indirect, "Administrators"));
}

TEST_F(SampleDomain, DirectMembersShowWithBothFlags)
{
    // operator is in Print Operators directly, and in Backup Operators through a group.
    EXPECT_EQ(LocalGroupsOf("operator", 0), std::vector<std::string>{"Print Operators"});
    const auto indirect = LocalGroupsOf("operator", LG_INCLUDE_INDIRECT);
    EXPECT_TRUE(Contains(indirect, "Print Operators"));
    EXPECT_TRUE(Contains(indirect, "Backup Operators"));
}

TEST_F(SampleDomain, LocalGroupEnumListsBuiltinAndDomainLocalGroups)
{
    std::vector<LOCALGROUP_INFO_0> level0;
    std::vector<LOCALGROUP_INFO_1> level1;
    ASSERT_EQ(m_api->LocalGroupEnum(kPdc, level0), NERR_Success);
    ASSERT_EQ(m_api->LocalGroupEnum(kPdc, level1), NERR_Success);
    const auto names = simtest::Names(level0, &LOCALGROUP_INFO_0::lgrpi0_name);
    EXPECT_EQ(names, simtest::Names(level1, &LOCALGROUP_INFO_1::lgrpi1_name));
    for (const char* expected :
         {"Administrators", "Users", "Guests", "Print Operators", "Backup Operators", "Sales Printers"})
        EXPECT_TRUE(Contains(names, expected)) << expected;
}

TEST_F(SampleDomain, LocalGroupMembershipByIdentifier)
{
    const Sid sid = SidOf("abrown");
    EXPECT_EQ(m_api->LocalGroupAddMember(kPdc, "Server Operators", sid), NERR_Success);
    EXPECT_EQ(m_api->LocalGroupAddMember(kPdc, "Server Operators", sid), ERROR_MEMBER_IN_ALIAS);
    EXPECT_TRUE(Contains(LocalGroupsOf("abrown", 0), "Server Operators"));
    EXPECT_EQ(m_api->LocalGroupDelMember(kPdc, "Server Operators", sid), NERR_Success);
    EXPECT_EQ(m_api->LocalGroupDelMember(kPdc, "Server Operators", sid), ERROR_MEMBER_NOT_IN_ALIAS);
    EXPECT_FALSE(Contains(LocalGroupsOf("abrown", LG_INCLUDE_INDIRECT), "Server Operators"));
}

TEST_F(SampleDomain, AnIndirectMemberCanBecomeADirectOne)
{
    ASSERT_TRUE(Contains(LocalGroupsOf("abrown", LG_INCLUDE_INDIRECT), "Users"));
    ASSERT_FALSE(Contains(LocalGroupsOf("abrown", 0), "Users"));
    EXPECT_EQ(m_api->LocalGroupAddMember(kPdc, "Users", SidOf("abrown")), NERR_Success);
    EXPECT_TRUE(Contains(LocalGroupsOf("abrown", 0), "Users"));
}

TEST_F(SampleDomain, LocalGroupMemberErrors)
{
    const Sid sid = SidOf("abrown");
    EXPECT_EQ(m_api->LocalGroupAddMember(kPdc, "No Such Alias", sid), ERROR_NO_SUCH_ALIAS);
    EXPECT_EQ(m_api->LocalGroupDelMember(kPdc, "administrators", sid), ERROR_NO_SUCH_ALIAS);
    EXPECT_EQ(m_api->LocalGroupAddMember(kPdc, "Replicator", Sid{"S-1-5-21-1-2-3-4242"}), ERROR_NO_SUCH_MEMBER);
    EXPECT_EQ(m_api->LocalGroupAddMember(kPdc, "Replicator", Sid{"not a sid"}), ERROR_NO_SUCH_MEMBER);
    EXPECT_EQ(m_api->LocalGroupAddMember(kPdc, "Replicator", SidOf("BUILTIN\\Users")), ERROR_INVALID_MEMBER);
    std::vector<LOCALGROUP_USERS_INFO_0> groups;
    EXPECT_EQ(m_api->UserGetLocalGroups(kPdc, "nobody", 0, groups), NERR_UserNotFound);
    EXPECT_EQ(m_api->UserGetLocalGroups(kPdc, "abrown", 0x4, groups), ERROR_INVALID_PARAMETER);
}

TEST_F(SampleDomain, MembersFromTheTrustedDomainCount)
{
    std::vector<LOCALGROUP_USERS_INFO_0> groups;
    ASSERT_EQ(m_api->UserGetLocalGroups(kPdc, "RESEARCH\\rlee", 0, groups), NERR_Success);
    EXPECT_EQ(simtest::Names(groups, &LOCALGROUP_USERS_INFO_0::lgrui0_name),
              std::vector<std::string>{"Sales Printers"});
    EXPECT_EQ(m_api->LocalGroupAddMember(kPdc, "Replicator", SidOf("RESEARCH\\mchen")), NERR_Success);
}

// --- LookupAccountName -----------------------------------------------------------

TEST_F(SampleDomain, LookupGivesEachAccountAStableIdentifier)
{
    const Sid alice = SidOf("abrown");
    EXPECT_EQ(alice.text, "S-1-5-21-1004336348-1177238915-682003330-1000");
    EXPECT_EQ(SidOf("abrown"), alice);
    EXPECT_EQ(SidOf("VELLOX\\abrown"), alice);
    auto other = simtest::LoadSample();
    Sid again;
    std::string domain;
    SidNameUse use{};
    ASSERT_EQ(other->LookupAccountName(kBdc, "abrown", again, domain, use), NERR_Success);
    EXPECT_EQ(again, alice);
    EXPECT_NE(SidOf("bclark"), alice);
}

TEST_F(SampleDomain, LookupNamesTheDomainAndKind)
{
    Sid sid;
    std::string domain;
    SidNameUse use{};
    ASSERT_EQ(m_api->LookupAccountName(kPdc, "abrown", sid, domain, use), NERR_Success);
    EXPECT_EQ(domain, "VELLOX");
    EXPECT_EQ(use, SidNameUse::User);
    ASSERT_EQ(m_api->LookupAccountName(kPdc, "Engineering", sid, domain, use), NERR_Success);
    EXPECT_EQ(use, SidNameUse::Group);
    ASSERT_EQ(m_api->LookupAccountName(kPdc, "Administrators", sid, domain, use), NERR_Success);
    EXPECT_EQ(sid.text, "S-1-5-32-544");
    EXPECT_EQ(domain, "BUILTIN");
    EXPECT_EQ(use, SidNameUse::Alias);
    ASSERT_EQ(m_api->LookupAccountName(kPdc, "RESEARCH\\rlee", sid, domain, use), NERR_Success);
    EXPECT_EQ(domain, "RESEARCH");
    EXPECT_EQ(sid.text, "S-1-5-21-3623811015-3361044348-30300820-1000");
    ASSERT_EQ(m_api->LookupAccountName(kPdc, "RESEARCH", sid, domain, use), NERR_Success);
    EXPECT_EQ(use, SidNameUse::Domain);
    ASSERT_EQ(m_api->LookupAccountName(kPdc, "VELLOX-WS01$", sid, domain, use), NERR_Success);
    EXPECT_EQ(use, SidNameUse::Computer);
}

TEST_F(SampleDomain, LookupOfUnknownNamesFails)
{
    Sid sid;
    std::string domain;
    SidNameUse use{};
    EXPECT_EQ(m_api->LookupAccountName(kPdc, "nobody", sid, domain, use), ERROR_NONE_MAPPED);
    EXPECT_EQ(m_api->LookupAccountName(kPdc, "ABROWN", sid, domain, use), ERROR_NONE_MAPPED);
    EXPECT_EQ(m_api->LookupAccountName(kPdc, "NODOMAIN\\abrown", sid, domain, use), ERROR_NONE_MAPPED);
    EXPECT_EQ(m_api->LookupAccountName(kPdc, "", sid, domain, use), ERROR_NONE_MAPPED);
    EXPECT_EQ(m_api->LookupAccountName("\\\\NOWHERE", "abrown", sid, domain, use), ERROR_BAD_NETPATH);
}
