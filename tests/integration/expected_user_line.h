// The USERS line a controller's account must give, built from what the test put on the
// controller, never from what the server answered. Shared by the tests against a real
// Samba controller and against the directory peer, so that both hold the route to the
// same rules.
#pragma once

#include "platform/net/netapi.h"
#include "settings/app_settings.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace vxtest {

// An account as a fixture creates it.
struct Account {
    std::string name;
    std::string fullName;  // as shown: TAB, CR and LF already blanks
    bool disabled = false;
    bool passwordNeverExpires = false;
    bool mustChange = false;  // its password is to be changed (pwdLastSet 0)
    bool expires = false;     // an expiry date is set
    std::optional<std::string> profile;
    std::string script;
    int logons = 0;
    std::string lastLogon = "********* Never ******** ";  // as shown: its last character blanked
    std::uint32_t otherFlags = 0;                         // lockout, cannot change, ...
};

inline Account Plain(const std::string& name, const std::string& fullName)
{
    Account account;
    account.name = name;
    account.fullName = fullName;
    account.profile = "";  // Samba returns an empty profile text, not none
    return account;
}

// The flag word a NetUserGetInfo caller gets for such an account: the script bit is
// always set, "must change" reads as an expired password unless it never expires.
inline std::uint32_t FlagsOf(const Account& a)
{
    std::uint32_t flags = net::UF_SCRIPT | net::UF_NORMAL_ACCOUNT | a.otherFlags;
    if (a.disabled)
        flags |= net::UF_ACCOUNTDISABLE;
    if (a.passwordNeverExpires)
        flags |= net::UF_DONT_EXPIRE_PASSWD;
    if (a.mustChange && !a.passwordNeverExpires)
        flags |= 0x00800000u;  // UF_PASSWORD_EXPIRED
    return flags;
}

inline std::string Number(long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%10lld", value);
    return text;
}

inline std::string ExpectedUserLine(const Account& a, const AppSettings& s)
{
    std::string line = a.name;
    auto field = [&line](const std::string& text) { line += "\t" + text; };
    if (s.u_user_name)
        field(a.fullName);
    if (s.u_num_logons)
        field(Number(a.logons));
    if (s.u_last_logon)
        field(a.lastLogon);
    if (s.u_expires)
        field(a.expires ? "Yes" : "Never");
    if (s.u_disabled)
        field(a.disabled ? "Yes" : "No");
    if (s.u_pw_check)
        field(a.mustChange ? "No" : "Yes");
    if (s.u_max_storage)
        field(Number(-1));
    if (s.u_profile_check)
        field(a.profile ? *a.profile : "*None*");
    if (s.u_script_check)
        field(a.script.empty() ? "*None*" : a.script);
    if (s.u_pass_expires)
        field(a.passwordNeverExpires ? "Never" : "Yes");
    field(Number(FlagsOf(a)));
    return line;
}

}  // namespace vxtest
