// Global groups: listing, information, members, and membership changes.
#include "samba_dc_fixture.h"

using namespace net;
using vxtest::kServer;
using vxtest::SambaDc;

namespace {

class SambaGroups : public SambaDc {
protected:
    std::vector<std::string> Members(const std::string& group)
    {
        std::vector<GROUP_USERS_INFO_0> users;
        EXPECT_EQ(m_api.GroupGetUsers(kServer, group, users), NERR_Success) << group;
        return vxtest::NamesOf(users, &GROUP_USERS_INFO_0::grui0_name);
    }
    // vx-writes as populated: vx.member1 alone.
    void SetUp() override
    {
        m_api.GroupDelUser(kServer, "vx-writes", "vx.member2");
        m_api.GroupAddUser(kServer, "vx-writes", "vx.member1");
    }
};

}  // namespace

TEST_F(SambaGroups, GroupEnumListsGlobalGroupsOnly)
{
    std::vector<GROUP_INFO_2> groups;
    ASSERT_EQ(m_api.GroupEnum(kServer, groups), NERR_Success);
    std::vector<std::string> names = vxtest::NamesOf(groups, &GROUP_INFO_2::grpi2_name);
    for (const char* name : {"Domain Users", "Domain Admins", "vx-staff", "vx-empty", "vx-writes"}) {
        EXPECT_TRUE(vxtest::Contains(names, name)) << name;
    }
    EXPECT_FALSE(vxtest::Contains(names, "vx-local")) << "a domain-local group is not a global group";
    for (const GROUP_INFO_2& group : groups) {
        if (group.grpi2_name == "vx-staff") {
            EXPECT_EQ(group.grpi2_comment, "Staff of the test domain");
        }
        if (group.grpi2_name == "Domain Users") {
            EXPECT_EQ(group.grpi2_group_id, 513u);
        }
    }
    std::vector<GROUP_INFO_0> plain;
    ASSERT_EQ(m_api.GroupEnum(kServer, plain), NERR_Success);
    EXPECT_EQ(vxtest::NamesOf(plain, &GROUP_INFO_0::grpi0_name), names);
}

TEST_F(SambaGroups, GroupGetInfo)
{
    GROUP_INFO_2 group;
    ASSERT_EQ(m_api.GroupGetInfo(kServer, "vx-staff", group), NERR_Success);
    EXPECT_EQ(group.grpi2_name, "vx-staff");
    EXPECT_EQ(group.grpi2_comment, "Staff of the test domain");
    EXPECT_GT(group.grpi2_group_id, 1000u);
    EXPECT_EQ(m_api.GroupGetInfo(kServer, "vx-nogroup", group), NERR_GroupNotFound);
    EXPECT_EQ(m_api.GroupGetInfo(kServer, "vx-local", group), NERR_GroupNotFound);
    EXPECT_EQ(m_api.GroupGetInfo(kServer, "vx.plain", group), NERR_GroupNotFound);
}

TEST_F(SambaGroups, GroupGetUsers)
{
    EXPECT_EQ(Members("vx-staff"), (std::vector<std::string>{"vx.comma", "vx.plain", "vx.writer"}));
    EXPECT_TRUE(Members("vx-empty").empty());
    std::vector<GROUP_USERS_INFO_0> users;
    EXPECT_EQ(m_api.GroupGetUsers(kServer, "vx-nogroup", users), NERR_GroupNotFound);
    EXPECT_EQ(m_api.GroupGetUsers(kServer, "vx-local", users), NERR_GroupNotFound);
}

TEST_F(SambaGroups, SmallBatchesStillGiveEveryMemberAndGroup)
{
    SambaConnection connection = vxtest::AdminConnection();
    connection.batchBytes = 20;
    SambaNetApi paged(connection);
    std::vector<GROUP_USERS_INFO_0> users;
    ASSERT_EQ(paged.GroupGetUsers(kServer, "vx-staff", users), NERR_Success);
    EXPECT_EQ(vxtest::NamesOf(users, &GROUP_USERS_INFO_0::grui0_name),
              (std::vector<std::string>{"vx.comma", "vx.plain", "vx.writer"}));
    std::vector<GROUP_INFO_2> groups;
    std::vector<GROUP_INFO_2> whole;
    ASSERT_EQ(paged.GroupEnum(kServer, groups), NERR_Success);
    ASSERT_EQ(m_api.GroupEnum(kServer, whole), NERR_Success);
    EXPECT_EQ(vxtest::NamesOf(groups, &GROUP_INFO_2::grpi2_name), vxtest::NamesOf(whole, &GROUP_INFO_2::grpi2_name));
}

TEST_F(SambaGroups, GroupSetInfoWritesTheComment)
{
    GROUP_INFO_2 group;
    ASSERT_EQ(m_api.GroupGetInfo(kServer, "vx-writes", group), NERR_Success);
    group.grpi2_comment = "Changed, with a comma";
    ASSERT_EQ(m_api.GroupSetInfo(kServer, "vx-writes", group), NERR_Success);
    GROUP_INFO_2 now;
    ASSERT_EQ(m_api.GroupGetInfo(kServer, "vx-writes", now), NERR_Success);
    EXPECT_EQ(now.grpi2_comment, "Changed, with a comma");
    EXPECT_EQ(now.grpi2_name, "vx-writes");
    group.grpi2_comment = "Changed by the tests";
    ASSERT_EQ(m_api.GroupSetInfo(kServer, "vx-writes", group), NERR_Success);
    EXPECT_EQ(m_api.GroupSetInfo(kServer, "vx-nogroup", group), NERR_GroupNotFound);
}

TEST_F(SambaGroups, AddAndRemoveMembers)
{
    ASSERT_EQ(m_api.GroupAddUser(kServer, "vx-writes", "vx.member2"), NERR_Success);
    EXPECT_EQ(Members("vx-writes"), (std::vector<std::string>{"vx.member1", "vx.member2"}));
    EXPECT_EQ(m_api.GroupAddUser(kServer, "vx-writes", "vx.member2"), ERROR_MEMBER_IN_GROUP);
    ASSERT_EQ(m_api.GroupDelUser(kServer, "vx-writes", "vx.member2"), NERR_Success);
    EXPECT_EQ(Members("vx-writes"), std::vector<std::string>{"vx.member1"});
    EXPECT_EQ(m_api.GroupDelUser(kServer, "vx-writes", "vx.member2"), ERROR_MEMBER_NOT_IN_GROUP);
}

TEST_F(SambaGroups, MembershipChangesWithUnknownNames)
{
    EXPECT_EQ(m_api.GroupAddUser(kServer, "vx-writes", "vx.nobody"), NERR_UserNotFound);
    EXPECT_EQ(m_api.GroupAddUser(kServer, "vx-nogroup", "vx.member2"), NERR_GroupNotFound);
    EXPECT_EQ(m_api.GroupDelUser(kServer, "vx-writes", "vx.nobody"), NERR_UserNotFound);
    EXPECT_EQ(m_api.GroupDelUser(kServer, "vx-nogroup", "vx.member1"), NERR_GroupNotFound);
    EXPECT_EQ(Members("vx-writes"), std::vector<std::string>{"vx.member1"});
}
