// Reports: one display's list written as File > Export writes it, with no window, no
// dialog and no question to the user, for scripts, cron jobs and remote shells.
#pragma once

#include "app/options.h"
#include "browse/browse_types.h"
#include "browse/result_table.h"
#include "platform/files/owner_walk.h"
#include "platform/net/netapi.h"
#include "settings/app_settings.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace app {

// The list of one browse as the window shows it, or why there is none.
struct ReportList {
    std::vector<std::string> lines;  // header, separator, result lines, separator
    std::string error;               // empty when the whole list was read
};

// Called about every quarter second while a report's browse runs, with the entries
// found so far.
using ReportProgress = std::function<void(std::uint64_t found)>;

// Whether the table limit left entries out of a browse's table: USERS and GROUPS
// lines then end with "More entries..." past the limit, FILES and NETWORK mark their
// table full.
bool ListCutShort(WorkerKind kind, const ResultTable& table);

// Runs the browse of `display` with the window's enumerations and list step. Fails when
// the list could not be read (the request was refused or not answered, the FILES root
// could not be listed, nothing answered for SERVERS or NETWORK) or when the table limit
// cut it short.
ReportList BrowseForReport(DisplayType display, net::NetApi& api, const AppSettings& settings,
                           const files::WalkOptions& filesOptions, const ReportProgress& progress = {});

// The settings a report browses with: the start-up defaults, then the settings file,
// then the server, the FILES root and the export type the request gives. A settings
// file that can't be opened is said on `err`, as the window says it.
AppSettings ReportSettings(const Options& options, const std::string& server, std::ostream& err);

// The whole report of options.report: opens the network without asking anything,
// browses, and writes the list to options.report.output or `out`. Progress goes to
// `err` when `showProgress`. Returns the exit status: 0 when the whole list was written;
// 1, with the reason on `err` and nothing on `out`, when it could not be read or written.
int RunReport(const Options& options, std::ostream& out, std::ostream& err, bool showProgress);

}  // namespace app
