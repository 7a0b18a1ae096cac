// Local groups and account identifiers: the road of Part-6.3-style local-group adds
// (look the account up, then add it to the local group by its identifier).
#include "samba_dc_fixture.h"

#include "platform/net/samba/samba_support.h"

using namespace net;
using vxtest::kServer;
using vxtest::SambaDc;

namespace {

class SambaLocalGroups : public SambaDc {
protected:
    Sid SidOf(const std::string& account)
    {
        Sid sid;
        std::string domain;
        SidNameUse use = SidNameUse::Unknown;
        EXPECT_EQ(m_api.LookupAccountName(kServer, account, sid, domain, use), NERR_Success) << account;
        return sid;
    }
    // vx-local-writes as populated: empty.
    void SetUp() override { m_api.LocalGroupDelMember(kServer, "vx-local-writes", SidOf("vx.member1")); }
};

}  // namespace

TEST_F(SambaLocalGroups, LocalGroupEnumListsBuiltinAndDomainLocalGroups)
{
    std::vector<LOCALGROUP_INFO_1> groups;
    ASSERT_EQ(m_api.LocalGroupEnum(kServer, groups), NERR_Success);
    std::vector<std::string> names = vxtest::NamesOf(groups, &LOCALGROUP_INFO_1::lgrpi1_name);
    for (const char* name : {"Administrators", "Users", "Print Operators", "vx-local", "vx-local-writes"}) {
        EXPECT_TRUE(vxtest::Contains(names, name)) << name;
    }
    EXPECT_FALSE(vxtest::Contains(names, "vx-staff"));
    for (const LOCALGROUP_INFO_1& group : groups) {
        if (group.lgrpi1_name == "vx-local") {
            EXPECT_EQ(group.lgrpi1_comment, "Domain-local group");
        }
    }
    std::vector<LOCALGROUP_INFO_0> plain;
    ASSERT_EQ(m_api.LocalGroupEnum(kServer, plain), NERR_Success);
    EXPECT_EQ(vxtest::NamesOf(plain, &LOCALGROUP_INFO_0::lgrpi0_name), names);
}

TEST_F(SambaLocalGroups, LookupAccountNameOfUsersGroupsAndComputers)
{
    Sid domainSid;
    std::string domain;
    SidNameUse use = SidNameUse::Unknown;
    ASSERT_EQ(m_api.LookupAccountName(kServer, "VELLOX", domainSid, domain, use), NERR_Success);
    EXPECT_EQ(use, SidNameUse::Domain);
    ASSERT_EQ(domainSid.text.rfind("S-1-5-21-", 0), 0u) << domainSid.text;

    Sid sid;
    ASSERT_EQ(m_api.LookupAccountName(kServer, "vx.member1", sid, domain, use), NERR_Success);
    EXPECT_EQ(domain, "VELLOX");
    EXPECT_EQ(use, SidNameUse::User);
    USER_INFO_3 user;
    ASSERT_EQ(m_api.UserGetInfo(kServer, "vx.member1", user), NERR_Success);
    EXPECT_EQ(sid.text, domainSid.text + "-" + std::to_string(user.usri3_user_id));

    Sid qualified;
    ASSERT_EQ(m_api.LookupAccountName(kServer, "VELLOX\\vx.member1", qualified, domain, use), NERR_Success);
    EXPECT_EQ(qualified, sid);

    ASSERT_EQ(m_api.LookupAccountName(kServer, "vx-staff", sid, domain, use), NERR_Success);
    EXPECT_EQ(use, SidNameUse::Group);
    ASSERT_EQ(m_api.LookupAccountName(kServer, "VXWS1$", sid, domain, use), NERR_Success);
    EXPECT_EQ(use, SidNameUse::Computer);
}

TEST_F(SambaLocalGroups, LookupAccountNameOfUnknownNames)
{
    Sid sid{"stale"};
    std::string domain = "stale";
    SidNameUse use = SidNameUse::User;
    EXPECT_EQ(m_api.LookupAccountName(kServer, "vx.nobody", sid, domain, use), ERROR_NONE_MAPPED);
    EXPECT_EQ(sid.text, "");
    EXPECT_EQ(domain, "");
    EXPECT_EQ(m_api.LookupAccountName(kServer, "OTHERDOMAIN\\vx.member1", sid, domain, use), ERROR_NONE_MAPPED);
    EXPECT_EQ(m_api.LookupAccountName(kServer, "", sid, domain, use), ERROR_NONE_MAPPED);
}

TEST_F(SambaLocalGroups, AddAndRemoveAMemberByIdentifier)
{
    Sid member = SidOf("vx.member1");
    ASSERT_EQ(m_api.LocalGroupAddMember(kServer, "vx-local-writes", member), NERR_Success);
    EXPECT_EQ(m_api.LocalGroupAddMember(kServer, "vx-local-writes", member), ERROR_MEMBER_IN_ALIAS);
    ASSERT_EQ(m_api.LocalGroupDelMember(kServer, "vx-local-writes", member), NERR_Success);
    EXPECT_EQ(m_api.LocalGroupDelMember(kServer, "vx-local-writes", member), ERROR_MEMBER_NOT_IN_ALIAS);
}

TEST_F(SambaLocalGroups, BuiltinGroupTakesAMemberToo)
{
    Sid member = SidOf("vx.member1");
    ASSERT_EQ(m_api.LocalGroupAddMember(kServer, "Print Operators", member), NERR_Success);
    EXPECT_EQ(m_api.LocalGroupDelMember(kServer, "Print Operators", member), NERR_Success);
}

TEST_F(SambaLocalGroups, BadGroupsAndIdentifiers)
{
    Sid member = SidOf("vx.member1");
    EXPECT_EQ(m_api.LocalGroupAddMember(kServer, "vx-nolocal", member), ERROR_NO_SUCH_ALIAS);
    EXPECT_EQ(m_api.LocalGroupAddMember(kServer, "vx-staff", member), ERROR_NO_SUCH_ALIAS) << "a global group";
    EXPECT_EQ(m_api.LocalGroupAddMember(kServer, "vx-local-writes", Sid{"S-1-5-21-x"}), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(m_api.LocalGroupAddMember(kServer, "vx-local-writes", Sid{""}), ERROR_INVALID_PARAMETER);
    // A well-formed identifier that names no account of the domain.
    std::optional<samba::SidParts> parts = samba::ParseSid(member.text);
    ASSERT_TRUE(parts);
    parts->subAuthorities.back() = 987654;
    EXPECT_NE(m_api.LocalGroupAddMember(kServer, "vx-local-writes", Sid{samba::FormatSid(*parts)}), NERR_Success);
}
