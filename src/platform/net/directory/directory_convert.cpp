#include "platform/net/directory/directory_convert.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace net::directory {

std::uint32_t FileTimeToUnix(std::int64_t fileTime)
{
    if (fileTime <= 0)
        return 0;
    const std::int64_t seconds = (fileTime - kFileTimeUnixEpoch) / 10000000;
    if (seconds <= 0)
        return 0;
    return static_cast<std::uint32_t>(std::min<std::int64_t>(seconds, 0xFFFFFFFELL));
}

std::int64_t UnixToFileTime(std::int64_t seconds)
{
    return seconds * 10000000 + kFileTimeUnixEpoch;
}

std::uint32_t AccountExpiresToNet(std::int64_t accountExpires)
{
    if (accountExpires == 0 || accountExpires == kFileTimeNever)
        return TIMEQ_FOREVER;
    if (accountExpires <= kFileTimeUnixEpoch)
        return 0;  // expired before 1970: in the past either way
    return FileTimeToUnix(accountExpires);
}

std::uint32_t PasswordAge(std::int64_t pwdLastSet, std::int64_t now)
{
    if (pwdLastSet <= 0)
        return 0;
    const std::int64_t age = now - (pwdLastSet - kFileTimeUnixEpoch) / 10000000;
    if (age <= 0)
        return 1;  // set this very second (or the clocks differ): not "must change"
    return static_cast<std::uint32_t>(std::min<std::int64_t>(age, 0xFFFFFFFELL));
}

bool PasswordExpired(std::int64_t pwdLastSet, std::int64_t maxPwdAge, std::uint32_t uac, std::int64_t now)
{
    // A password that never expires is never expired, not even one never set (the
    // Guest account): so the Net functions report it.
    if (uac & UF_DONT_EXPIRE_PASSWD)
        return false;
    if (pwdLastSet == 0)
        return true;
    if (maxPwdAge >= 0 || maxPwdAge == INT64_MIN || pwdLastSet < 0)
        return false;
    const std::int64_t limit = -maxPwdAge / 10000000;
    return now - (pwdLastSet - kFileTimeUnixEpoch) / 10000000 > limit;
}

bool IsLockedOut(std::int64_t lockoutTime, std::int64_t lockoutDuration, std::int64_t now)
{
    if (lockoutTime <= 0)
        return false;
    if (lockoutDuration == 0 || lockoutDuration == INT64_MIN)
        return true;
    const std::int64_t duration = lockoutDuration < 0 ? -lockoutDuration : lockoutDuration;
    // A lockout that would end past the largest time never ends (nor may the sum overflow).
    if (lockoutTime > INT64_MAX - duration)
        return true;
    return UnixToFileTime(now) < lockoutTime + duration;
}

std::uint32_t NetFlagsFromDirectory(std::uint32_t uac, bool lockedOut, bool cannotChange)
{
    // The UF_ values are those of userAccountControl; lockout and "cannot change"
    // are kept outside it (lockoutTime, the DACL) and computed here.
    std::uint32_t flags = uac & ~(UF_LOCKOUT | UF_PASSWD_CANT_CHANGE);
    flags |= UF_SCRIPT;
    if (lockedOut)
        flags |= UF_LOCKOUT;
    if (cannotChange)
        flags |= UF_PASSWD_CANT_CHANGE;
    return flags;
}

std::uint32_t ComposeAccountControl(std::uint32_t currentUac, std::uint32_t netFlags)
{
    constexpr std::uint32_t kWritten = UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD;
    return (currentUac & ~kWritten) | (netFlags & kWritten);
}

namespace {

std::uint32_t ReadLe32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t ReadLe16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
void PutLe32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutLe16(std::string& s, std::size_t at, std::uint16_t v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}

// Length of the binary SID at p (with `avail` bytes), 0 when malformed.
std::size_t SidLength(const unsigned char* p, std::size_t avail)
{
    if (avail < 8 || p[0] != 1)
        return 0;
    const std::size_t len = 8 + 4 * static_cast<std::size_t>(p[1]);
    return p[1] <= 15 && len <= avail ? len : 0;
}

}  // namespace

