#include "enum/users_lines.h"

#include "browse/test_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Sets TZ for one test and restores the previous value afterwards.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (m_old.empty())
            unsetenv("TZ");
        else
            setenv("TZ", m_old.c_str(), 1);
        tzset();
    }

private:
    std::string m_old;
};

net::USER_INFO_3 PlainAccount()
{
    net::USER_INFO_3 user;
    user.usri3_name = "jdoe";
    user.usri3_full_name = "John Doe";
    user.usri3_flags = net::UF_SCRIPT | net::UF_NORMAL_ACCOUNT;  // 513
    user.usri3_password_age = 3600;
    user.usri3_profile = std::nullopt;
    return user;
}

AppSettings Only(std::int32_t AppSettings::*column)
{
    AppSettings s = AllFlagsOff();
    s.*column = 1;
    return s;
}

// The one field between the name and the flag word.
std::string Field(const net::USER_INFO_3& user, std::int32_t AppSettings::*column)
{
    const std::string line = UserLine(user, Only(column));
    const auto first = line.find('\t');
    const auto last = line.rfind('\t');
    EXPECT_NE(first, last) << line;
    return line.substr(first + 1, last - first - 1);
}

// ---- whole lines ----

TEST(UserLine, EverySettingOffIsNameTabFlagWord)
{
    EXPECT_EQ(UserLine(PlainAccount(), AllFlagsOff()), "jdoe\t       513");
    EXPECT_EQ(UserLine(PlainAccount(), Only(&AppSettings::u_user_id)), "jdoe\t       513");
}

TEST(UserLine, DefaultColumnsForAnEnabledAccountWithoutExpiryOrQuota)
{
    AppSettings s = AllFlagsOff();
    s.u_user_id = s.u_user_name = s.u_expires = s.u_max_storage = 1;
    EXPECT_EQ(UserLine(PlainAccount(), s), "jdoe\tJohn Doe\tNever\t        -1\t       513");
}

TEST(UserLine, EveryColumnInOrder)
{
    TimeZone utc("UTC0");
    net::USER_INFO_3 user = PlainAccount();
    user.usri3_num_logons = 7;
    user.usri3_last_logon = 315626635;
    user.usri3_acct_expires = 1700000000;
    user.usri3_flags |= net::UF_ACCOUNTDISABLE | net::UF_DONT_EXPIRE_PASSWD;
    user.usri3_max_storage = 4096;
    user.usri3_profile = "\\\\fs1\\profiles\\jdoe";
    user.usri3_script_path = "logon.cmd";
    EXPECT_EQ(UserLine(user, AllUsersColumnsOn()),
              "jdoe\tJohn Doe\t         7\tWed Jan 02 02:03:55 1980 \tYes\tYes\tYes\t      4096\t"
              "\\\\fs1\\profiles\\jdoe\tlogon.cmd\tNever\t     66051");
}

TEST(UserLine, TabsAndLineBreaksInServerTextsBecomeBlanks)
{
    net::USER_INFO_3 user = PlainAccount();
    user.usri3_name = "odd\tname";
    user.usri3_full_name = "Line\r\nBreak";
    user.usri3_script_path = "a\tb.cmd";
    user.usri3_profile = "p\tq";
    AppSettings s = AllFlagsOff();
    s.u_user_name = s.u_script_check = s.u_profile_check = 1;
    EXPECT_EQ(UserLine(user, s), "odd name\tLine  Break\tp q\ta b.cmd\t       513");
}

// ---- single fields ----

TEST(UserFields, NumbersAreTenCharactersWide)
{
    net::USER_INFO_3 user = PlainAccount();
    user.usri3_num_logons = 7;
    EXPECT_EQ(Field(user, &AppSettings::u_num_logons), "         7");
    user.usri3_num_logons = 1234567890;
    EXPECT_EQ(Field(user, &AppSettings::u_num_logons), "1234567890");
}

TEST(UserFields, UnlimitedQuotaShowsMinusOne)
{
    net::USER_INFO_3 user = PlainAccount();
    user.usri3_max_storage = net::USER_MAXSTORAGE_UNLIMITED;
    EXPECT_EQ(Field(user, &AppSettings::u_max_storage), "        -1");
}

