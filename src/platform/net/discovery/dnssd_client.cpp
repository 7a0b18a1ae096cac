#include "platform/net/discovery/dnssd_client.h"

#include "platform/threads/owned_threads.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/simple-watch.h>
#include <net/if.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace net {
namespace {

constexpr char kSmbService[] = "_smb._tcp";
constexpr std::size_t kMaxHosts = 256;  // answers are untrusted: a bound on what is kept
constexpr std::size_t kMaxResolving = 64;
constexpr int kSliceMs = 100;  // how often the loop looks at Stop and the deadline

struct Browse {
    AvahiClient* client = nullptr;
    std::vector<DiscoveredHost> hosts;
    std::size_t resolving = 0;
    std::size_t started = 0;
    bool allForNow = false;
    bool failed = false;
};

DiscoveredHost* Find(std::vector<DiscoveredHost>& hosts, const std::string& name)
{
    const auto found =
        std::find_if(hosts.begin(), hosts.end(), [&](const DiscoveredHost& h) { return SameHostName(h.name, name); });
    return found == hosts.end() ? nullptr : &*found;
}

// An IPv4 address as text; an IPv6 one with the interface it is reached through, since
// mDNS hosts give link-local addresses.
std::string AddressText(const AvahiAddress& address, AvahiIfIndex interface)
{
    char text[AVAHI_ADDRESS_STR_MAX] = {};
    avahi_address_snprint(text, sizeof text, &address);
    std::string result = text;
    char name[IF_NAMESIZE] = {};
    if (address.proto == AVAHI_PROTO_INET6 && result.rfind("fe80:", 0) == 0 && interface > 0 &&
        ::if_indextoname(static_cast<unsigned>(interface), name))
        result += std::string("%") + name;
    return result;
}

// A service seen over IPv4 and IPv6 is resolved once for each; the host keeps its IPv4
// address when it has one.
void OnResolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol, AvahiResolverEvent event,
                const char*, const char*, const char*, const char* hostName, const AvahiAddress* address, uint16_t,
                AvahiStringList*, AvahiLookupResultFlags flags, void* data)
{
    auto& browse = *static_cast<Browse*>(data);
    --browse.resolving;
    // Services this computer publishes itself are not a neighbour.
    const bool local = (flags & AVAHI_LOOKUP_RESULT_LOCAL) != 0;
    const std::string name = hostName ? HostLabel(hostName) : std::string();
    if (event == AVAHI_RESOLVER_FOUND && !local && address && !name.empty()) {
        DiscoveredHost* known = Find(browse.hosts, name);
        if (!known && browse.hosts.size() < kMaxHosts)
            browse.hosts.push_back({name, kDnsSdGroup, AddressText(*address, interface)});
        else if (known && address->proto == AVAHI_PROTO_INET && known->address.find(':') != std::string::npos)
            known->address = AddressText(*address, interface);
    }
    avahi_service_resolver_free(resolver);
}

void OnBrowsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol, AvahiBrowserEvent event,
               const char* name, const char* type, const char* domain, AvahiLookupResultFlags, void* data)
{
    auto& browse = *static_cast<Browse*>(data);
    switch (event) {
    case AVAHI_BROWSER_NEW:
        if (browse.resolving >= kMaxResolving || browse.started >= 2 * kMaxHosts)
            return;
        // The address of the protocol the service was seen on: asking for an IPv4 one
        // over IPv6 is never answered.
        if (avahi_service_resolver_new(browse.client, interface, protocol, name, type, domain, protocol,
                                       AvahiLookupFlags(0), &OnResolved, &browse)) {
            ++browse.resolving;
            ++browse.started;
        }
        return;
    case AVAHI_BROWSER_ALL_FOR_NOW:
        browse.allForNow = true;
        return;
    case AVAHI_BROWSER_FAILURE:
        browse.failed = true;
        return;
    default:
        return;
    }
}

struct PollDeleter {
    void operator()(AvahiSimplePoll* poll) const { avahi_simple_poll_free(poll); }
};
struct ClientDeleter {
    void operator()(AvahiClient* client) const { avahi_client_free(client); }
};

}  // namespace

std::string HostLabel(const std::string& hostName)
{
    std::string label = hostName.substr(0, hostName.find('.'));
    const bool usable = !label.empty() && label.size() <= 63 && std::all_of(label.begin(), label.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return std::isalnum(u) || c == '-' || c == '_' || u >= 0x80;
    });
    return usable ? label : std::string();
}

std::vector<DiscoveredHost> DiscoverDnsSdHosts(std::chrono::milliseconds budget)
{
    const auto deadline = std::chrono::steady_clock::now() + budget;
    std::unique_ptr<AvahiSimplePoll, PollDeleter> poll(avahi_simple_poll_new());
    if (!poll)
        return {};
    Browse browse;
    int error = 0;
    // Without the daemon (or the bus) the client can't be made: this source is absent.
    std::unique_ptr<AvahiClient, ClientDeleter> client(
        avahi_client_new(avahi_simple_poll_get(poll.get()), AvahiClientFlags(0), nullptr, nullptr, &error));
    if (!client)
        return {};
    browse.client = client.get();
    if (!avahi_service_browser_new(client.get(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, kSmbService, nullptr,
                                   AvahiLookupFlags(0), &OnBrowsed, &browse))
        return {};
    // The daemon answers from its cache, then says "all for now"; the resolutions it
    // started by then are waited for too, all within the budget.
    while (!browse.failed && !(browse.allForNow && browse.resolving == 0) && !threads::StopRequested() &&
           std::chrono::steady_clock::now() < deadline) {
        if (avahi_simple_poll_iterate(poll.get(), kSliceMs) != 0)
            break;
    }
    return std::move(browse.hosts);
}

}  // namespace net
