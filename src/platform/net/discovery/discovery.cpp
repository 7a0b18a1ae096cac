#include "platform/net/discovery/discovery.h"

#include "platform/net/discovery/dnssd_client.h"
#include "platform/net/discovery/wsd_client.h"
#include "platform/net/net_support.h"
#include "platform/threads/owned_threads.h"

#include <algorithm>
#include <cctype>
#include <future>
#include <memory>

namespace net {

std::vector<DiscoveredHost> MergeDiscovered(std::vector<DiscoveredHost> wsd, const std::vector<DiscoveredHost>& dnssd)
{
    std::vector<DiscoveredHost> hosts;
    const auto known = [&](const std::string& name) {
        return std::any_of(hosts.begin(), hosts.end(),
                           [&](const DiscoveredHost& h) { return SameHostName(h.name, name); });
    };
    for (DiscoveredHost& host : wsd)
        if (!known(host.name))
            hosts.push_back(std::move(host));
    for (const DiscoveredHost& host : dnssd)
        if (!known(host.name))
            hosts.push_back({host.name, kDnsSdGroup, host.address});
    return hosts;
}

// DNS-SD runs on a thread of its own while WS-Discovery runs on the caller's; both
// end within the budget, so the wait for the first is bounded too.
std::vector<DiscoveredHost> DiscoverHosts(std::chrono::milliseconds budget)
{
    auto dnssd = std::make_shared<std::promise<std::vector<DiscoveredHost>>>();
    std::future<std::vector<DiscoveredHost>> dnssdHosts = dnssd->get_future();
    if (!threads::StartOwned([dnssd, budget] { dnssd->set_value(DiscoverDnsSdHosts(budget)); }))
        dnssd->set_value({});
    std::vector<DiscoveredHost> wsd = DiscoverWsdHosts(budget);
    return MergeDiscovered(std::move(wsd), dnssdHosts.get());
}

}  // namespace net
