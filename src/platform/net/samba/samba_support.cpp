#include "platform/net/samba/samba_support.h"

#include "platform/threads/owned_threads.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace net::samba {

namespace {

// UF_ bit and SAMR ACB_ bit pairs (the USER_ACCOUNT codes of the SAMR protocol).
struct FlagPair {
    std::uint32_t uf;
    std::uint32_t acb;
};
constexpr FlagPair kFlagPairs[] = {
    {0x00000002, 0x00000001},  // account disabled
    {0x00000008, 0x00000002},  // home directory required
    {0x00000020, 0x00000004},  // password not required
    {0x00000100, 0x00000008},  // temporary duplicate account
    {0x00000200, 0x00000010},  // normal account
    {0x00020000, 0x00000020},  // MNS logon account
    {0x00000800, 0x00000040},  // interdomain trust account
    {0x00001000, 0x00000080},  // workstation trust account
    {0x00002000, 0x00000100},  // server trust account
    {0x00010000, 0x00000200},  // password never expires
    {0x00000010, 0x00000400},  // locked out
    {0x00000080, 0x00000800},  // encrypted text password allowed
    {0x00040000, 0x00001000},  // smart card required
    {0x00080000, 0x00002000},  // trusted for delegation
    {0x00100000, 0x00004000},  // not delegated
    {0x00200000, 0x00008000},  // DES keys only
    {0x00400000, 0x00010000},  // no Kerberos pre-authentication
    {0x01000000, 0x00040000},  // trusted to authenticate for delegation
    {0x02000000, 0x00080000},  // no authorization data required
    {0x04000000, 0x00100000},  // partial secrets account
    {0x08000000, 0x00200000},  // AES keys
};

// 0x7FFFFFFFFFFFFFFF (the directory's "never") in seconds since 1970, cut to 32 bits.
constexpr std::uint32_t kNeverCut = 159663333u;
// The classic password database's "never" (its kickoff time for an account without
// expiry): the largest time_t that gmtime can convert, 67768036191676799 (31 December
// of the year 2147485547), cut to the database's 32 bits. pdbedit shows it as
// "Wed, 06 Feb 2036 15:06:39 UTC".
constexpr std::uint32_t kClassicNeverCut = 2085923199u;

}  // namespace

bool SameHost(const std::string& a, const std::string& b)
{
    auto shortName = [](const std::string& server) {
        std::string host = HostOf(server);
        // An address is compared whole; a DNS name by its first label.
        bool address = !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
            return std::isdigit(c) || c == '.' || c == ':';
        });
        if (!address)
            host = host.substr(0, host.find('.'));
        return UpperAscii(host);
    };
    std::string left = shortName(a);
    return !left.empty() && left == shortName(b);
}

std::uint32_t ToSamrAccountBits(std::uint32_t ufFlags)
{
    std::uint32_t acb = 0;
    for (const FlagPair& pair : kFlagPairs) {
        if (ufFlags & pair.uf)
            acb |= pair.acb;
    }
    return acb;
}

std::uint32_t NormalizeAccountExpiry(std::uint32_t value)
{
    if (value == 0 || value == kNeverCut || value == kClassicNeverCut || value >= 0x7FFFFFFFu)
        return TIMEQ_FOREVER;
    return value;
}

std::uint32_t NormalizePasswordAge(std::uint32_t age, std::int64_t nowSeconds)
{
    // A change time on or before 2 January 1970 means "never set" (pwdLastSet 0).
    if (nowSeconds > 0 && static_cast<std::int64_t>(age) >= nowSeconds - 86400)
        return 0;
    return age;
}

std::optional<SidParts> ParseSid(const std::string& text)
{
    if (text.size() < 4 || (text[0] != 'S' && text[0] != 's') || text[1] != '-')
        return std::nullopt;
    std::vector<std::uint64_t> numbers;
    std::size_t pos = 2;
    while (pos <= text.size()) {
        std::size_t end = text.find('-', pos);
        if (end == std::string::npos)
            end = text.size();
        if (end == pos || end - pos > 20)
            return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = pos; i < end; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(text[i])))
                return std::nullopt;
            std::uint64_t next = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
            if (next < value)
                return std::nullopt;
            value = next;
        }
        numbers.push_back(value);
        pos = end + 1;
    }
    // Revision, authority, then 1 to 15 sub-authorities.
    if (numbers.size() < 3 || numbers.size() > 17)
        return std::nullopt;
    if (numbers[0] > 0xFF || numbers[1] >= (std::uint64_t{1} << 48))
        return std::nullopt;
    SidParts sid;
    sid.revision = static_cast<std::uint8_t>(numbers[0]);
    sid.authority = numbers[1];
    for (std::size_t i = 2; i < numbers.size(); ++i) {
        if (numbers[i] > 0xFFFFFFFFu)
            return std::nullopt;
        sid.subAuthorities.push_back(static_cast<std::uint32_t>(numbers[i]));
    }
    return sid;
}

