#include "enum/groups_lines.h"

#include "browse/result_table.h"
#include "browse/shown_text.h"
#include "res/browse_strings.h"

namespace {

std::string GroupLine(const net::GROUP_INFO_2& group, const AppSettings& settings)
{
    std::string line;
    if (settings.g_groupname) {
        AppendShown(line, group.grpi2_name);
        line += '\t';
    }
    if (settings.g_comments) {
        AppendShown(line, group.grpi2_comment);
        line += '\t';
    }
    return line;
}

// Adds the member lines of one group; false once the table is full.
bool AddMemberLines(net::NetApi& api, const AppSettings& settings, const std::string& group,
                    std::vector<std::string>& groupLines)
{
    std::vector<net::GROUP_USERS_INFO_0> members;
    if (api.GroupGetUsers(settings.serverName, group, members) != net::NERR_Success) return true;
    for (const auto& member : members) {
        std::string line = "\t";
        AppendShown(line, member.grui0_name);
        if (!AddResultLine(groupLines, std::move(line))) return false;
    }
    return true;
}

}  // namespace

void GroupsLines(net::NetApi& api, const AppSettings& settings, std::vector<std::string>& groupLines,
                 const StopToken& stop)
{
    groupLines.clear();
    std::vector<net::GROUP_INFO_2> groups;
    const net::Status status = api.GroupEnum(settings.serverName, groups);
    if (stop.stop_requested()) {
        EndLines(groupLines);
        return;
    }
    if (status != net::NERR_Success || groups.empty()) {
        groupLines.emplace_back(res::STR_COULD_NOT_ENUMERATE_DOMAIN);
        EndLines(groupLines);
        return;
    }
    groupLines.reserve(groups.size() + 2);
    for (const auto& group : groups) {
        if (stop.stop_requested()) break;
        if (!AddResultLine(groupLines, GroupLine(group, settings))) break;
        if (settings.g_show_members && !AddMemberLines(api, settings, group.grpi2_name, groupLines)) break;
    }
    EndLines(groupLines);
}
