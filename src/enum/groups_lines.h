// GROUPS: one line per global group of the current server, optionally followed by one
// indented line per member.
#pragma once

#include "browse/browse_types.h"
#include "platform/net/netapi.h"
#include "settings/app_settings.h"

#include <string>
#include <vector>

// Replaces groupLines with the group lines of settings.serverName, then "END_OF_DATA";
// a failed or empty enumeration gives "Could not enumerate domain." instead. A group
// line is the name and a TAB (g_groupname) followed by the comment and a TAB
// (g_comments); with g_show_members each member follows as TAB + name. A group whose
// member query fails gets no member lines. `answer`, when given, receives the answer to
// the request for the groups.
void GroupsLines(net::NetApi& api, const AppSettings& settings, std::vector<std::string>& groupLines,
                 const StopToken& stop, net::Status* answer = nullptr);
