// One browse's enumeration, as the window's worker and a report run it: the display's
// producer filling a result table of the browse's own. No window is needed.
#pragma once

#include "browse/browse_types.h"
#include "browse/result_table.h"
#include "platform/files/owner_walk.h"
#include "platform/net/netapi.h"
#include "settings/app_settings.h"

#include <stop_token>

// What the list lines alone don't tell about how the enumeration went.
struct EnumerationOutcome {
    net::Status status = net::NERR_Success;  // USERS, GROUPS: the answer to the list request
    bool rootListed = true;                  // FILES: the root folder itself could be listed
};

// Fills `table` for one browse of `kind` on settings.serverName (FILES: below
// settings.f_root_path, walked with `filesOptions`).
EnumerationOutcome RunEnumeration(WorkerKind kind, net::NetApi& api, const AppSettings& settings,
                                  const files::WalkOptions& filesOptions, ResultTable& table,
                                  const std::stop_token& stop);
