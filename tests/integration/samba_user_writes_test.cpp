// Writing user accounts with NetUserSetInfo level 3 semantics: what is asked is what
// the server holds afterwards, and nothing else of the account changes.
#include "samba_dc_fixture.h"

#include "platform/net/directory/directory_netapi.h"

#include <ctime>

using namespace net;
using vxtest::kServer;
using vxtest::SambaDc;

namespace {

class SambaUserWrites : public SambaDc {
protected:
    USER_INFO_3 Get(const std::string& name)
    {
        USER_INFO_3 user;
        EXPECT_EQ(m_api.UserGetInfo(kServer, name, user), NERR_Success) << name;
        return user;
    }
    // The writer account as populated: flags plain, must-change off.
    void SetUp() override
    {
        USER_INFO_3 user = Get("vx.writer");
        user.usri3_full_name = "Writer Original";
        user.usri3_comment = "Rewritten by the tests";
        user.usri3_flags &= ~(UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD);
        user.usri3_password_expired = 0;
        ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success);
    }
    std::string FreshPassword()
    {
        return "Vx-New-" + std::to_string(std::time(nullptr)) + "-" + std::to_string(++m_serial) + "z";
    }
    int m_serial = 0;
};

}  // namespace

TEST_F(SambaUserWrites, FullNameAndCommentRoundTrip)
{
    USER_INFO_3 user = Get("vx.writer");
    user.usri3_full_name = "Writer, Changed";
    user.usri3_comment = "Now with a, comma";
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success);
    USER_INFO_3 now = Get("vx.writer");
    EXPECT_EQ(now.usri3_full_name, "Writer, Changed");
    EXPECT_EQ(now.usri3_comment, "Now with a, comma");
    EXPECT_EQ(now.usri3_flags, user.usri3_flags);
    EXPECT_EQ(now.usri3_acct_expires, TIMEQ_FOREVER);
}

TEST_F(SambaUserWrites, DisableAndEnable)
{
    USER_INFO_3 user = Get("vx.writer");
    std::uint32_t before = user.usri3_flags;
    user.usri3_flags |= UF_ACCOUNTDISABLE;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success);
    EXPECT_EQ(Get("vx.writer").usri3_flags, before | UF_ACCOUNTDISABLE) << "only the asked bit changes";
    user.usri3_flags &= ~UF_ACCOUNTDISABLE;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success);
    EXPECT_EQ(Get("vx.writer").usri3_flags, before);
}

TEST_F(SambaUserWrites, PasswordNeverExpiresLeavesEverythingElse)
{
    USER_INFO_3 user = Get("vx.writer");
    user.usri3_flags |= UF_DONT_EXPIRE_PASSWD;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success);
    USER_INFO_3 now = Get("vx.writer");
    EXPECT_TRUE(now.usri3_flags & UF_DONT_EXPIRE_PASSWD);
    EXPECT_FALSE(now.usri3_flags & UF_ACCOUNTDISABLE);
    EXPECT_EQ(now.usri3_acct_expires, TIMEQ_FOREVER);
    EXPECT_EQ(now.usri3_full_name, "Writer Original");
    EXPECT_EQ(now.usri3_primary_group_id, 513u);
}

TEST_F(SambaUserWrites, ExpiryDateSurvivesAFlagsWrite)
{
    USER_INFO_3 user = Get("vx.expires");
    user.usri3_flags |= UF_DONT_EXPIRE_PASSWD;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.expires", user), NERR_Success);
    EXPECT_EQ(Get("vx.expires").usri3_acct_expires, 1909008000u);
    user.usri3_flags &= ~UF_DONT_EXPIRE_PASSWD;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.expires", user), NERR_Success);
    USER_INFO_3 now = Get("vx.expires");
    EXPECT_EQ(now.usri3_acct_expires, 1909008000u);
    EXPECT_FALSE(now.usri3_flags & UF_DONT_EXPIRE_PASSWD);
}

TEST_F(SambaUserWrites, ProfileAndScriptSurviveAWrite)
{
    USER_INFO_3 user = Get("vx.profile");
    user.usri3_comment = "Roaming profile";  // unchanged text, flags rewritten
    user.usri3_flags |= UF_ACCOUNTDISABLE;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.profile", user), NERR_Success);
    user.usri3_flags &= ~UF_ACCOUNTDISABLE;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.profile", user), NERR_Success);
    USER_INFO_3 now = Get("vx.profile");
    EXPECT_EQ(now.usri3_profile.value_or(""), "\\\\dc1\\profiles\\vx.profile");
    EXPECT_EQ(now.usri3_script_path, "logon.cmd");
    EXPECT_EQ(now.usri3_home_dir, "\\\\dc1\\home\\vx.profile");
    EXPECT_EQ(now.usri3_home_dir_drive, "H:");
    EXPECT_FALSE(now.usri3_flags & UF_ACCOUNTDISABLE);
}

