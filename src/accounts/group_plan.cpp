#include "accounts/group_plan.h"

#include <algorithm>
#include <set>

namespace accounts {

TransferOutcome Transfer(const std::vector<std::string>& source, const std::vector<int>& selected,
                         const std::vector<std::string>& destination, bool move,
                         const std::function<void(const std::string&)>& tellDuplicate,
                         const std::function<bool(const std::string&)>& confirmRemoval)
{
    TransferOutcome out{{}, destination, false};
    const std::set<std::string> before(destination.begin(), destination.end());
    std::set<int> takenOut;
    for (int index : std::set<int>(selected.begin(), selected.end())) {
        if (index < 0 || index >= static_cast<int>(source.size()))
            continue;
        const std::string& name = source[static_cast<std::size_t>(index)];
        if (!before.count(name)) {
            out.destination.push_back(name);
            out.changed = true;
            if (move)
                takenOut.insert(index);
        } else if (!move) {
            tellDuplicate(name);
        } else if (confirmRemoval(name)) {
            takenOut.insert(index);
            out.changed = true;
        }
    }
    for (int i = 0; i < static_cast<int>(source.size()); ++i)
        if (!takenOut.count(i))
            out.source.push_back(source[static_cast<std::size_t>(i)]);
    std::sort(out.destination.begin(), out.destination.end());
    return out;
}

MemberChanges PlanMemberChanges(const std::vector<std::string>& atRead, const std::vector<std::string>& now)
{
    const std::set<std::string> read(atRead.begin(), atRead.end());
    const std::set<std::string> current(now.begin(), now.end());
    MemberChanges changes;
    std::set_difference(current.begin(), current.end(), read.begin(), read.end(), std::back_inserter(changes.add));
    std::set_difference(read.begin(), read.end(), current.begin(), current.end(), std::back_inserter(changes.remove));
    return changes;
}

}  // namespace accounts
