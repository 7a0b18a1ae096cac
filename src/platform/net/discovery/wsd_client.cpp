#include "platform/net/discovery/wsd_client.h"

#include "platform/net/discovery/wsd_messages.h"
#include "platform/threads/owned_threads.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace net {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint16_t kWsdPort = 3702;
constexpr char kGroupV4[] = "239.255.255.250";
constexpr char kGroupV6[] = "ff02::c";
constexpr auto kSlice = 100ms;          // the longest wait between looks at the stop token
constexpr auto kRepeat = 250ms;         // multicast requests go out twice, this far apart
constexpr auto kMatchWindow = 1500ms;   // how long answers to the probes are awaited
constexpr auto kResolveLimit = 1000ms;  // and answers to a resolve
constexpr auto kHostLimit = 2000ms;     // reading one host's metadata
constexpr std::size_t kParallelGets = 16;
constexpr std::size_t kDatagramsPerTurn = 64;

class Socket {
public:
    explicit Socket(int fd = -1) : m_fd(fd) { }
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(Socket&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) { }
    Socket& operator=(Socket&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

std::optional<SocketAddress> MakeAddress(const QHostAddress& address, std::uint16_t port, unsigned scope)
{
    SocketAddress out;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in = reinterpret_cast<sockaddr_in*>(&out.storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
        out.length = sizeof(sockaddr_in);
    } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&out.storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, bytes.c, sizeof bytes.c);
        in6->sin6_scope_id = address.isLinkLocal() ? scope : 0;
        out.length = sizeof(sockaddr_in6);
    } else {
        return std::nullopt;
    }
    return out;
}

// One multicast socket: one interface, one address family, bound to the interface's
// address so that answers come back to it.
struct Channel {
    Socket socket;
    int family = AF_INET;
    unsigned index = 0;
    QString interface;
    SocketAddress group;
};

std::optional<Channel> OpenChannel(const QNetworkInterface& interface, const QHostAddress& local)
{
    Channel channel;
    channel.family = local.protocol() == QAbstractSocket::IPv6Protocol ? AF_INET6 : AF_INET;
    channel.index = static_cast<unsigned>(interface.index());
    channel.interface = interface.name();
    channel.socket = Socket(::socket(channel.family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int fd = channel.socket.fd();
    const std::optional<SocketAddress> bindTo = MakeAddress(local, 0, channel.index);
    const std::optional<SocketAddress> group = MakeAddress(
        QHostAddress(QLatin1String(channel.family == AF_INET6 ? kGroupV6 : kGroupV4)), kWsdPort, channel.index);
    if (fd < 0 || !bindTo || !group)
        return std::nullopt;
    channel.group = *group;
    const int hops = 1;
    bool ok = false;
    if (channel.family == AF_INET6) {
        const int on = 1;
        const int index = static_cast<int>(channel.index);
        ok = ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on) == 0 &&
             ::setsockopt(fd, IPPROTO_IPV6, IPV6_MULTICAST_IF, &index, sizeof index) == 0 &&
             ::setsockopt(fd, IPPROTO_IPV6, IPV6_MULTICAST_HOPS, &hops, sizeof hops) == 0;
    } else {
        ip_mreqn request{};
        request.imr_ifindex = static_cast<int>(channel.index);
        request.imr_address.s_addr = htonl(local.toIPv4Address());
        ok = ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &request, sizeof request) == 0 &&
             ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops) == 0;
    }
    if (!ok || ::bind(fd, bindTo->get(), bindTo->length) != 0)
        return std::nullopt;
    return channel;
}

// A socket per address family on each interface that is up, can multicast and is not
// the loopback: its first IPv4 address, and its first IPv6 link-local one.
std::vector<Channel> OpenChannels()
{
    std::vector<Channel> channels;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const QNetworkInterface::InterfaceFlags flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            !flags.testFlag(QNetworkInterface::CanMulticast) || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        std::optional<QHostAddress> ipv4;
        std::optional<QHostAddress> ipv6;
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ipv4)
                ipv4 = ip;
            else if (ip.protocol() == QAbstractSocket::IPv6Protocol && ip.isLinkLocal() && !ipv6)
                ipv6 = ip;
        }
        for (const std::optional<QHostAddress>& local : {ipv4, ipv6})
            if (local)
                if (std::optional<Channel> channel = OpenChannel(interface, *local))
                    channels.push_back(std::move(*channel));
    }
    return channels;
}

struct Send {
    std::size_t channel;
    std::string bytes;
    Clock::time_point at;
};

struct Resolving {
    std::string endpoint;
    Clock::time_point limit;
};

struct GetJob {
    WsdHttpTarget target;
    unsigned scope;       // interface index for a link-local target
    std::string address;  // the target as the host's address, with its interface when link-local
    std::string endpoint;
};

// One host's metadata over HTTP.
struct Fetch {
    Socket socket;
    std::string request;
    std::size_t sent = 0;
    bool connected = false;
    HttpResponseReader reader;
    Clock::time_point limit;
    std::string address;
};

