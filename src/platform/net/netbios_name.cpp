#include "platform/net/netbios_name.h"

#include "platform/net/net_support.h"
#include "platform/net/run_command.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <sstream>

namespace net {
namespace {

constexpr std::uint16_t kNameServicePort = 137;
constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kNetbiosNameLength = 16;
constexpr std::size_t kStatusEntrySize = 18;  // name (16), flags (2)
constexpr std::uint16_t kTypeNb = 0x0020;
constexpr std::uint16_t kTypeNbstat = 0x0021;
constexpr std::uint16_t kClassIn = 0x0001;
constexpr std::uint16_t kFlagResponse = 0x8000;
constexpr std::uint16_t kFlagRecursion = 0x0100;
constexpr std::uint16_t kFlagBroadcast = 0x0010;
constexpr std::uint16_t kOpcodeMask = 0x7800;
constexpr std::uint16_t kRcodeMask = 0x000F;
constexpr std::uint16_t kNameFlagGroup = 0x8000;

std::uint16_t Read16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

// Skips an encoded name (labels, or a compression pointer) at `pos`; false when it
// runs past the end.
bool SkipName(const std::uint8_t* data, std::size_t size, std::size_t& pos)
{
    while (pos < size) {
        const std::uint8_t length = data[pos];
        if (length == 0) {
            ++pos;
            return true;
        }
        if ((length & 0xC0) == 0xC0) {
            pos += 2;
            return pos <= size;
        }
        pos += 1 + length;
    }
    return false;
}

// The question of a query: `padded` (16 bytes, suffix last) in the half-byte encoding.
std::vector<std::uint8_t> Question(const std::string& padded, std::uint16_t id, std::uint16_t flags, std::uint16_t type)
{
    std::vector<std::uint8_t> out;
    Put16(out, id);
    Put16(out, flags);
    Put16(out, 1);  // one question
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    out.push_back(2 * kNetbiosNameLength);
    for (unsigned char c : padded) {
        out.push_back(static_cast<std::uint8_t>('A' + (c >> 4)));
        out.push_back(static_cast<std::uint8_t>('A' + (c & 0x0F)));
    }
    out.push_back(0);  // no scope
    Put16(out, type);
    Put16(out, kClassIn);
    return out;
}

// The data of the first record of type `type` in a positive answer to transaction `id`:
// its offset and length; false for anything else.
bool AnswerData(const std::uint8_t* data, std::size_t size, std::uint16_t id, std::uint16_t type, std::size_t& pos,
                std::uint16_t& length)
{
    if (!data || size < kHeaderSize || Read16(data) != id)
        return false;
    const std::uint16_t flags = Read16(data + 2);
    if (!(flags & kFlagResponse) || (flags & kOpcodeMask) != 0 || (flags & kRcodeMask) != 0 || Read16(data + 6) == 0)
        return false;
    pos = kHeaderSize;
    for (std::uint16_t q = Read16(data + 4); q > 0; --q) {  // questions, if echoed
        if (!SkipName(data, size, pos))
            return false;
        pos += 4;
    }
    if (!SkipName(data, size, pos) || pos + 10 > size || Read16(data + pos) != type)
        return false;
    length = Read16(data + pos + 8);
    pos += 10;
    return pos + length <= size;
}

std::uint16_t NewId()
{
    std::random_device random;
    return static_cast<std::uint16_t>(random());
}

// A single run of `testparm` for one parameter of the local configuration.
std::string SambaParameter(const std::string& name)
{
    const auto result = RunCommand({"testparm", "-s", "--parameter-name=" + name});
    return result && result->exitStatus == 0 ? Trim(result->output) : std::string();
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    std::istringstream in(text);
    while (in >> word) {
        word.erase(std::remove(word.begin(), word.end(), ','), word.end());
        if (!word.empty())
            words.push_back(LowerAscii(word));
    }
    return words;
}

// The broadcast address of every IPv4 interface that is up, loopback excepted: the
// address with every host bit set, as Samba's libraries derive it (an address added
// without "brd" has none of its own).
std::vector<in_addr> BroadcastAddresses()
{
    std::vector<in_addr> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (const ifaddrs* ifa = list; ifa; ifa = ifa->ifa_next) {
        const unsigned flags = ifa->ifa_flags;
        if (!ifa->ifa_addr || ifa->ifa_addr->sa_family != AF_INET || !ifa->ifa_netmask || !(flags & IFF_UP) ||
            (flags & IFF_LOOPBACK))
            continue;
        const in_addr_t address = reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr)->sin_addr.s_addr;
        const in_addr_t mask = reinterpret_cast<const sockaddr_in*>(ifa->ifa_netmask)->sin_addr.s_addr;
        if (mask == 0xFFFFFFFFu)
            continue;  // a point-to-point address reaches no subnet
        in_addr broadcast{};
        broadcast.s_addr = address | ~mask;
        out.push_back(broadcast);
    }
    freeifaddrs(list);
    return out;
}

using ParseAnswer = std::vector<std::string> (*)(const std::uint8_t*, std::size_t, std::uint16_t);

// Sends `query` (transaction `id`) to each target and waits for the first answer that
// `parse` finds something in.
std::vector<std::string> Ask(const std::vector<std::uint8_t>& query, std::uint16_t id, ParseAnswer parse,
                             const std::vector<in_addr>& targets, bool broadcast,
                             std::chrono::steady_clock::time_point deadline)
{
    if (targets.empty() || query.empty())
        return {};
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    const int on = 1;
    if (broadcast)
        setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    for (const in_addr& target : targets) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kNameServicePort);
        to.sin_addr = target;
        sendto(fd, query.data(), query.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    std::vector<std::string> found;
    while (found.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            continue;  // timed out (the loop ends) or interrupted
        std::uint8_t answer[576];
        const ssize_t got = recv(fd, answer, sizeof answer, 0);
        if (got > 0)
            found = parse(answer, static_cast<std::size_t>(got), id);
    }
    close(fd);
    return found;
}

std::vector<in_addr> Addresses(const std::vector<std::string>& texts)
{
    std::vector<in_addr> out;
    for (const std::string& text : texts) {
        in_addr address{};
        if (inet_pton(AF_INET, text.c_str(), &address) == 1)
            out.push_back(address);
    }
    return out;
}

// The addresses DNS and the hosts file give for `host`, as socket addresses for `port`.
std::vector<sockaddr_storage> SystemAddresses(const std::string& host, std::uint16_t port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    std::vector<sockaddr_storage> out;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0)
        return out;
    for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
        sockaddr_storage address{};
        std::memcpy(&address, ai->ai_addr, std::min<std::size_t>(ai->ai_addrlen, sizeof address));
        out.push_back(address);
    }
    freeaddrinfo(list);
    return out;
}

