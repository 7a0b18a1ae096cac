// What a row of the result list opens, without widgets.
#pragma once

#include <string>
#include <vector>

namespace accounts {

// False when the selection holds the header (0), the separator (1) or the closing
// separator (count - 1) of a list of `count` rows.
bool ValidSelection(const std::vector<int>& selected, int count);

// The server a NETWORK row names ("\\NAME", from its first two backslashes up to
// the TAB after them, or to the end when there is none); empty when the row has no
// two consecutive backslashes or no "Server".
std::string ServerOfNetworkRow(const std::string& row);

// The group a GROUPS row stands for: a group line names its own; a member line
// (it begins with a TAB) the group of the nearest group line above it. Empty for a
// line without a TAB, such as a failure line.
std::string GroupOfRow(const std::vector<std::string>& rows, int index);

}  // namespace accounts
