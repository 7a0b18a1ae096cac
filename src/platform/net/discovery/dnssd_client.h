// DNS-SD: the hosts that offer `_smb._tcp` in the local domain, as avahi-daemon sees them.
#pragma once

#include "platform/net/discovery/discovery.h"

#include <chrono>
#include <vector>

namespace net {

// Browses `_smb._tcp` and resolves each service to its host's name (the first label of
// "macbox.local") and address, within `budget` or until the calling thread's stop
// token is set. The hosts come in the order found, each once; their group is "LOCAL".
// Without a reachable avahi-daemon the answer is empty, at once and silently.
std::vector<DiscoveredHost> DiscoverDnsSdHosts(std::chrono::milliseconds budget);

// "macbox.local" -> "macbox"; empty when the name has no usable first label.
std::string HostLabel(const std::string& hostName);

}  // namespace net
