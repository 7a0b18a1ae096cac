// NetBIOS browse lists, where a master browser still answers. They are read by the
// vellox-netbios helper, in a process of its own (see netbios_helper.cpp).
#pragma once

#include "platform/net/netapi.h"

#include <string>
#include <vector>

namespace net {

// The names the master browsers list: the workgroups and domains when `workgroup` is
// empty, else the servers of `workgroup`. ERROR_NO_BROWSER_SERVERS_FOUND when no
// master browser answers in time (or the helper is missing), with `out` empty.
Status NetbiosBrowseList(const std::string& workgroup, std::vector<std::string>& out);

}  // namespace net
