// The list step: turns the table a browse filled into the lines of the result list.
// It needs no window; the caller puts the lines into the list box, sets the tab stops
// and Entries Found, and shows the message box a ListContent asks for.
#pragma once

#include "browse/browse_types.h"
#include "browse/result_table.h"
#include "settings/app_settings.h"

#include <string>
#include <vector>

struct ListContent {
    // Header, separator, result lines, separator (empty for a kind of no known type).
    std::vector<std::string> lines;
    // List box tab stops in dialog units.
    std::vector<int> tabStops;
    // Result lines shown: header, separators and hidden rows are not counted.
    int entryCount = 0;
    DisplayType shownType = DisplayType::NONE;
    // A message box the caller shows once the list is in place; 0 / nullptr for none.
    int messageId = 0;
    const char* messageText = nullptr;
};

// Tab stops of the FILES, GROUPS and NETWORK lists.
inline const std::vector<int> kFilesTabStops{0, 75, 125};
inline const std::vector<int> kGroupsTabStops{0, 75};
inline const std::vector<int> kNetworkTabStops{40, 100, 250, 251, 252, 253};

ListContent BuildList(WorkerKind kind, const ResultTable& table, const AppSettings& settings);
// The same list from a table that is no longer needed: USERS and GROUPS lines are moved
// into the list instead of copied (the usual case: each browse owns its table).
ListContent BuildList(WorkerKind kind, ResultTable&& table, const AppSettings& settings);

// The USERS header ("UserName\tFull Name\t...") and its tab stops for these settings.
// With u_user_id off the header keeps an empty first column and the stops stay where
// they are with it on, so every label stands over its field.
std::string UsersHeader(const AppSettings& settings);
std::vector<int> UsersTabStops(const AppSettings& settings);
