// The Group Properties dialog's work without widgets: the four transfers between its
// two lists, and what OK writes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace accounts {

struct TransferOutcome {
    std::vector<std::string> source;
    std::vector<std::string> destination;
    bool changed = false;  // a list changed: "Select Group" is disabled from now on
};

// Moves (`move`) or copies the selected entries of `source` into `destination`. A name
// already in the destination is, for a copy, told with `tellDuplicate`; for a move,
// `confirmRemoval` asks whether to take it out of the source anyway. Every selected
// entry is handled once, whatever was taken out before it.
TransferOutcome Transfer(const std::vector<std::string>& source, const std::vector<int>& selected,
                         const std::vector<std::string>& destination, bool move,
                         const std::function<void(const std::string&)>& tellDuplicate,
                         const std::function<bool(const std::string&)>& confirmRemoval);

struct MemberChanges {
    std::vector<std::string> add;
    std::vector<std::string> remove;
};

// The names that entered the list since it was read, and those that left it. A member
// that somebody else added meanwhile is in neither, so it stays.
MemberChanges PlanMemberChanges(const std::vector<std::string>& atRead, const std::vector<std::string>& now);

}  // namespace accounts