// Back to back, within one second: the library drops the must-change field when the
// password was changed in the same second.
TEST_F(SambaUserWrites, MustChangePasswordOnAndOff)
{
    USER_INFO_3 user = Get("vx.writer");
    for (int round = 0; round < 3; ++round) {
        user.usri3_password_expired = 1;
        ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success) << round;
        USER_INFO_3 now = Get("vx.writer");
        EXPECT_EQ(now.usri3_password_expired, 1u);
        EXPECT_EQ(now.usri3_password_age, 0u);
        user.usri3_password_expired = 0;
        ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success) << round;
        now = Get("vx.writer");
        EXPECT_EQ(now.usri3_password_expired, 0u);
        EXPECT_LT(now.usri3_password_age, 600u);
    }
}

TEST_F(SambaUserWrites, NewPasswordIsSetAndMustChangeKept)
{
    USER_INFO_3 user = Get("vx.writer");
    user.usri3_password = FreshPassword();
    user.usri3_password_expired = 1;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success);
    EXPECT_EQ(Get("vx.writer").usri3_password_expired, 1u) << "setting the password must not clear must-change";
    user.usri3_password = FreshPassword();
    user.usri3_password_expired = 0;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success);
    USER_INFO_3 now = Get("vx.writer");
    EXPECT_EQ(now.usri3_password_expired, 0u);
    EXPECT_LT(now.usri3_password_age, 600u);
}

TEST_F(SambaUserWrites, RefusedPasswordWritesNothing)
{
    USER_INFO_3 user = Get("vx.writer");
    user.usri3_password = "short";
    user.usri3_full_name = "Must Not Appear";
    Status status = m_api.UserSetInfo(kServer, "vx.writer", user);
    EXPECT_NE(status, NERR_Success);
    EXPECT_EQ(Get("vx.writer").usri3_full_name, "Writer Original");
}

TEST_F(SambaUserWrites, CannotChangePasswordIsRefusedBeforeAnyWrite)
{
    USER_INFO_3 user = Get("vx.writer");
    user.usri3_flags |= UF_PASSWD_CANT_CHANGE;
    user.usri3_full_name = "Must Not Appear";
    EXPECT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(Get("vx.writer").usri3_full_name, "Writer Original");
}

TEST_F(SambaUserWrites, ClearingLockoutUnlocksAndSettingItDoesNotLock)
{
    USER_INFO_3 locked = Get("vx.unlock");
    ASSERT_TRUE(locked.usri3_flags & UF_LOCKOUT) << "populate locks vx.unlock out";
    locked.usri3_flags &= ~UF_LOCKOUT;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.unlock", locked), NERR_Success);
    EXPECT_FALSE(Get("vx.unlock").usri3_flags & UF_LOCKOUT);
    // An account can't be locked out by a write; the bit is left alone.
    USER_INFO_3 user = Get("vx.writer");
    user.usri3_flags |= UF_LOCKOUT;
    ASSERT_EQ(m_api.UserSetInfo(kServer, "vx.writer", user), NERR_Success);
    EXPECT_FALSE(Get("vx.writer").usri3_flags & UF_LOCKOUT);
}

TEST_F(SambaUserWrites, UnknownUserIsUserNotFound)
{
    USER_INFO_3 user = Get("vx.writer");
    EXPECT_EQ(m_api.UserSetInfo(kServer, "vx.nobody", user), NERR_UserNotFound);
}

// A write names its fields: what another administrator changed meanwhile in a field
// left out survives, through both routes.
TEST_F(SambaUserWrites, OnlyTheNamedFieldsAreWrittenOnBothRoutes)
{
    std::string error;
    auto directory = CreateDomainNetApi(kServer, vxtest::AdminConnection().credentials,
                                        std::make_unique<SambaNetApi>(vxtest::AdminConnection()), &error);
    ASSERT_NE(dynamic_cast<DirectoryNetApi*>(directory.get()), nullptr) << error;
    for (NetApi* route : {static_cast<NetApi*>(&m_api), directory.get()}) {
        NetApi* other = route == &m_api ? directory.get() : static_cast<NetApi*>(&m_api);
        SCOPED_TRACE(route == &m_api ? "libnetapi" : "directory");
        USER_INFO_3 opened = Get("vx.writer");  // what a dialog read when it opened
        USER_INFO_3 meanwhile = opened;
        meanwhile.usri3_comment = "Changed meanwhile";
        meanwhile.usri3_flags |= UF_DONT_EXPIRE_PASSWD;
        ASSERT_EQ(other->UserSetInfo(kServer, "vx.writer", meanwhile), NERR_Success);

        opened.usri3_full_name = "Only This Changed";
        UserFields fields;
        fields.fullName = true;
        ASSERT_EQ(route->UserSetInfo(kServer, "vx.writer", opened, fields), NERR_Success);
        const USER_INFO_3 now = Get("vx.writer");
        EXPECT_EQ(now.usri3_full_name, "Only This Changed");
        EXPECT_EQ(now.usri3_comment, "Changed meanwhile");
        EXPECT_TRUE(now.usri3_flags & UF_DONT_EXPIRE_PASSWD);
        SetUp();  // back to the populated state for the other route
    }
}
