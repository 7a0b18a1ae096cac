// Hosts that announce themselves on the local network: over WS-Discovery (Windows, and
// Samba hosts running wsdd) and over DNS-SD (`_smb._tcp`, through avahi-daemon).
#pragma once

#include "platform/net/discovered_host.h"

#include <chrono>
#include <string>
#include <vector>

namespace net {

// How long a NETWORK browse gives the two sources, side by side.
inline constexpr std::chrono::milliseconds kDiscoveryBudget{3000};

// One list of what both sources found, each host once: WS-Discovery's hosts with the
// group they announce, then the hosts only DNS-SD found (under "LOCAL").
std::vector<DiscoveredHost> MergeDiscovered(std::vector<DiscoveredHost> wsd, const std::vector<DiscoveredHost>& dnssd);

// Asks both sources at once and merges their answers; within `budget`, or sooner when
// the calling thread's stop token is set.
std::vector<DiscoveredHost> DiscoverHosts(std::chrono::milliseconds budget);

}  // namespace net
