// The directory route's attribute conversions, without a controller.
#include "platform/net/directory/directory_convert.h"

#include <gtest/gtest.h>

using namespace net;
using namespace net::directory;

namespace {

constexpr std::int64_t kJan2020 = 1577836800;  // 2020-01-01 00:00:00 UTC

TEST(DirectoryTimes, FileTimeBecomesUnixSeconds)
{
    EXPECT_EQ(FileTimeToUnix(UnixToFileTime(kJan2020)), kJan2020);
    EXPECT_EQ(FileTimeToUnix(0), 0u);                        // never logged on
    EXPECT_EQ(FileTimeToUnix(kFileTimeUnixEpoch - 1), 0u);   // before 1970 reads as never, not as a huge value
    EXPECT_EQ(FileTimeToUnix(kFileTimeNever), 0xFFFFFFFEu);  // clamped, never TIMEQ_FOREVER by accident
}

TEST(DirectoryTimes, AccountExpiresNeverValues)
{
    EXPECT_EQ(AccountExpiresToNet(0), TIMEQ_FOREVER);
    EXPECT_EQ(AccountExpiresToNet(kFileTimeNever), TIMEQ_FOREVER);
    EXPECT_EQ(AccountExpiresToNet(UnixToFileTime(1909008000)), 1909008000u);
    // Not the never value cut to 32 bits, as the SAMR route gives it.
    EXPECT_NE(AccountExpiresToNet(kFileTimeNever), 159663333u);
}

TEST(DirectoryTimes, PasswordAgeAndMustChange)
{
    EXPECT_EQ(PasswordAge(0, kJan2020), 0u);
    EXPECT_EQ(PasswordAge(UnixToFileTime(kJan2020 - 3600), kJan2020), 3600u);
    // Set this very second is a fresh password, not "must change".
    EXPECT_EQ(PasswordAge(UnixToFileTime(kJan2020), kJan2020), 1u);
    EXPECT_TRUE(PasswordExpired(0, 0, UF_NORMAL_ACCOUNT, kJan2020));
    EXPECT_FALSE(PasswordExpired(0, 0, UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD, kJan2020));  // Guest
    const std::int64_t fortyTwoDays = -42LL * 86400 * 10000000;
    const std::int64_t set = UnixToFileTime(kJan2020 - 43 * 86400);
    EXPECT_TRUE(PasswordExpired(set, fortyTwoDays, UF_NORMAL_ACCOUNT, kJan2020));
    EXPECT_FALSE(PasswordExpired(set, fortyTwoDays, UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD, kJan2020));
    EXPECT_FALSE(PasswordExpired(set, 0, UF_NORMAL_ACCOUNT, kJan2020));  // no maximum age
    EXPECT_FALSE(PasswordExpired(UnixToFileTime(kJan2020 - 86400), fortyTwoDays, UF_NORMAL_ACCOUNT, kJan2020));
}

TEST(DirectoryLockout, ComputedFromLockoutTimeAndDuration)
{
    const std::int64_t thirtyMinutes = -30LL * 60 * 10000000;
    const std::int64_t tenMinutesAgo = UnixToFileTime(kJan2020 - 600);
    EXPECT_TRUE(IsLockedOut(tenMinutesAgo, thirtyMinutes, kJan2020));
    EXPECT_FALSE(IsLockedOut(tenMinutesAgo, thirtyMinutes, kJan2020 + 1800));  // expired by itself
    EXPECT_FALSE(IsLockedOut(0, thirtyMinutes, kJan2020));
    EXPECT_TRUE(IsLockedOut(tenMinutesAgo, 0, kJan2020 + 1000000));  // until an administrator unlocks
    EXPECT_TRUE(IsLockedOut(tenMinutesAgo, INT64_MIN, kJan2020 + 1000000));
}

TEST(DirectoryFlags, NetBitsCarryComputedState)
{
    const std::uint32_t flags = NetFlagsFromDirectory(UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE, true, true);
    EXPECT_EQ(flags, UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE | UF_LOCKOUT | UF_PASSWD_CANT_CHANGE);
    // A stale stored lockout bit doesn't count when lockoutTime says unlocked.
    EXPECT_EQ(NetFlagsFromDirectory(UF_NORMAL_ACCOUNT | UF_LOCKOUT, false, false) & UF_LOCKOUT, 0u);
}

TEST(DirectoryFlags, WriteChangesOnlyTheWrittenOptions)
{
    const std::uint32_t stored = UF_NORMAL_ACCOUNT | UF_PASSWD_NOTREQD | 0x80 /* encrypted text allowed */;
    EXPECT_EQ(ComposeAccountControl(stored, UF_SCRIPT | UF_ACCOUNTDISABLE | UF_LOCKOUT | UF_PASSWD_CANT_CHANGE),
              stored | UF_ACCOUNTDISABLE);
    EXPECT_EQ(ComposeAccountControl(stored | UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD, UF_NORMAL_ACCOUNT), stored);
    // The account kind bits can't be changed through the flags.
    EXPECT_EQ(ComposeAccountControl(stored, UF_WORKSTATION_TRUST_ACCOUNT) & UF_WORKSTATION_TRUST_ACCOUNT, 0u);
}

TEST(DirectorySids, RoundTripAndRid)
{
    const std::string text = "S-1-5-21-808304971-2366761536-4138766870-1104";
    const auto binary = SidFromString(text);
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->size(), 28u);
    EXPECT_EQ(SidToString(*binary), text);
    EXPECT_EQ(RidOf(text), 1104u);
    EXPECT_EQ(DomainPartOf(text), "S-1-5-21-808304971-2366761536-4138766870");
    EXPECT_EQ(SidToString(*SidFromString("S-1-5-32-544")), "S-1-5-32-544");
}