std::optional<std::string> SidToString(std::string_view binary)
{
    const auto* p = reinterpret_cast<const unsigned char*>(binary.data());
    const std::size_t len = SidLength(p, binary.size());
    if (len == 0 || len != binary.size())
        return std::nullopt;
    std::uint64_t authority = 0;
    for (int i = 2; i < 8; ++i)
        authority = (authority << 8) | p[i];
    std::string text = "S-1-" + std::to_string(authority);
    for (std::size_t i = 0; i < p[1]; ++i)
        text += "-" + std::to_string(ReadLe32(p + 8 + 4 * i));
    return text;
}

std::optional<std::string> SidFromString(const std::string& text)
{
    if (text.size() < 5 || (text.compare(0, 4, "S-1-") != 0 && text.compare(0, 4, "s-1-") != 0))
        return std::nullopt;
    std::vector<std::uint64_t> parts;
    const char* p = text.data() + 4;
    const char* end = text.data() + text.size();
    while (p < end) {
        std::uint64_t value = 0;
        const auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc() || next == p)
            return std::nullopt;
        parts.push_back(value);
        p = next;
        if (p < end) {
            if (*p != '-' || p + 1 == end)
                return std::nullopt;
            ++p;
        }
    }
    if (parts.empty() || parts.size() > 16 || parts[0] > 0xFFFFFFFFFFFFULL)
        return std::nullopt;
    std::string sid(8 + 4 * (parts.size() - 1), '\0');
    sid[0] = 1;
    sid[1] = static_cast<char>(parts.size() - 1);
    for (int i = 0; i < 6; ++i)
        sid[2 + i] = static_cast<char>((parts[0] >> (8 * (5 - i))) & 0xFF);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (parts[i] > 0xFFFFFFFFULL)
            return std::nullopt;
        PutLe32(sid, 8 + 4 * (i - 1), static_cast<std::uint32_t>(parts[i]));
    }
    return sid;
}

std::uint32_t RidOf(const std::string& sidText)
{
    const auto dash = sidText.rfind('-');
    if (dash == std::string::npos || std::count(sidText.begin(), sidText.end(), '-') < 3)
        return 0;
    std::uint32_t rid = 0;
    const auto [ptr, ec] = std::from_chars(sidText.data() + dash + 1, sidText.data() + sidText.size(), rid);
    return ec == std::errc() && ptr == sidText.data() + sidText.size() ? rid : 0;
}

std::string DomainPartOf(const std::string& sidText)
{
    const auto dash = sidText.rfind('-');
    return dash == std::string::npos ? std::string() : sidText.substr(0, dash);
}