std::string FormatSid(const SidParts& sid)
{
    std::string text = "S-" + std::to_string(sid.revision) + "-" + std::to_string(sid.authority);
    for (std::uint32_t sub : sid.subAuthorities)
        text += "-" + std::to_string(sub);
    return text;
}

std::uint32_t FallbackServerType(std::uint32_t accountFlags, bool isPrimary)
{
    if (accountFlags & UF_SERVER_TRUST_ACCOUNT) {
        return SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT | SV_TYPE_SERVER_NT |
               (isPrimary ? SV_TYPE_DOMAIN_CTRL : SV_TYPE_DOMAIN_BAKCTRL);
    }
    if (accountFlags & UF_WORKSTATION_TRUST_ACCOUNT)
        return SV_TYPE_WORKSTATION | SV_TYPE_DOMAIN_MEMBER;
    return 0;
}

Status UserCallStatus(Status status)
{
    switch (status) {
    case ERROR_NONE_MAPPED:   // the name maps to nothing
    case ERROR_NO_SUCH_USER:  // the name maps to something that is not a user
        return NERR_UserNotFound;
    default:
        return status;
    }
}

Status GroupCallStatus(Status status)
{
    switch (status) {
    case ERROR_NONE_MAPPED:
    case ERROR_NO_SUCH_GROUP:     // the name is not a global group
    case ERROR_INVALID_DATATYPE:  // the name is a local group
        return NERR_GroupNotFound;
    default:
        return status;
    }
}

Status LocalGroupCallStatus(Status status)
{
    switch (status) {
    case ERROR_NONE_MAPPED:
    case ERROR_INVALID_SID:  // the name is a global group, not a local one
        return ERROR_NO_SUCH_ALIAS;
    case ERROR_MEMBER_IN_GROUP:
        return ERROR_MEMBER_IN_ALIAS;
    case ERROR_MEMBER_NOT_IN_GROUP:
        return ERROR_MEMBER_NOT_IN_ALIAS;
    case ERROR_INTERNAL_DB_CORRUPTION:  // the member's identifier names no account
        return ERROR_NO_SUCH_MEMBER;
    default:
        return status;
    }
}

std::pair<std::string, std::string> SplitAccountName(const std::string& account)
{
    std::size_t at = account.rfind('@');
    if (account.find('\\') == std::string::npos && at != std::string::npos && at > 0) {
        return {account.substr(at + 1), account.substr(0, at)};
    }
    return SplitAccount(account);
}

namespace {

// getaddrinfo cannot be interrupted, so it runs on a thread of its own; a caller that
// stops waiting leaves the thread to finish and free the answer alone.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int error = 0;
    addrinfo* result = nullptr;
    ~Lookup()
    {
        if (result)
            freeaddrinfo(result);
    }
};

std::shared_ptr<Lookup> Resolve(const std::string& host, std::uint16_t port,
                                std::chrono::steady_clock::time_point deadline)
{
    auto lookup = std::make_shared<Lookup>();
    std::string service = std::to_string(port);
    const bool started = threads::StartOwned([lookup, host, service] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* result = nullptr;
        int error = getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->error = error;
        lookup->result = result;
        lookup->finished = true;
        lookup->done.notify_all();
    });
    if (!started)
        return nullptr;
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->done.wait_until(lock, deadline, [&] { return lookup->finished; }))
        return nullptr;
    return lookup;
}

// Connects to every address at once; the first that connects wins.
Probe ConnectAny(const addrinfo* list, std::chrono::steady_clock::time_point deadline)
{
    std::vector<pollfd> fds;
    for (const addrinfo* ai = list; ai && fds.size() < 8; ai = ai->ai_next) {
        int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0)
            continue;
        if (connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) {
            close(fd);
            for (const pollfd& p : fds)
                close(p.fd);
            return Probe::Answered;
        }
        if (errno != EINPROGRESS) {
            close(fd);
            continue;
        }
        fds.push_back({fd, POLLOUT, 0});
    }
    Probe outcome = Probe::Refused;
    std::size_t open = fds.size();
    while (open > 0 && outcome != Probe::Answered) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            outcome = Probe::TimedOut;
            break;
        }
        int ready = poll(fds.data(), fds.size(), static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            outcome = ready == 0 ? Probe::TimedOut : Probe::Refused;
            break;
        }
        for (pollfd& p : fds) {
            if (p.fd < 0 || p.revents == 0)
                continue;
            int error = 0;
            socklen_t size = sizeof error;
            getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error == 0)
                outcome = Probe::Answered;
            close(p.fd);
            p.fd = -1;  // poll ignores negative descriptors
            --open;
        }
    }
    for (const pollfd& p : fds) {
        if (p.fd >= 0)
            close(p.fd);
    }
    return outcome;
}

}  // namespace

Probe ProbeTcp(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout)
{
    if (host.empty())
        return Probe::Unresolved;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::shared_ptr<Lookup> lookup = Resolve(host, port, deadline);
    if (!lookup)
        return Probe::TimedOut;
    if (lookup->error != 0 || !lookup->result)
        return Probe::Unresolved;
    return ConnectAny(lookup->result, deadline);
}

}  // namespace net::samba
