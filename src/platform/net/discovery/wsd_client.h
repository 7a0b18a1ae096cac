// Hosts that announce themselves over WS-Discovery: Windows computers, and Samba hosts
// running wsdd. Each is asked for its computer name and workgroup or domain.
#pragma once

#include "platform/net/discovery/discovery.h"

#include <chrono>
#include <vector>

namespace net {

// Probes the networks this computer is on for WS-Discovery devices and reads each one's
// computer name and workgroup; ends within `budget`, or as soon as the calling thread's
// stop token (threads::StopRequested(), src/platform/threads/owned_threads.h) is set.
// Blocking; needs no event loop. One entry per name, sorted by name.
std::vector<DiscoveredHost> DiscoverWsdHosts(std::chrono::milliseconds budget);

}  // namespace net