class Discovery {
public:
    Discovery(Clock::time_point start, Clock::time_point deadline)
        : m_start(start), m_deadline(deadline), m_self(NewWsdMessageId())
    {
    }

    std::vector<DiscoveredHost> Run();

private:
    void SendDue(Clock::time_point now);
    void ReadDatagrams(std::size_t channel);
    void TakeMatch(std::size_t channel, const QHostAddress& from, WsdMatchKind kind, const WsdMatch& match);
    void StartFetches(Clock::time_point now);
    // False when the fetch has ended, one way or the other.
    bool Service(Fetch& fetch, short revents);
    void Finish(Fetch& fetch);
    bool Idle(Clock::time_point now) const;

    Clock::time_point m_start;
    Clock::time_point m_deadline;
    std::string m_self;
    std::vector<Channel> m_channels;
    std::vector<Send> m_sends;
    std::set<std::string> m_probes;
    std::map<std::string, Resolving> m_resolves;
    std::set<std::pair<int, std::string>> m_seen;  // address family and endpoint
    std::deque<GetJob> m_jobs;
    std::vector<Fetch> m_fetches;
    std::vector<DiscoveredHost> m_hosts;
};

void Discovery::SendDue(Clock::time_point now)
{
    for (auto it = m_sends.begin(); it != m_sends.end();) {
        if (it->at > now) {
            ++it;
            continue;
        }
        const Channel& channel = m_channels[it->channel];
        // A datagram that can't go out now is one lost on the way; the repeat may pass.
        ::sendto(channel.socket.fd(), it->bytes.data(), it->bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                 channel.group.get(), channel.group.length);
        it = m_sends.erase(it);
    }
}

