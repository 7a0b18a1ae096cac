#include "enum/servers_list.h"

#include "browse/result_table.h"
#include "browse/shown_text.h"
#include "res/browse_strings.h"

#include <array>

namespace {

struct ServerColumn {
    std::uint32_t bit;
    std::int32_t AppSettings::*setting;
};

// In column order; the labels are res::SERVER_COLUMN_LABELS in the same order.
constexpr std::array<ServerColumn, 21> kServerColumns = {{
    {net::SV_TYPE_WORKSTATION, &AppSettings::s_WORKS},
    {net::SV_TYPE_SERVER, &AppSettings::s_TYPE},
    {net::SV_TYPE_SQLSERVER, &AppSettings::s_SQL},
    {net::SV_TYPE_DOMAIN_CTRL, &AppSettings::s_DC},
    {net::SV_TYPE_DOMAIN_BAKCTRL, &AppSettings::s_BKDC},
    {net::SV_TYPE_AFP, &AppSettings::s_AFP},
    {net::SV_TYPE_NOVELL, &AppSettings::s_NOVELL},
    {net::SV_TYPE_DOMAIN_MEMBER, &AppSettings::s_DOMMEM},
    {net::SV_TYPE_PRINTQ_SERVER, &AppSettings::s_PQS},
    {net::SV_TYPE_DIALIN_SERVER, &AppSettings::s_DIALIN},
    {net::SV_TYPE_XENIX_SERVER, &AppSettings::s_UNIX},
    {net::SV_TYPE_NT, &AppSettings::s_NT},
    {net::SV_TYPE_WFW, &AppSettings::s_WFW},
    {net::SV_TYPE_SERVER_MFPN, &AppSettings::s_MFPN},
    {net::SV_TYPE_SERVER_NT, &AppSettings::s_NTS},
    {net::SV_TYPE_POTENTIAL_BROWSER, &AppSettings::s_PB},
    {net::SV_TYPE_BACKUP_BROWSER, &AppSettings::s_BKB},
    {net::SV_TYPE_MASTER_BROWSER, &AppSettings::s_MB},
    {net::SV_TYPE_DOMAIN_MASTER, &AppSettings::s_DM},
    {net::SV_TYPE_SERVER_OSF, &AppSettings::s_DSF},
    {net::SV_TYPE_SERVER_VMS, &AppSettings::s_VMS},
}};
static_assert(std::size(res::SERVER_COLUMN_LABELS) == kServerColumns.size());

constexpr int kFirstTabStop = 90;
constexpr int kTabStopStep = 25;
constexpr int kTabStopCount = 30;

std::vector<int> ServersTabStops()
{
    std::vector<int> stops;
    stops.reserve(kTabStopCount);
    for (int i = 0; i < kTabStopCount; ++i)
        stops.push_back(kFirstTabStop + i * kTabStopStep);
    return stops;
}

// The answer as read: a failed call reads as an empty one. This computer's browser is
// asked first; when its own domain has no controller that answers (a desktop that is no
// domain member), the current server is asked for its domain instead.
std::vector<net::SERVER_INFO_101> EnumerateServers(net::NetApi& api, const std::string& currentServer,
                                                   std::uint32_t& total)
{
    std::vector<net::SERVER_INFO_101> servers;
    for (const std::string& asked : {std::string(), currentServer}) {
        total = 0;
        const net::Status status = api.ServerEnum(asked, net::SV_TYPE_ALL, "", servers, total);
        if (status == net::NERR_Success || status == net::ERROR_MORE_DATA)
            return servers;
        servers.clear();
        total = 0;
        if (currentServer.empty())
            break;
    }
    return servers;
}

}  // namespace

std::string ServersHeader(const AppSettings& settings)
{
    std::string header = std::string(res::STR_NAME) + '\t';
    for (std::size_t i = 0; i < kServerColumns.size(); ++i) {
        if (settings.*(kServerColumns[i].setting) != 0)
            header += res::SERVER_COLUMN_LABELS[i];
    }
    return header;
}

std::string ServerRow(const net::SERVER_INFO_101& server, const AppSettings& settings)
{
    std::string row;
    row.reserve(server.sv101_name.size() + 1 + 2 * kServerColumns.size());
    AppendShown(row, server.sv101_name);
    row += '\t';
    for (const auto& column : kServerColumns) {
        if (settings.*(column.setting) == 0)
            continue;
        row += (server.sv101_type & column.bit) != 0 ? 'X' : '-';
        row += '\t';
    }
    return row;
}

ListContent ServersList(net::NetApi& api, const AppSettings& settings)
{
    ListContent list;
    list.shownType = DisplayType::SERVERS;
    list.tabStops = ServersTabStops();

    std::uint32_t total = 0;
    const std::vector<net::SERVER_INFO_101> servers = EnumerateServers(api, settings.serverName, total);
    if (total > servers.size()) {
        list.messageId = res::IDS_MORE_DATA;
        list.messageText = res::STR_MORE_DATA;
    }

    std::vector<std::string> rows;
    rows.reserve(servers.size() + 1);
    for (const auto& server : servers) {
        if (!AddResultLine(rows, ServerRow(server, settings)))
            break;
    }
    list.entryCount = static_cast<int>(rows.size());

    list.lines.reserve(rows.size() + 3);
    list.lines.push_back(servers.empty() ? std::string() : ServersHeader(settings));
    list.lines.push_back(g_separatorLine);
    if (servers.empty())
        list.lines.emplace_back(res::STR_NO_SERVERS);
    for (auto& row : rows)
        list.lines.push_back(std::move(row));
    list.lines.push_back(g_separatorLine);
    return list;
}
