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

}  // namespace net
