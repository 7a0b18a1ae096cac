#include "app/report.h"

#include "app/browse_run.h"
#include "app/startup.h"
#include "browse/list_step.h"
#include "browse/result_table.h"
#include "enum/files_owners.h"
#include "enum/servers_list.h"
#include "export/export_file.h"
#include "platform/net/credentials.h"
#include "platform/net/status_text.h"
#include "res/browse_strings.h"
#include "res/files_strings.h"
#include "res/report_strings.h"
#include "res/resource.h"

#include <chrono>
#include <future>
#include <optional>
#include <thread>

namespace app {
namespace {

constexpr std::chrono::milliseconds kProgressPeriod{250};

// The display's name for messages; every display a report takes has one.
const char* DisplayName(DisplayType display)
{
    const char* text = DisplayTypeText(display);
    return text ? text : "";
}

WorkerKind KindOf(DisplayType display)
{
    switch (display) {
    case DisplayType::FILES:
        return WorkerKind::FILES;
    case DisplayType::GROUPS:
        return WorkerKind::GROUPS;
    case DisplayType::NETWORK:
        return WorkerKind::NETWORK;
    default:
        return WorkerKind::USERS;
    }
}

std::string Refused(DisplayType display, const std::string& server, net::Status status)
{
    return res::ReportReadFailedText(DisplayName(display), server, net::StatusText(status));
}

std::string LimitReached(DisplayType display)
{
    return res::ReportCutShortText(DisplayName(display));
}

ReportList BrowseOnce(DisplayType display, net::NetApi& api, const AppSettings& settings,
                      const files::WalkOptions& filesOptions)
{
    ReportList report;
    if (display == DisplayType::SERVERS) {
        ListContent content = ServersList(api, settings);
        const bool none = content.entryCount == 0;
        if (content.messageText != nullptr || content.lines.size() > kLineCapacity + 3)
            report.error = LimitReached(display);
        else if (none)
            report.error = res::ReportNoServersText(settings.serverName);
        report.lines = std::move(content.lines);
        return report;
    }
    const WorkerKind kind = KindOf(display);
    ResultTable table;
    const EnumerationOutcome outcome = RunEnumeration(kind, api, settings, filesOptions, table, std::stop_token{});
    if (outcome.status != net::NERR_Success)
        report.error = Refused(display, settings.serverName, outcome.status);
    else if (!outcome.rootListed)
        report.error = res::ReportRootUnlistedText(settings.f_root_path);
    else if (kind == WorkerKind::NETWORK && table.networkTable.empty())
        report.error = res::ReportNothingAnsweredText(settings.serverName);
    else if (ListCutShort(kind, table))
        report.error = LimitReached(display);
    report.lines = BuildList(kind, std::move(table), settings).lines;
    return report;
}

// An enumeration that ended by an exception (out of memory, a library's failure) read
// no list, as the window says.
ReportList GuardedBrowse(DisplayType display, net::NetApi& api, const AppSettings& settings,
                         const files::WalkOptions& filesOptions)
{
    try {
        return BrowseOnce(display, api, settings, filesOptions);
    } catch (const std::exception& e) {
        ReportList failed;
        failed.error = res::ReportBrowseFailedText(DisplayName(display), res::STR_BROWSE_FAILED, e.what());
        return failed;
    }
}

// Credentials a report may use: an authentication file that can be read, else a
// Kerberos ticket; nothing else is asked for. Empty when one is there.
std::string MissingCredentials(const Options& options)
{
    if (options.backend != Backend::Samba)
        return {};
    std::string error;
    if (!options.authFile.empty())
        return net::ReadAuthFile(options.authFile, error) ? std::string() : error;
    if (net::HasKerberosTicket())
        return {};
    return res::kReportNoCredentialsText;
}

// An SMB root is walked with the authentication file, else the Kerberos ticket.
files::WalkOptions ReportWalkOptions(const Options& options, const AppSettings& settings, std::ostream& err)
{
    files::WalkOptions walk;
    if (files::IsSmbRoot(settings.f_root_path) && !options.authFile.empty()) {
        std::string error;
        walk.credentials = SmbWalkCredentials(options.authFile, error);
        if (!error.empty())
            err << res::kReportPrefix << error << '\n';
    }
    walk.onInvalidDescriptor = [&err](const std::string& url) {
        err << res::kReportPrefix << res::STR_INVALID_DESCRIPTOR << ' ' << url << '\n';
    };
    return walk;
}

int Fail(std::ostream& err, const std::string& message)
{
    err << res::kReportPrefix << message << '\n';
    return 1;
}

}  // namespace

bool ListCutShort(WorkerKind kind, const ResultTable& table)
{
    // The lines hold at most the limit, then "More entries..." and "END_OF_DATA".
    const auto past = [](const std::vector<std::string>& lines) {
        return lines.size() > kLineCapacity && lines[kLineCapacity] == res::STR_MORE_ENTRIES;
    };
    switch (kind) {
    case WorkerKind::USERS:
        return past(table.userLines);
    case WorkerKind::GROUPS:
        return past(table.groupLines);
    case WorkerKind::FILES:
        return table.ownersFull;
    case WorkerKind::NETWORK:
        return table.networkFull;
    }
    return false;
}

ReportList BrowseForReport(DisplayType display, net::NetApi& api, const AppSettings& settings,
                           const files::WalkOptions& filesOptions, const ReportProgress& progress)
{
    if (!progress)
        return GuardedBrowse(display, api, settings, filesOptions);
    std::packaged_task<ReportList()> task([&] { return GuardedBrowse(display, api, settings, filesOptions); });
    std::future<ReportList> done = task.get_future();
    const std::uint64_t before = EntriesTaken();
    std::thread browse(std::move(task));
    while (done.wait_for(kProgressPeriod) != std::future_status::ready)
        progress(EntriesTaken() - before);
    browse.join();
    return done.get();
}

AppSettings ReportSettings(const Options& options, const std::string& server, std::ostream& err)
{
    AppSettings settings;
    AssignStartupDefaults(settings);
    std::string version;
    std::string build;
    if (!LoadSettings(settings, version, build))
        err << res::kReportPrefix << res::STR_REGISTRY_OPEN_FAILED << '\n';
    settings.serverName = server;
    if (!options.report.root.empty())
        settings.f_root_path = options.report.root;
    if (options.report.format)
        settings.x_export_type = *options.report.format == ExportMode::Comma ? 1 : 0;
    return settings;
}

int RunReport(const Options& options, std::ostream& out, std::ostream& err, bool showProgress)
{
    if (const std::string missing = MissingCredentials(options); !missing.empty())
        return Fail(err, missing);
    StartupHooks hooks;  // no prompt; start-up messages go to standard error
    Network network = OpenNetwork(options, hooks);
    if (!network.api)
        return Fail(err, network.error);
    // A refused password is not tried again elsewhere: nothing is read with it.
    if (network.logonRefused)
        return Fail(err, res::ReportLogonRefusedText(DisplayName(options.report.display)));

    const AppSettings settings = ReportSettings(options, StartupServerName(options, *network.api), err);
    // Some sources give their entries only at their end: the time shows the report is alive.
    ReportProgress progress;
    const auto start = std::chrono::steady_clock::now();
    const bool files = options.report.display == DisplayType::FILES;
    const std::string what = res::ReportProgressSubject(DisplayName(options.report.display), files,
                                                        files ? settings.f_root_path : settings.serverName);
    if (showProgress) {
        progress = [&err, &what, start](std::uint64_t found) {
            const auto seconds =
                std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
            err << "\r" << res::ReportProgressText(what, found, seconds) << std::flush;
        };
    }
    const ReportList list = BrowseForReport(options.report.display, *network.api, settings,
                                            ReportWalkOptions(options, settings, err), progress);
    if (showProgress)
        err << "\r\033[K" << std::flush;
    if (!list.error.empty())
        return Fail(err, list.error);

    const std::vector<std::string> lines = ExportedLines(list.lines);
    const ExportMode mode = ModeForFilterIndex(FilterIndexForSetting(settings.x_export_type));
    if (!options.report.output.empty()) {
        const ExportResult result = WriteExportFile(options.report.output, lines, mode);
        return result ? 0 : Fail(err, ExportFailureMessage(options.report.output, result));
    }
    std::string text;
    for (const std::string& line : lines) {
        text += ExportLine(line, mode);
        text += '\n';
    }
    out << text << std::flush;
    return out ? 0 : Fail(err, res::kReportStdoutFailedText);
}

}  // namespace app
