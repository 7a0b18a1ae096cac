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
bool AddMemberLines(const std::vector<net::GROUP_USERS_INFO_0>& members, std::vector<std::string>& groupLines)
{
    for (const auto& member : members) {
        std::string line = "\t";
        AppendShown(line, member.grui0_name);
        if (!AddResultLine(groupLines, std::move(line)))
            return false;
    }
    return true;
}

}  // namespace

void GroupsLines(net::NetApi& api, const AppSettings& settings, std::vector<std::string>& groupLines,
                 const StopToken& stop, net::Status* answer)
{
    groupLines.clear();
    // A back end that reads the groups with their members at once does; the others are
    // asked for each group's members when its turn comes.
    std::vector<net::GroupWithUsers> together;
    net::Status status = net::ERROR_NOT_SUPPORTED;
    if (settings.g_show_members)
        status = api.GroupEnumWithUsers(settings.serverName, together);
    const bool each = status == net::ERROR_NOT_SUPPORTED;
    std::vector<net::GROUP_INFO_2> groups;
    if (each)
        status = api.GroupEnum(settings.serverName, groups);
    if (answer)
        *answer = status;
    if (stop.stop_requested()) {
        EndLines(groupLines);
        return;
    }
    const std::size_t count = each ? groups.size() : together.size();
    if (status != net::NERR_Success || count == 0) {
        groupLines.emplace_back(res::STR_COULD_NOT_ENUMERATE_DOMAIN);
        EndLines(groupLines);
        return;
    }
    groupLines.reserve(count + 2);
    for (std::size_t i = 0; i < count; ++i) {
        if (stop.stop_requested())
            break;
        const net::GROUP_INFO_2& group = each ? groups[i] : together[i].group;
        if (!AddResultLine(groupLines, GroupLine(group, settings)))
            break;
        if (!settings.g_show_members)
            continue;
        if (each) {
            std::vector<net::GROUP_USERS_INFO_0> members;
            if (api.GroupGetUsers(settings.serverName, group.grpi2_name, members) != net::NERR_Success)
                continue;
            if (!AddMemberLines(members, groupLines))
                break;
        } else if (together[i].status == net::NERR_Success && !AddMemberLines(together[i].users, groupLines)) {
            break;
        }
    }
    EndLines(groupLines);
}
