#include "app/browse_run.h"

#include "enum/files_owners.h"
#include "enum/groups_lines.h"
#include "enum/network_walk.h"
#include "enum/users_lines.h"

#include <memory>

EnumerationOutcome RunEnumeration(WorkerKind kind, net::NetApi& api, const AppSettings& settings,
                                  const files::WalkOptions& filesOptions, ResultTable& table,
                                  const std::stop_token& stop)
{
    EnumerationOutcome outcome;
    switch (kind) {
    case WorkerKind::USERS: {
        int entryCount = 0;
        UsersLines(api, settings, table.userLines, entryCount, stop, &outcome.status);
        break;
    }
    case WorkerKind::GROUPS:
        GroupsLines(api, settings, table.groupLines, stop, &outcome.status);
        break;
    case WorkerKind::FILES:
        outcome.rootListed = FilesOwners(settings.f_root_path, filesOptions, table, stop).directories > 0;
        break;
    case WorkerKind::NETWORK: {
        NetworkWalkOptions options;
        options.wantShares = settings.n_Shares_Disk == 1 || settings.n_Shares_Printer == 1;
        WalkNetwork(std::make_shared<net::NetworkRouter>(api, settings.serverName), table, options, stop);
        break;
    }
    default:
        break;
    }
    return outcome;
}