TEST(UserFields, AccountExpiry)
{
    net::USER_INFO_3 user = PlainAccount();
    user.usri3_acct_expires = net::TIMEQ_FOREVER;
    EXPECT_EQ(Field(user, &AppSettings::u_expires), "Never");
    user.usri3_acct_expires = 1700000000;
    EXPECT_EQ(Field(user, &AppSettings::u_expires), "Yes");
}

TEST(UserFields, Disabled)
{
    net::USER_INFO_3 user = PlainAccount();
    EXPECT_EQ(Field(user, &AppSettings::u_disabled), "No");
    user.usri3_flags |= net::UF_ACCOUNTDISABLE;
    EXPECT_EQ(Field(user, &AppSettings::u_disabled), "Yes");
}

TEST(UserFields, HasPasswordFollowsPasswordAge)
{
    net::USER_INFO_3 user = PlainAccount();
    EXPECT_EQ(Field(user, &AppSettings::u_pw_check), "Yes");
    user.usri3_password_age = 0;
    EXPECT_EQ(Field(user, &AppSettings::u_pw_check), "No");
}

TEST(UserFields, ProfileMissingEmptyOrGiven)
{
    net::USER_INFO_3 user = PlainAccount();
    user.usri3_profile = std::nullopt;
    EXPECT_EQ(Field(user, &AppSettings::u_profile_check), "*None*");
    user.usri3_profile = "";
    EXPECT_EQ(Field(user, &AppSettings::u_profile_check), "");
    user.usri3_profile = "\\\\fs1\\p";
    EXPECT_EQ(Field(user, &AppSettings::u_profile_check), "\\\\fs1\\p");
}

TEST(UserFields, EmptyScriptShowsNone)
{
    net::USER_INFO_3 user = PlainAccount();
    EXPECT_EQ(Field(user, &AppSettings::u_script_check), "*None*");
    user.usri3_script_path = "run.bat";
    EXPECT_EQ(Field(user, &AppSettings::u_script_check), "run.bat");
}

TEST(UserFields, PasswordExpiry)
{
    net::USER_INFO_3 user = PlainAccount();
    EXPECT_EQ(Field(user, &AppSettings::u_pass_expires), "Yes");
    user.usri3_flags |= net::UF_DONT_EXPIRE_PASSWD;
    EXPECT_EQ(Field(user, &AppSettings::u_pass_expires), "Never");
}

TEST(UserFields, FlagWordIsSignedAndTenWide)
{
    net::USER_INFO_3 user = PlainAccount();
    user.usri3_flags = 0x80000000u;
    EXPECT_EQ(UserLine(user, AllFlagsOff()), "jdoe\t-2147483648");
}

// ---- last logon ----

TEST(LastLogon, NeverLoggedOnShowsTheNeverTextWithItsLastStarBlanked)
{
    EXPECT_EQ(LastLogonText(0), "********* Never ******** ");
}

TEST(LastLogon, ClassicFormWithTheLineEndAsBlank)
{
    TimeZone utc("UTC0");
    EXPECT_EQ(LastLogonText(315626635), "Wed Jan 02 02:03:55 1980 ");
    EXPECT_EQ(LastLogonText(946683000), "Fri Dec 31 23:30:00 1999 ");
}

TEST(LastLogon, ShownInLocalTime)
{
    TimeZone plusTwo("XYZ-2");
    EXPECT_EQ(LastLogonText(946683000), "Sat Jan 01 01:30:00 2000 ");
}

TEST(LastLogon, LocalTimeFollowsSummerTime)
{
    TimeZone central("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(LastLogonText(1625400005), "Sun Jul 04 14:00:05 2021 ");
    EXPECT_EQ(LastLogonText(315626635), "Wed Jan 02 03:03:55 1980 ");
}

TEST(LastLogon, LatestTimeStaysInTheTwentyFiveCharacterForm)
{
    TimeZone utc("UTC0");
    EXPECT_EQ(LastLogonText(4294967295u), "Sun Feb 07 06:28:15 2106 ");
}

}  // namespace
