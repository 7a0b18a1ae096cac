// SERVERS: the servers the local browser service knows in its domain, one row per
// server with one X/- column per role the settings switch on.
#pragma once

#include "browse/list_step.h"
#include "platform/net/netapi.h"
#include "settings/app_settings.h"

#include <cstdint>
#include <string>

// The whole SERVERS list: header, separator, rows (or "Could not locate any servers."
// under an empty header), separator; tab stops 90 to 815 every 25; entryCount = rows.
// When the server knew more entries than it returned, messageId asks the caller to show
// "There is more data than buffer space.".
ListContent ServersList(net::NetApi& api, const AppSettings& settings);

// "Name\t" followed by the label of every role column that is on.
std::string ServersHeader(const AppSettings& settings);
// The row of one server: its name and a TAB, then "X\t" or "-\t" per column that is on.
std::string ServerRow(const net::SERVER_INFO_101& server, const AppSettings& settings);