// Connects to any of the addresses before the deadline.
bool ConnectsToAny(const std::vector<sockaddr_storage>& addresses, std::chrono::steady_clock::time_point deadline)
{
    for (const sockaddr_storage& address : addresses) {
        const socklen_t size = address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        const int fd = socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0;
        if (!connected && errno == EINPROGRESS) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd ready{fd, POLLOUT, 0};
            int error = 0;
            socklen_t length = sizeof error;
            connected = left.count() > 0 && poll(&ready, 1, static_cast<int>(left.count())) == 1 &&
                        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
        close(fd);
        if (connected)
            return true;
    }
    return false;
}

}  // namespace

NetbiosResolveOrder NetbiosOrderFromSambaConfig()
{
    NetbiosResolveOrder order;
    if (LowerAscii(SambaParameter("disable netbios")) == "yes") {
        order.wins = order.broadcast = false;
        return order;
    }
    const std::vector<std::string> methods = Words(SambaParameter("name resolve order"));
    if (!methods.empty()) {
        order.wins = std::find(methods.begin(), methods.end(), "wins") != methods.end();
        order.broadcast = std::find(methods.begin(), methods.end(), "bcast") != methods.end();
    }
    if (order.wins)
        order.winsServers = Words(SambaParameter("wins server"));
    return order;
}

std::vector<std::uint8_t> NetbiosNameQuery(const std::string& name, std::uint16_t id, bool broadcast,
                                           std::uint8_t suffix)
{
    if (name.empty() || name.size() >= kNetbiosNameLength || name.find('.') != std::string::npos)
        return {};
    std::string padded = UpperAscii(name);
    padded.resize(kNetbiosNameLength - 1, ' ');
    padded += static_cast<char>(suffix);
    return Question(padded, id, static_cast<std::uint16_t>(kFlagRecursion | (broadcast ? kFlagBroadcast : 0)), kTypeNb);
}

std::vector<std::uint8_t> NetbiosStatusQuery(std::uint16_t id)
{
    std::string wildcard(kNetbiosNameLength, '\0');
    wildcard[0] = '*';
    return Question(wildcard, id, 0, kTypeNbstat);
}

