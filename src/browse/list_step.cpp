#include "browse/list_step.h"

#include "browse/shown_text.h"
#include "res/browse_strings.h"

#include <charconv>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>

namespace {

struct UsersColumn {
    std::int32_t AppSettings::*setting;
    const char* label;
    int width;
};

// In the order of the fields of a USERS line; the first is the account name.
// clang-format off
constexpr UsersColumn kUsersColumns[] = {
    {&AppSettings::u_user_id, res::STR_USERNAME, 70},
    {&AppSettings::u_user_name, res::STR_FULL_NAME, 80},
    {&AppSettings::u_num_logons, res::STR_LOGONS, 30},
    {&AppSettings::u_last_logon, res::STR_LAST_LOGON, 95},
    {&AppSettings::u_expires, res::STR_ACCT_EXPIRES, 50},
    {&AppSettings::u_disabled, res::STR_DISABLED, 30},
    {&AppSettings::u_pw_check, res::STR_HAS_PW, 30},
    {&AppSettings::u_max_storage, res::STR_MAX_STORAGE, 50},
    {&AppSettings::u_profile_check, res::STR_PROFILE, 30},
    {&AppSettings::u_script_check, res::STR_SCRIPT, 30},
    {&AppSettings::u_pass_expires, res::STR_PW_EXPIRES, 50},
};
// clang-format on

struct NetworkLetter {
    char letter;
    std::int32_t AppSettings::*setting;
    const char* label;
    int tabs;
};

// clang-format off
constexpr NetworkLetter kNetworkLetters[] = {
    {'u', &AppSettings::n_Net_Types, res::STR_PROVIDER, 3},
    {'D', &AppSettings::n_Domains, res::STR_DOMAIN, 2},
    {'S', &AppSettings::n_Domain_Members, res::STR_SERVER, 1},
    {'d', &AppSettings::n_Shares_Disk, res::STR_DISK, 1},
    {'p', &AppSettings::n_Shares_Printer, res::STR_PRINTER, 1},
};
// clang-format on

const NetworkLetter* FindLetter(char letter)
{
    for (const auto& entry : kNetworkLetters) {
        if (entry.letter == letter)
            return &entry;
    }
    return nullptr;
}

// Puts the header and the opening separator in place.
void OpenList(ListContent& list, std::string header, std::size_t resultLines)
{
    list.lines.reserve(resultLines + 3);
    list.lines.push_back(std::move(header));
    list.lines.push_back(g_separatorLine);
}

void AddShown(ListContent& list, std::string line)
{
    list.lines.push_back(std::move(line));
    ++list.entryCount;
}

void CloseList(ListContent& list)
{
    list.lines.push_back(g_separatorLine);
}

void AppendNumber(std::string& line, std::uint64_t value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    line.append(digits, result.ptr);
}

bool HiddenOwner(std::string_view name, const AppSettings& settings)
{
    if (name == res::STR_ACCESS_DENIED)
        return settings.f_file_denial != 1;
    if (name == res::STR_DIRLIST_DENIED)
        return settings.f_directory_denial != 1;
    return false;
}

void BuildFiles(const ResultTable& table, const AppSettings& settings, ListContent& list)
{
    list.shownType = DisplayType::FILES;
    list.tabStops = kFilesTabStops;
    OpenList(list, std::string(res::STR_USERNAME) + '\t' + res::STR_FILESIZE_IN_USE, table.ownerNames.size());
    for (std::size_t i = 0; i < table.ownerNames.size(); ++i) {
        const std::string& name = table.ownerNames[i];
        if (HiddenOwner(name, settings))
            continue;
        std::string line;
        line.reserve(name.size() + 24);
        AppendShown(line, name);
        line += '\t';
        AppendNumber(line, table.ownerBytes[i]);
        line += '\t';
        AddShown(list, std::move(line));
    }
    if (table.ownersFull)
        AddShown(list, res::STR_MORE_ENTRIES);
    CloseList(list);
}

void BuildNetwork(const ResultTable& table, const AppSettings& settings, ListContent& list)
{
    list.shownType = DisplayType::NETWORK;
    list.tabStops = kNetworkTabStops;
    OpenList(list,
             std::string(res::STR_NETWORK_COLUMN) + '\t' + res::STR_DOMAIN + '\t' + res::STR_RESOURCE + '\t' +
                 res::STR_RESOURCE_TYPE,
             table.networkTable.size());
    for (const std::string& entry : table.networkTable) {
        if (entry.empty())
            continue;
        const NetworkLetter* letter = FindLetter(entry.front());
        if (letter == nullptr || settings.*(letter->setting) != 1)
            continue;
        const std::string_view label = letter->label;
        std::string line;
        line.reserve(entry.size() + 3 + label.size());
        line.append(entry, 1);
        line.append(static_cast<std::size_t>(letter->tabs), '\t');
        line.append(label);
        AddShown(list, std::move(line));
    }
    if (table.networkFull)
        AddShown(list, res::STR_MORE_ENTRIES);
    CloseList(list);
}

// Copies (or, from a table given up, moves) the lines up to the "END_OF_DATA" line,
// or to the table's end when it has none.
template <class Lines>
void AddFinishedLines(Lines& lines, ListContent& list)
{
    for (auto& line : lines) {
        if (line == res::STR_END_OF_DATA)
            break;
        if constexpr (std::is_const_v<Lines>)
            AddShown(list, line);
        else
            AddShown(list, std::move(line));
    }
}

template <class Lines>
void BuildGroups(Lines& groupLines, ListContent& list)
{
    list.shownType = DisplayType::GROUPS;
    list.tabStops = kGroupsTabStops;
    OpenList(list, std::string(res::STR_NAME) + '\t' + res::STR_COMMENT + '\t', groupLines.size());
    AddFinishedLines(groupLines, list);
    CloseList(list);
}

template <class Lines>
void BuildUsers(Lines& userLines, const AppSettings& settings, ListContent& list)
{
    list.shownType = DisplayType::USERS;
    list.tabStops = UsersTabStops(settings);
    OpenList(list, UsersHeader(settings), userLines.size());
    AddFinishedLines(userLines, list);
    CloseList(list);
}

// ResultTable is `const ResultTable` (copy the lines) or `ResultTable` (move them).
template <class Table>
ListContent Build(WorkerKind kind, Table& table, const AppSettings& settings)
{
    ListContent list;
    switch (kind) {
    case WorkerKind::FILES:
        BuildFiles(table, settings, list);
        break;
    case WorkerKind::NETWORK:
        BuildNetwork(table, settings, list);
        break;
    case WorkerKind::GROUPS:
        BuildGroups(table.groupLines, list);
        break;
    case WorkerKind::USERS:
        BuildUsers(table.userLines, settings, list);
        break;
    default:
        list.messageId = res::IDS_UNKNOWN_THREAD;
        list.messageText = res::STR_UNKNOWN_THREAD;
        break;
    }
    return list;
}

}  // namespace

std::string UsersHeader(const AppSettings& settings)
{
    std::string header;
    for (const auto& column : kUsersColumns) {
        const bool on = settings.*(column.setting) != 0;
        if (on) {
            header += column.label;
            header += '\t';
        } else if (column.setting == &AppSettings::u_user_id) {
            header += '\t';  // the account name's column stays, unlabelled
        }
    }
    return header;
}

std::vector<int> UsersTabStops(const AppSettings& settings)
{
    std::vector<int> stops;
    int stop = 0;
    for (const auto& column : kUsersColumns) {
        const bool always = column.setting == &AppSettings::u_user_id;
        if (!always && settings.*(column.setting) == 0)
            continue;
        stop += column.width;
        stops.push_back(stop);
    }
    return stops;
}

ListContent BuildList(WorkerKind kind, const ResultTable& table, const AppSettings& settings)
{
    return Build(kind, table, settings);
}

ListContent BuildList(WorkerKind kind, ResultTable&& table, const AppSettings& settings)
{
    return Build(kind, table, settings);
}
