// A host that announces itself on the local network, as the back ends hand it on: what
// the discovery sources find and the network router lists.
#pragma once

#include <string>

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

// Host and group names compare without case.
bool SameHostName(const std::string& a, const std::string& b);

}  // namespace net
