// Conversions between the directory's account attributes and the Net records:
// times, account-control bits, identifiers, security descriptors, search filters.
// Plain functions without a connection, so tests can call them directly.
#pragma once

#include "platform/net/netapi.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net::directory {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
inline constexpr std::int64_t kFileTimeUnixEpoch = 116444736000000000LL;
inline constexpr std::int64_t kFileTimeNever = 0x7FFFFFFFFFFFFFFFLL;

// sAMAccountType values.
inline constexpr std::uint32_t SAM_NORMAL_USER_ACCOUNT = 0x30000000;
inline constexpr std::uint32_t SAM_MACHINE_ACCOUNT = 0x30000001;
inline constexpr std::uint32_t SAM_TRUST_ACCOUNT = 0x30000002;

// groupType values of security groups.
inline constexpr std::uint32_t GROUP_TYPE_BUILTIN = 0x00000001;
inline constexpr std::uint32_t GROUP_TYPE_GLOBAL = 0x00000002;
inline constexpr std::uint32_t GROUP_TYPE_DOMAIN_LOCAL = 0x00000004;
inline constexpr std::uint32_t GROUP_TYPE_UNIVERSAL = 0x00000008;
inline constexpr std::uint32_t GROUP_TYPE_SECURITY = 0x80000000u;

// A FILETIME (100 ns since 1601) as seconds since 1970, clamped to 0..0xFFFFFFFE;
// 0 stays 0 (never).
std::uint32_t FileTimeToUnix(std::int64_t fileTime);
std::int64_t UnixToFileTime(std::int64_t seconds);

// accountExpires: 0 and the largest value mean never (TIMEQ_FOREVER).
std::uint32_t AccountExpiresToNet(std::int64_t accountExpires);

// Seconds since pwdLastSet at `now` (seconds since 1970); 0 when it must change (0).
std::uint32_t PasswordAge(std::int64_t pwdLastSet, std::int64_t now);

// Whether the password has expired: pwdLastSet 0, or older than the domain's maximum
// password age (a negative 100-ns interval; 0 = no limit) unless it never expires.
bool PasswordExpired(std::int64_t pwdLastSet, std::int64_t maxPwdAge, std::uint32_t uac, std::int64_t now);

// Lockout state from lockoutTime and the domain's lockoutDuration (negative 100-ns
// interval; the most negative value or 0 means until an administrator unlocks).
bool IsLockedOut(std::int64_t lockoutTime, std::int64_t lockoutDuration, std::int64_t now);

// The UF_ bits the Net functions report from userAccountControl plus the computed
// state that the directory keeps elsewhere (lockout, cannot change password).
std::uint32_t NetFlagsFromDirectory(std::uint32_t uac, bool lockedOut, bool cannotChange);

// userAccountControl after a Net write: only the disabled and password-never-expires
// bits follow `netFlags`; every other stored bit stays as it was.
std::uint32_t ComposeAccountControl(std::uint32_t currentUac, std::uint32_t netFlags);

// Binary objectSid to "S-1-5-21-..." and back; nullopt for malformed input.
std::optional<std::string> SidToString(std::string_view binary);
std::optional<std::string> SidFromString(const std::string& text);
// The last sub-authority (relative identifier), 0 when there is none.
std::uint32_t RidOf(const std::string& sidText);
// The SID without its last sub-authority ("S-1-5-21-a-b-c" for "S-1-5-21-a-b-c-1104").
std::string DomainPartOf(const std::string& sidText);

// RFC 4515 escaping of a value inside a filter (also used for binary values).
std::string EscapeFilterValue(const std::string& value);

// The search filter of a NetUserEnum filter (0: every user, computer and trust account).
std::string UserEnumFilter(std::uint32_t netFilter);

// Whether a user's DACL denies Everyone or SELF the Change Password right.
bool DeniesPasswordChange(std::string_view securityDescriptor);
// The security descriptor (self-relative, DACL only) with the deny entries for Everyone
// and SELF added or removed; nullopt when the descriptor can't be read.
std::optional<std::string> WithPasswordChangeDenied(const std::string& securityDescriptor, bool deny);

// unicodePwd value: the password in double quotes, UTF-16LE; nullopt for invalid UTF-8.
std::optional<std::string> EncodeUnicodePwd(const std::string& utf8);

// Parses a decimal attribute value; nullopt when it is not a number.
std::optional<std::int64_t> ParseInteger(std::string_view text);

}  // namespace net::directory
