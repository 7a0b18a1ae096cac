// Plain helpers of the Samba back end that need neither libnetapi nor a server:
// value conversions between what libnetapi gives and what the Net functions promise,
// status translation, and a bounded connection probe.
#pragma once

#include "platform/net/net_support.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace net::samba {

// True when two server names (backslashes allowed) name the same NetBIOS host,
// compared without case and without a DNS suffix ("\\dc1.vellox.test" is "DC1").
bool SameHost(const std::string& a, const std::string& b);

// usri3_flags (UF_ bits) to the SAMR account-control bits (ACB_) that libnetapi's
// level-3 write sends unchanged. Bits with no SAMR counterpart (UF_SCRIPT,
// UF_PASSWD_CANT_CHANGE) and the computed UF_PASSWORD_EXPIRED are dropped.
std::uint32_t ToSamrAccountBits(std::uint32_t ufFlags);

// Account expiry as read: libnetapi cuts the directory's "never" time to 32 bits
// (159663333), a classic controller's database gives its own largest time cut to 32 bits
// (2085923199), and 0 or 0x7FFFFFFF and above are other spellings of never; all become
// TIMEQ_FOREVER.
std::uint32_t NormalizeAccountExpiry(std::uint32_t value);

// Password age as read: a password that was never set or must be changed comes back
// as the seconds since 1970; the Net functions give 0 for it.
std::uint32_t NormalizePasswordAge(std::uint32_t age, std::int64_t nowSeconds);

// A security identifier in parts, and its "S-1-5-21-..." text form.
struct SidParts {
    std::uint8_t revision = 1;
    std::uint64_t authority = 0;  // 48 bits
    std::vector<std::uint32_t> subAuthorities;
};
std::optional<SidParts> ParseSid(const std::string& text);  // nullopt unless well formed
std::string FormatSid(const SidParts& sid);

// Role bits for a server that did not answer NetServerGetInfo, from its account's
// flags: a server trust account is a domain controller (the primary one when
// `isPrimary`), a workstation trust account a workstation in the domain.
std::uint32_t FallbackServerType(std::uint32_t accountFlags, bool isPrimary);

// Status translation, per kind of call, of the answers libnetapi gives for unknown
// names (1332 "no mapping", 1317, 1319, ...) into the Net functions' own codes.
Status UserCallStatus(Status status);        // unknown user -> NERR_UserNotFound
Status GroupCallStatus(Status status);       // unknown group -> NERR_GroupNotFound
Status LocalGroupCallStatus(Status status);  // unknown local group, membership codes

// SplitAccount, and "name@realm" -> {"realm", "name"}.
std::pair<std::string, std::string> SplitAccountName(const std::string& account);

// Outcome of a connection probe.
enum class Probe { Answered, Refused, Unresolved, TimedOut };

// Resolves `host` and connects to `port` on its addresses, giving up after `timeout`
// in all (a lookup that hangs included). Never blocks longer than the timeout.
Probe ProbeTcp(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout);

}  // namespace net::samba