std::string NetbiosStatusServerName(const std::uint8_t* data, std::size_t size, std::uint16_t id)
{
    std::size_t pos = 0;
    std::uint16_t length = 0;
    if (!AnswerData(data, size, id, kTypeNbstat, pos, length) || length == 0)
        return {};
    const std::size_t end = pos + length;
    const std::size_t count = data[pos++];
    for (std::size_t i = 0; i < count && pos + kStatusEntrySize <= end; ++i, pos += kStatusEntrySize) {
        const std::uint8_t* entry = data + pos;
        if (entry[kNetbiosNameLength - 1] != kNetbiosServerSuffix ||
            (Read16(entry + kNetbiosNameLength) & kNameFlagGroup))
            continue;
        std::string name(reinterpret_cast<const char*>(entry), kNetbiosNameLength - 1);
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty() && name.find('\0') == std::string::npos)
            return name;
    }
    return {};
}

std::vector<std::string> NetbiosQueryAnswer(const std::uint8_t* data, std::size_t size, std::uint16_t id)
{
    std::size_t pos = 0;
    std::uint16_t length = 0;
    if (!AnswerData(data, size, id, kTypeNb, pos, length))
        return {};
    std::vector<std::string> found;
    for (std::size_t entry = pos; entry + 6 <= pos + length; entry += 6) {
        char text[INET_ADDRSTRLEN];
        if (inet_ntop(AF_INET, data + entry + 2, text, sizeof text))
            found.emplace_back(text);
    }
    return found;
}

namespace {

// The addresses of `name`<`suffix`> by WINS, then broadcast, as `order` allows.
std::vector<std::string> Resolve(const std::string& name, std::uint8_t suffix, const NetbiosResolveOrder& order,
                                 std::chrono::milliseconds timeout)
{
    if (NetbiosNameQuery(name, 0, false, suffix).empty())
        return {};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<std::string> found;
    if (order.wins && !order.winsServers.empty()) {
        // The WINS servers get half the time, so that a silent one leaves room for a broadcast.
        const auto half = std::chrono::steady_clock::now() + timeout / 2;
        const std::uint16_t id = NewId();
        found = Ask(NetbiosNameQuery(name, id, false, suffix), id, NetbiosQueryAnswer, Addresses(order.winsServers),
                    false, order.broadcast ? half : deadline);
    }
    if (found.empty() && order.broadcast) {
        const std::uint16_t id = NewId();
        found =
            Ask(NetbiosNameQuery(name, id, true, suffix), id, NetbiosQueryAnswer, BroadcastAddresses(), true, deadline);
    }
    return found;
}

std::vector<std::string> StatusServerName(const std::uint8_t* data, std::size_t size, std::uint16_t id)
{
    std::string name = NetbiosStatusServerName(data, size, id);
    return name.empty() ? std::vector<std::string>{} : std::vector<std::string>{name};
}

}  // namespace

std::vector<std::string> ResolveNetbiosName(const std::string& name, const NetbiosResolveOrder& order,
                                            std::chrono::milliseconds timeout)
{
    return Resolve(name, kNetbiosServerSuffix, order, timeout);
}

std::string NetbiosDomainMaster(const std::string& domain, const NetbiosResolveOrder& order,
                                std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::vector<std::string> found = Resolve(domain, kNetbiosDomainMasterSuffix, order, timeout * 2 / 3);
    if (found.empty())
        return {};
    const std::uint16_t id = NewId();
    const std::vector<std::string> name =
        Ask(NetbiosStatusQuery(id), id, StatusServerName, Addresses({found.front()}), false, deadline);
    return name.empty() ? std::string() : name.front();
}

ServerReach ReachServer(const std::string& host, std::uint16_t port, const NetbiosResolveOrder& order,
                        std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<sockaddr_storage> addresses = SystemAddresses(host, port);
    if (addresses.empty()) {
        for (const std::string& text : ResolveNetbiosName(host, order, timeout / 2)) {
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(port);
            if (inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1)
                continue;
            sockaddr_storage stored{};
            std::memcpy(&stored, &address, sizeof address);
            addresses.push_back(stored);
        }
    }
    if (addresses.empty())
        return ServerReach::NotFound;
    return ConnectsToAny(addresses, deadline) ? ServerReach::Answers : ServerReach::Silent;
}

}  // namespace net
