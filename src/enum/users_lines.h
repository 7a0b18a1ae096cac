// USERS: one list line per normal account of the current server.
#pragma once

#include "browse/browse_types.h"
#include "platform/net/netapi.h"
#include "settings/app_settings.h"

#include <cstdint>
#include <string>
#include <vector>

// Replaces userLines with one line per normal account of settings.serverName, then the
// "END_OF_DATA" line; a failed or empty enumeration gives "Could not enumerate
// domain." instead. entryCount becomes the number of lines before "END_OF_DATA"
// when accounts were listed (0 after a failure). A stop request
// ends the lines early (the browse's result is dropped anyway). `status`, when given,
// receives the answer to the list request.
void UsersLines(net::NetApi& api, const AppSettings& settings, std::vector<std::string>& userLines, int& entryCount,
                const StopToken& stop, net::Status* status = nullptr);

// The line of one account: name, then a TAB and a field per USERS setting that is on,
// then a TAB and the flag word.
std::string UserLine(const net::USER_INFO_3& user, const AppSettings& settings);

// The Last Logon field: local time as "Wed Jan 02 02:03:55 1980 " (the line end of the
// classic 24-character form shown as a blank), or the Never text for 0.
std::string LastLogonText(std::uint32_t lastLogon);
