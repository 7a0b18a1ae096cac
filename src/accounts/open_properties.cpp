#include "accounts/open_properties.h"

#include "accounts/user_plan.h"

#include <algorithm>

namespace accounts {

bool ValidSelection(const std::vector<int>& selected, int count)
{
    return std::none_of(selected.begin(), selected.end(),
                        [count](int i) { return i == 0 || i == 1 || i == count - 1; });
}

std::string ServerOfNetworkRow(const std::string& row)
{
    const auto start = row.find("\\\\");
    if (start == std::string::npos || row.find("Server") == std::string::npos)
        return {};
    const auto tab = row.find('\t', start);
    return row.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
}

std::string GroupOfRow(const std::vector<std::string>& rows, int index)
{
    for (int i = index; i >= 0 && i < static_cast<int>(rows.size()); --i) {
        const std::string& row = rows[static_cast<std::size_t>(i)];
        if (row.empty() || row.front() != '\t')
            return NameOfRow(row);
    }
    return {};
}

}  // namespace accounts