void Discovery::ReadDatagrams(std::size_t channel)
{
    std::string buffer(kWsdMaxDatagram + 1, '\0');
    for (std::size_t i = 0; i < kDatagramsPerTurn; ++i) {
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(m_channels[channel].socket.fd(), buffer.data(), buffer.size(), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0)
            return;
        if (static_cast<std::size_t>(n) > kWsdMaxDatagram)
            continue;
        const std::optional<WsdMatches> answer =
            ReadWsdMatches(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        if (!answer)
            continue;
        const std::string& relatesTo = answer->header.relatesTo;
        const QHostAddress sender(reinterpret_cast<const sockaddr*>(&from));
        if (answer->kind == WsdMatchKind::Probe && m_probes.count(relatesTo)) {
            for (const WsdMatch& match : answer->matches)
                TakeMatch(channel, sender, WsdMatchKind::Probe, match);
        } else if (answer->kind == WsdMatchKind::Resolve) {
            const auto resolving = m_resolves.find(relatesTo);
            if (resolving == m_resolves.end())
                continue;
            for (const WsdMatch& match : answer->matches) {
                if (match.endpoint == resolving->second.endpoint) {
                    m_resolves.erase(resolving);
                    TakeMatch(channel, sender, WsdMatchKind::Resolve, match);
                    break;
                }
            }
        }
    }
}

// A device the first time it answers on a family: resolved when it gave no XAddrs,
// else queued for its metadata.
void Discovery::TakeMatch(std::size_t channel, const QHostAddress& from, WsdMatchKind kind, const WsdMatch& match)
{
    const Channel& on = m_channels[channel];
    if (kind == WsdMatchKind::Probe) {
        if (!IsWsdComputer(match) || m_seen.size() >= kWsdMaxMatches ||
            !m_seen.emplace(on.family, match.endpoint).second)
            return;
        if (match.xaddrs.empty()) {
            const std::string id = NewWsdMessageId();
            const std::string resolve = BuildWsdResolve(id, match.endpoint);
            const Clock::time_point now = Clock::now();
            m_resolves[id] = Resolving{match.endpoint, now + kResolveLimit};
            m_sends.push_back({channel, resolve, now});
            m_sends.push_back({channel, resolve, now + kRepeat});
            return;
        }
    }
    QHostAddress sender = from;
    sender.setScopeId({});
    const std::optional<WsdHttpTarget> target = ChooseWsdXAddr(match.xaddrs, sender.toString().toStdString());
    if (!target)
        return;
    QHostAddress address(QString::fromStdString(target->host));
    if (address.isLinkLocal())
        address.setScopeId(on.interface);
    m_jobs.push_back({*target, on.index, address.toString().toStdString(), match.endpoint});
}

void Discovery::StartFetches(Clock::time_point now)
{
    while (!m_jobs.empty() && m_fetches.size() < kParallelGets) {
        const GetJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        const std::optional<SocketAddress> to =
            MakeAddress(QHostAddress(QString::fromStdString(job.target.host)), job.target.port, job.scope);
        if (!to)
            continue;
        Fetch fetch;
        fetch.socket = Socket(::socket(to->storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (fetch.socket.fd() < 0)
            continue;
        if (::connect(fetch.socket.fd(), to->get(), to->length) != 0 && errno != EINPROGRESS)
            continue;
        fetch.request = BuildWsdHttpPost(job.target, BuildWsdGet(NewWsdMessageId(), job.endpoint, m_self));
        fetch.limit = std::min(now + kHostLimit, m_deadline);
        fetch.address = job.address;
        m_fetches.push_back(std::move(fetch));
    }
}

bool Discovery::Service(Fetch& fetch, short revents)
{
    if (!fetch.connected) {
        if (!(revents & (POLLOUT | POLLERR | POLLHUP)))
            return true;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fetch.socket.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return false;
        fetch.connected = true;
    }
    if (fetch.sent < fetch.request.size()) {
        const ssize_t n = ::send(fetch.socket.fd(), fetch.request.data() + fetch.sent,
                                 fetch.request.size() - fetch.sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        if (n > 0)
            fetch.sent += static_cast<std::size_t>(n);
    }
    if (!(revents & (POLLIN | POLLHUP | POLLERR)))
        return true;
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::recv(fetch.socket.fd(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        const HttpResponseReader::Result result =
            n == 0 ? fetch.reader.Finish() : fetch.reader.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (result == HttpResponseReader::Result::Failed)
            return false;
        if (result == HttpResponseReader::Result::Done) {
            Finish(fetch);
            return false;
        }
    }
}

void Discovery::Finish(Fetch& fetch)
{
    if (fetch.reader.status() != 200)
        return;
    const std::optional<std::string> computer = ReadWsdComputer(fetch.reader.body());
    if (!computer)
        return;
    std::optional<DiscoveredHost> host = ParseWsdComputer(*computer);
    if (!host)
        return;
    host->address = fetch.address;
    m_hosts.push_back(std::move(*host));
}

// Nothing left to wait for: the probes have had their time, no resolve is unanswered
// and every host has been read.
bool Discovery::Idle(Clock::time_point now) const
{
    return now >= m_start + kMatchWindow && m_resolves.empty() && m_jobs.empty() && m_fetches.empty();
}

std::vector<DiscoveredHost> Discovery::Run()
{
    m_channels = OpenChannels();
    if (m_channels.empty())
        return {};
    for (std::size_t i = 0; i < m_channels.size(); ++i) {
        const std::string id = NewWsdMessageId();
        const std::string probe = BuildWsdProbe(id);
        m_probes.insert(id);
        m_sends.push_back({i, probe, m_start});
        m_sends.push_back({i, probe, m_start + kRepeat});
    }
    std::vector<pollfd> polls;
    for (;;) {
        Clock::time_point now = Clock::now();
        if (threads::StopRequested() || now >= m_deadline)
            break;
        SendDue(now);
        std::erase_if(m_resolves, [now](const auto& entry) { return entry.second.limit <= now; });
        std::erase_if(m_fetches, [now](const Fetch& fetch) { return fetch.limit <= now; });
        StartFetches(now);
        if (Idle(now))
            break;

        Clock::time_point wake = std::min(now + kSlice, m_deadline);
        for (const Send& send : m_sends)
            wake = std::min(wake, send.at);
        for (const Fetch& fetch : m_fetches)
            wake = std::min(wake, fetch.limit);
        if (m_resolves.empty() && m_jobs.empty() && m_fetches.empty())
            wake = std::min(wake, std::max(now, m_start + kMatchWindow));
        polls.clear();
        for (const Channel& channel : m_channels)
            polls.push_back({channel.socket.fd(), POLLIN, 0});
        for (const Fetch& fetch : m_fetches) {
            const bool writing = !fetch.connected || fetch.sent < fetch.request.size();
            polls.push_back({fetch.socket.fd(), static_cast<short>(writing ? POLLOUT | POLLIN : POLLIN), 0});
        }
        const auto timeout = std::chrono::ceil<std::chrono::milliseconds>(wake - now);
        if (::poll(polls.data(), polls.size(), static_cast<int>(std::max(timeout.count(), 0L))) < 0 && errno != EINTR)
            break;

        for (std::size_t i = 0; i < m_channels.size(); ++i)
            if (polls[i].revents & POLLIN)
                ReadDatagrams(i);
        std::vector<Fetch> running;
        for (std::size_t i = 0; i < m_fetches.size(); ++i)
            if (Service(m_fetches[i], polls[m_channels.size() + i].revents))
                running.push_back(std::move(m_fetches[i]));
        m_fetches = std::move(running);
    }
    return MergeWsdHosts(m_hosts);
}

}  // namespace

std::vector<DiscoveredHost> DiscoverWsdHosts(std::chrono::milliseconds budget)
{
    const Clock::time_point start = Clock::now();
    if (budget <= 0ms || threads::StopRequested())
        return {};
    Discovery discovery(start, start + budget);
    return discovery.Run();
}

}  // namespace net
