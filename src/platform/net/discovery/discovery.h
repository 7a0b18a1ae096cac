// Hosts that announce themselves on the local network: over WS-Discovery (Windows, and
// Samba hosts running wsdd) and over DNS-SD (`_smb._tcp`, through avahi-daemon).
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace net {

struct DiscoveredHost {
    std::string name;     // the host's name as announced, "FS01" (no leading "\\")
    std::string group;    // its domain or workgroup; "WORKGROUP" when it names none,
                          // "LOCAL" when only DNS-SD found it
    std::string address;  // an address it answered from or announced, for reaching it
};

// The group of a host that announces no workgroup, and of a host only DNS-SD found.
inline constexpr char kDefaultWorkgroup[] = "WORKGROUP";
inline constexpr char kDnsSdGroup[] = "LOCAL";

// How long a NETWORK browse gives the two sources, side by side.
inline constexpr std::chrono::milliseconds kDiscoveryBudget{3000};

// Host and group names compare without case.
bool SameHostName(const std::string& a, const std::string& b);

// One list of what both sources found, each host once: WS-Discovery's hosts with the
// group they announce, then the hosts only DNS-SD found (under "LOCAL").
std::vector<DiscoveredHost> MergeDiscovered(std::vector<DiscoveredHost> wsd, const std::vector<DiscoveredHost>& dnssd);

// Asks both sources at once and merges their answers; within `budget`, or sooner when
// the calling thread's stop token is set.
std::vector<DiscoveredHost> DiscoverHosts(std::chrono::milliseconds budget);

}  // namespace net
