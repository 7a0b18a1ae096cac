// The directory route's conversions of attribute values a controller sends. The first
// input byte chooses the conversion, the rest is its input:
//   0 times (FILETIME attributes against the domain policy and a clock),
//   1 object SIDs (binary and text forms),
//   2 security descriptors (the Change Password deny entries),
//   3 userAccountControl (to the Net flags and back),
//   4 texts (decimal attribute values, unicodePwd, filter escaping, server names).
#include "platform/net/directory/directory_convert.h"
#include "platform/net/net_support.h"

#include "fuzz_check.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

using namespace net;
using namespace net::directory;

namespace {

// Reads fixed-size integers off the input; past its end they read as 0.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) { }

    template <class T>
    T Take()
    {
        unsigned char bytes[sizeof(T)] = {};
        const std::size_t n = std::min(sizeof(T), m_size - m_pos);
        std::memcpy(bytes, m_data + m_pos, n);
        m_pos += n;
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    std::string Rest() const { return std::string(reinterpret_cast<const char*>(m_data + m_pos), m_size - m_pos); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A clock reading as the program takes it: seconds since 1970, up to the year 9999.
std::int64_t Clock(std::uint64_t raw)
{
    return static_cast<std::int64_t>(raw % 253402300800ULL);
}

void Times(Reader& in)
{
    const auto fileTime = in.Take<std::int64_t>();
    const auto other = in.Take<std::int64_t>();
    const auto maxPwdAge = in.Take<std::int64_t>();
    const auto lockoutDuration = in.Take<std::int64_t>();
    const auto uac = in.Take<std::uint32_t>();
    const std::int64_t now = Clock(in.Take<std::uint64_t>());
    const std::int64_t later = now + Clock(in.Take<std::uint64_t>()) % 1000000000;

    const std::uint32_t unix = FileTimeToUnix(fileTime);
    FUZZ_CHECK(unix <= 0xFFFFFFFEu);
    FUZZ_CHECK(fileTime > kFileTimeUnixEpoch || unix == 0);
    if (fileTime <= other)
        FUZZ_CHECK(unix <= FileTimeToUnix(other));
    if (unix != 0 && unix != 0xFFFFFFFEu)
        FUZZ_CHECK(FileTimeToUnix(UnixToFileTime(unix)) == unix);

    // Only "0" and the largest value mean never; a real expiry never reads as never.
    const std::uint32_t expires = AccountExpiresToNet(fileTime);
    FUZZ_CHECK((expires == TIMEQ_FOREVER) == (fileTime == 0 || fileTime == kFileTimeNever));

    const std::uint32_t age = PasswordAge(fileTime, now);
    FUZZ_CHECK((age == 0) == (fileTime <= 0));
    FUZZ_CHECK(age <= 0xFFFFFFFEu);
    if (age != 0)
        FUZZ_CHECK(PasswordAge(fileTime, later) >= age);

    const bool expired = PasswordExpired(fileTime, maxPwdAge, uac, now);
    if (uac & UF_DONT_EXPIRE_PASSWD)
        FUZZ_CHECK(!expired);
    else if (fileTime == 0)
        FUZZ_CHECK(expired);
    if (expired)
        FUZZ_CHECK(PasswordExpired(fileTime, maxPwdAge, uac, later));

    // A lockout only ever ends as time goes on.
    const bool locked = IsLockedOut(fileTime, lockoutDuration, later);
    if (fileTime <= 0)
        FUZZ_CHECK(!locked);
    if (locked)
        FUZZ_CHECK(IsLockedOut(fileTime, lockoutDuration, now));
}

void Sids(Reader& in)
{
    const std::string bytes = in.Rest();
    if (const auto text = SidToString(bytes)) {
        FUZZ_CHECK(text->starts_with("S-1-"));
        FUZZ_CHECK(SidFromString(*text) == bytes);
        const std::size_t count = static_cast<unsigned char>(bytes[1]);
        if (count > 0) {
            std::uint32_t last = 0;
            std::memcpy(&last, bytes.data() + bytes.size() - 4, 4);  // little-endian, as on this machine
            FUZZ_CHECK(RidOf(*text) == last);
            FUZZ_CHECK(SidFromString(DomainPartOf(*text)) ==
                       bytes.substr(0, bytes.size() - 4).replace(1, 1, 1, static_cast<char>(count - 1)));
        }
    }
    if (const auto binary = SidFromString(bytes)) {
        const auto text = SidToString(*binary);
        FUZZ_CHECK(text.has_value());
        FUZZ_CHECK(SidFromString(*text) == binary);
    }
}

void SecurityDescriptors(Reader& in)
{
    const std::string sd = in.Rest();
    DeniesPasswordChange(sd);
    const auto denied = WithPasswordChangeDenied(sd, true);
    const auto allowed = WithPasswordChangeDenied(sd, false);
    FUZZ_CHECK(denied.has_value() == allowed.has_value());
    if (!denied)
        return;
    FUZZ_CHECK(DeniesPasswordChange(*denied));
    // Setting again changes nothing; clearing after setting is clearing.
    FUZZ_CHECK(WithPasswordChangeDenied(*denied, true) == denied);
    FUZZ_CHECK(WithPasswordChangeDenied(*allowed, false) == allowed);
    FUZZ_CHECK(WithPasswordChangeDenied(*denied, false) == allowed);
}

void AccountControl(Reader& in)
{
    const auto uac = in.Take<std::uint32_t>();
    const auto netFlags = in.Take<std::uint32_t>();
    const auto bits = in.Take<std::uint8_t>();
    const bool lockedOut = bits & 1;
    const bool cannotChange = bits & 2;

    const std::uint32_t flags = NetFlagsFromDirectory(uac, lockedOut, cannotChange);
    FUZZ_CHECK(flags & UF_SCRIPT);
    FUZZ_CHECK(((flags & UF_LOCKOUT) != 0) == lockedOut);
    FUZZ_CHECK(((flags & UF_PASSWD_CANT_CHANGE) != 0) == cannotChange);
    // Writing back the flags as read changes nothing; a write changes two bits at most.
    FUZZ_CHECK(ComposeAccountControl(uac, flags) == uac);
    const std::uint32_t written = ComposeAccountControl(uac, netFlags);
    FUZZ_CHECK((written ^ uac) == ((written ^ uac) & (UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD)));
    FUZZ_CHECK((written & UF_ACCOUNTDISABLE) == (netFlags & UF_ACCOUNTDISABLE));
    FUZZ_CHECK((written & UF_DONT_EXPIRE_PASSWD) == (netFlags & UF_DONT_EXPIRE_PASSWD));
}

// UTF-16LE back to UTF-8.
std::string FromUtf16(const std::string& bytes)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t cp = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low =
                static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

void Texts(Reader& in)
{
    const std::string text = in.Rest();
    if (const auto number = ParseInteger(text))
        FUZZ_CHECK(ParseInteger(std::to_string(*number)) == number);

    if (const auto pwd = EncodeUnicodePwd(text)) {
        FUZZ_CHECK(pwd->size() % 2 == 0);
        FUZZ_CHECK(FromUtf16(*pwd) == "\"" + text + "\"");
    }

    // Nothing that ends or nests a filter value stays unescaped.
    const std::string escaped = EscapeFilterValue(text);
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(escaped[i]);
        FUZZ_CHECK(c != '(' && c != ')' && c != '*' && c != 0 && c < 0x80);
        if (c == '\\') {
            FUZZ_CHECK(i + 2 < escaped.size());
            FUZZ_CHECK(std::isxdigit(static_cast<unsigned char>(escaped[i + 1])) &&
                       std::isxdigit(static_cast<unsigned char>(escaped[i + 2])));
            i += 2;
        }
    }

    const std::string host = HostOf(text);
    FUZZ_CHECK(host.empty() || (host.front() != '\\' && host.front() != '/'));
    FUZZ_CHECK(HostOf("\\\\" + host) == host);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    Reader in(data + 1, size - 1);
    switch (data[0] % 5) {
    case 0:
        Times(in);
        break;
    case 1:
        Sids(in);
        break;
    case 2:
        SecurityDescriptors(in);
        break;
    case 3:
        AccountControl(in);
        break;
    default:
        Texts(in);
        break;
    }
    return 0;
}