TEST(DirectorySids, MalformedInputRefused)
{
    EXPECT_FALSE(SidFromString("S-1-5-x"));
    EXPECT_FALSE(SidFromString("S-1-5-21-"));
    EXPECT_FALSE(SidFromString("1-5-21"));
    EXPECT_FALSE(SidFromString("S-1-5-99999999999"));
    EXPECT_FALSE(SidToString(std::string("\x01\x05\x00", 3)));  // claims five parts, has none
    EXPECT_EQ(RidOf("S-1-5"), 0u);
}

TEST(DirectoryFilters, ValuesCannotChangeTheFilter)
{
    EXPECT_EQ(EscapeFilterValue("a*)(uid=*"), "a\\2a\\29\\28uid=\\2a");
    EXPECT_EQ(EscapeFilterValue("back\\slash"), "back\\5cslash");
    EXPECT_EQ(EscapeFilterValue(std::string("\x01\x00\xff", 3)), "\\01\\00\\ff");
}

TEST(DirectoryFilters, UserEnumKinds)
{
    EXPECT_EQ(UserEnumFilter(FILTER_NORMAL_ACCOUNT), "(&(objectClass=user)(sAMAccountType=805306368))");
    const std::string machines = UserEnumFilter(FILTER_WORKSTATION_TRUST_ACCOUNT | FILTER_SERVER_TRUST_ACCOUNT);
    EXPECT_NE(machines.find(":=4096)"), std::string::npos);
    EXPECT_NE(machines.find(":=8192)"), std::string::npos);
    EXPECT_EQ(machines.rfind("(&(objectClass=user)(|", 0), 0u);
}

// A self-relative descriptor with a DACL of one allow entry (Everyone, read).
std::string SampleDescriptor()
{
    std::string ace = {0x00, 0x00, 0x14, 0x00, 0x04, 0x00, 0x02, 0x00};  // allowed, size 20, mask 0x20004
    ace += std::string("\x01\x01\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00", 12);
    std::string acl = {0x02, 0x00, 0x1c, 0x00, 0x01, 0x00, 0x00, 0x00};  // revision 2, size 28, one entry
    acl += ace;
    std::string sd = {0x01, 0x00, 0x04, (char)0x84};  // DACL present, self-relative, auto-inherited
    sd += std::string(12, '\0');
    sd += std::string("\x14\x00\x00\x00", 4);
    return sd + acl;
}

TEST(DirectoryDescriptor, CannotChangePasswordRoundTrip)
{
    const std::string original = SampleDescriptor();
    EXPECT_FALSE(DeniesPasswordChange(original));
    const auto denied = WithPasswordChangeDenied(original, true);
    ASSERT_TRUE(denied);
    EXPECT_TRUE(DeniesPasswordChange(*denied));
    // Denying twice doesn't pile up entries.
    const auto twice = WithPasswordChangeDenied(*denied, true);
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->size(), denied->size());
    const auto allowed = WithPasswordChangeDenied(*denied, false);
    ASSERT_TRUE(allowed);
    EXPECT_FALSE(DeniesPasswordChange(*allowed));
    // The other entry survives both changes.
    EXPECT_NE(allowed->find(std::string("\x01\x01\x00\x00\x00\x00\x00\x01", 8)), std::string::npos);
    EXPECT_EQ(allowed->size(), original.size());
}

TEST(DirectoryDescriptor, TruncatedDescriptorRefused)
{
    const std::string sd = SampleDescriptor();
    EXPECT_FALSE(WithPasswordChangeDenied(sd.substr(0, sd.size() - 4), true));
    EXPECT_FALSE(DeniesPasswordChange(sd.substr(0, 10)));
    // The deny entries come first; a DACL cut short after them is still unreadable.
    const auto denied = WithPasswordChangeDenied(sd, true);
    ASSERT_TRUE(denied);
    EXPECT_FALSE(DeniesPasswordChange(denied->substr(0, denied->size() - 4)));
}

TEST(DirectoryPassword, QuotedUtf16)
{
    const auto value = EncodeUnicodePwd("Ab1\xc3\xa9");  // "Ab1é"
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, std::string("\"\0A\0b\0001\0\xe9\0\"\0", 12));
    const auto astral = EncodeUnicodePwd("\xf0\x9f\x94\x91");  // U+1F511: a surrogate pair
    ASSERT_TRUE(astral);
    EXPECT_EQ(astral->size(), 8u);
    EXPECT_FALSE(EncodeUnicodePwd("\xc3"));          // cut sequence
    EXPECT_FALSE(EncodeUnicodePwd("\xc0\xaf"));      // overlong
    EXPECT_FALSE(EncodeUnicodePwd("\xed\xa0\x80"));  // surrogate half
}

}  // namespace