std::string EscapeFilterValue(const std::string& value)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(value.size());
    for (unsigned char c : value) {
        if (c == '*' || c == '(' || c == ')' || c == '\\' || c == 0 || c >= 0x80 || c < 0x20) {
            // Non-ASCII bytes are escaped too, so binary values (SIDs) pass unchanged.
            out += '\\';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string UserEnumFilter(std::uint32_t netFilter)
{
    auto uacBit = [](std::uint32_t bit) {
        return "(userAccountControl:1.2.840.113556.1.4.803:=" + std::to_string(bit) + ")";
    };
    std::string any;
    int count = 0;
    if (netFilter & FILTER_NORMAL_ACCOUNT) {
        any += "(sAMAccountType=" + std::to_string(SAM_NORMAL_USER_ACCOUNT) + ")";
        ++count;
    }
    if (netFilter & FILTER_INTERDOMAIN_TRUST_ACCOUNT) {
        any += uacBit(UF_INTERDOMAIN_TRUST_ACCOUNT);
        ++count;
    }
    if (netFilter & FILTER_WORKSTATION_TRUST_ACCOUNT) {
        any += uacBit(UF_WORKSTATION_TRUST_ACCOUNT);
        ++count;
    }
    if (netFilter & FILTER_SERVER_TRUST_ACCOUNT) {
        any += uacBit(UF_SERVER_TRUST_ACCOUNT);
        ++count;
    }
    if (count == 0) {
        return "(|(sAMAccountType=" + std::to_string(SAM_NORMAL_USER_ACCOUNT) +
               ")(sAMAccountType=" + std::to_string(SAM_MACHINE_ACCOUNT) +
               ")(sAMAccountType=" + std::to_string(SAM_TRUST_ACCOUNT) + "))";
    }
    const std::string users = count == 1 ? any : "(|" + any + ")";
    return "(&(objectClass=user)" + users + ")";
}

namespace {

constexpr unsigned char ACCESS_DENIED_OBJECT_ACE_TYPE = 6;
constexpr unsigned char INHERITED_ACE = 0x10;
constexpr std::uint32_t ACE_OBJECT_TYPE_PRESENT = 1;
constexpr std::uint32_t ADS_RIGHT_DS_CONTROL_ACCESS = 0x100;
constexpr std::uint16_t SE_DACL_PRESENT = 0x0004;
constexpr std::uint16_t SE_SELF_RELATIVE = 0x8000;
constexpr std::uint16_t kDaclControlBits =
    0x0004 | 0x0008 | 0x0100 | 0x0400 | 0x1000;  // present, defaulted, AI req, AI, protected

// The Change Password extended right ab721a53-1e2f-11d0-9819-00aa0040529b, in GUID byte order.
constexpr std::array<unsigned char, 16> kChangePasswordGuid = {0x53, 0x1a, 0x72, 0xab, 0x2f, 0x1e, 0xd0, 0x11,
                                                               0x98, 0x19, 0x00, 0xaa, 0x00, 0x40, 0x52, 0x9b};
const std::string kEveryone("\x01\x01\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00", 12);
const std::string kSelf("\x01\x01\x00\x00\x00\x00\x00\x05\x0a\x00\x00\x00", 12);

struct Dacl {
    std::uint16_t control = 0;
    unsigned char revision = 4;
    std::vector<std::string> aces;
};

// Calls `each` with every entry of the descriptor's DACL, in order. False when the
// descriptor or its DACL can't be read (then what `each` saw is not to be trusted).
template <class Each>
bool ForEachAce(std::string_view sd, Dacl& header, Each&& each)
{
    const auto* p = reinterpret_cast<const unsigned char*>(sd.data());
    if (sd.size() < 20 || p[0] != 1)
        return false;
    header.control = ReadLe16(p + 2);
    const std::uint32_t offset = ReadLe32(p + 16);
    if (!(header.control & SE_DACL_PRESENT) || offset == 0)
        return true;  // no DACL: nothing denied
    if (offset > sd.size() || sd.size() - offset < 8)
        return false;
    const unsigned char* acl = p + offset;
    const std::size_t aclSize = ReadLe16(acl + 2);
    const std::size_t count = ReadLe16(acl + 4);
    if (aclSize < 8 || aclSize > sd.size() - offset)
        return false;
    header.revision = acl[0];
    std::size_t at = 8;
    for (std::size_t i = 0; i < count; ++i) {
        if (aclSize - at < 4)
            return false;
        const std::size_t aceSize = ReadLe16(acl + at + 2);
        if (aceSize < 4 || aceSize > aclSize - at)
            return false;
        each(std::string_view(reinterpret_cast<const char*>(acl + at), aceSize));
        at += aceSize;
    }
    return true;
}

std::optional<Dacl> ReadDacl(std::string_view sd)
{
    Dacl dacl;
    if (!ForEachAce(sd, dacl, [&](std::string_view ace) { dacl.aces.emplace_back(ace); }))
        return std::nullopt;
    return dacl;
}

// A deny entry of the Change Password right for Everyone or SELF.
bool IsChangePasswordDeny(std::string_view ace, bool explicitOnly)
{
    const auto* p = reinterpret_cast<const unsigned char*>(ace.data());
    if (ace.size() < 12 + 16 + 8 || p[0] != ACCESS_DENIED_OBJECT_ACE_TYPE)
        return false;
    if (explicitOnly && (p[1] & INHERITED_ACE))
        return false;
    const std::uint32_t mask = ReadLe32(p + 4);
    const std::uint32_t flags = ReadLe32(p + 8);
    if (!(mask & ADS_RIGHT_DS_CONTROL_ACCESS) || !(flags & ACE_OBJECT_TYPE_PRESENT))
        return false;
    if (std::memcmp(p + 12, kChangePasswordGuid.data(), 16) != 0)
        return false;
    std::size_t sidAt = 28 + ((flags & 2) ? 16 : 0);
    if (sidAt >= ace.size())
        return false;
    const std::string_view sid = ace.substr(sidAt, SidLength(p + sidAt, ace.size() - sidAt));
    return sid == kEveryone || sid == kSelf;
}

std::string ChangePasswordDeny(const std::string& sid)
{
    std::string ace(4 + 4 + 4 + 16, '\0');
    ace[0] = static_cast<char>(ACCESS_DENIED_OBJECT_ACE_TYPE);
    PutLe32(ace, 4, ADS_RIGHT_DS_CONTROL_ACCESS);
    PutLe32(ace, 8, ACE_OBJECT_TYPE_PRESENT);
    std::memcpy(ace.data() + 12, kChangePasswordGuid.data(), 16);
    ace += sid;
    PutLe16(ace, 2, static_cast<std::uint16_t>(ace.size()));
    return ace;
}

}  // namespace

bool DeniesPasswordChange(std::string_view securityDescriptor)
{
    // Walked in place: a USERS browse asks this of every account.
    Dacl header;
    bool denied = false;
    const bool whole = ForEachAce(securityDescriptor, header,
                                  [&](std::string_view ace) { denied = denied || IsChangePasswordDeny(ace, false); });
    return whole && denied;
}

std::optional<std::string> WithPasswordChangeDenied(const std::string& securityDescriptor, bool deny)
{
    auto dacl = ReadDacl(securityDescriptor);
    if (!dacl)
        return std::nullopt;
    std::vector<std::string> aces;
    if (deny) {
        aces.push_back(ChangePasswordDeny(kSelf));
        aces.push_back(ChangePasswordDeny(kEveryone));
    }
    for (auto& ace : dacl->aces)
        if (!IsChangePasswordDeny(ace, true))
            aces.push_back(std::move(ace));
    std::string acl(8, '\0');
    for (const auto& ace : aces)
        acl += ace;
    if (acl.size() > 0xFFFF)
        return std::nullopt;
    acl[0] = static_cast<char>(std::max<unsigned char>(dacl->revision, 4));  // object entries need revision 4
    PutLe16(acl, 2, static_cast<std::uint16_t>(acl.size()));
    PutLe16(acl, 4, static_cast<std::uint16_t>(aces.size()));
    std::string sd(20, '\0');
    sd[0] = 1;
    PutLe16(sd, 2, static_cast<std::uint16_t>((dacl->control & kDaclControlBits) | SE_DACL_PRESENT | SE_SELF_RELATIVE));
    PutLe32(sd, 16, 20);
    return sd + acl;
}

std::optional<std::string> EncodeUnicodePwd(const std::string& utf8)
{
    const std::string quoted = "\"" + utf8 + "\"";
    std::string out;
    out.reserve(quoted.size() * 2);
    auto put = [&out](std::uint32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (std::size_t i = 0; i < quoted.size();) {
        const auto c = static_cast<unsigned char>(quoted[i]);
        std::uint32_t cp = 0;
        std::size_t len = 0;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            return std::nullopt;
        }
        if (i + len > quoted.size())
            return std::nullopt;
        for (std::size_t k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(quoted[i + k]);
            if ((cc & 0xC0) != 0x80)
                return std::nullopt;
            cp = (cp << 6) | (cc & 0x3F);
        }
        const bool overlong = (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
        if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += len;
    }
    return out;
}

std::optional<std::int64_t> ParseInteger(std::string_view text)
{
    std::int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

}  // namespace net::directory
