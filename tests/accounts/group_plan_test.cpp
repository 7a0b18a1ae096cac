// The Group Properties transfers and commit plan, without widgets.
#include "accounts/group_plan.h"

#include <gtest/gtest.h>

using namespace accounts;
using Names = std::vector<std::string>;

namespace {

struct TransferCase {
    const char* what;
    Names source;
    std::vector<int> selected;
    Names destination;
    bool move;
    bool answer;  // to the Warning question of a move
    Names source2, destination2;
    bool changed;
    Names told;  // duplicates told (copies) or asked about (moves)
};

TEST(GroupTransfers, MovesCopiesAndDuplicates)
{
    const std::vector<TransferCase> cases = {
        {"move two", {"a", "b", "c"}, {0, 2}, {"x"}, true, false, {"b"}, {"a", "c", "x"}, true, {}},
        {"copy keeps the source", {"a", "b"}, {1}, {"x"}, false, false, {"a", "b"}, {"b", "x"}, true, {}},
        {"copy of a duplicate: told, nothing changes",
         {"a", "b"},
         {0},
         {"a"},
         false,
         false,
         {"a", "b"},
         {"a"},
         false,
         {"a"}},
        {"move of a duplicate, No", {"a", "b"}, {0}, {"a"}, true, false, {"a", "b"}, {"a"}, false, {"a"}},
        {"move of a duplicate, Yes: out of the source only",
         {"a", "b"},
         {0},
         {"a"},
         true,
         true,
         {"b"},
         {"a"},
         true,
         {"a"}},
        {"nothing selected", {"a"}, {}, {"x"}, true, true, {"a"}, {"x"}, false, {}},
        {"thousands selected, no bound", {}, {}, {}, true, false, {}, {}, true, {}},
    };
    for (TransferCase c : cases) {
        SCOPED_TRACE(c.what);
        if (c.source.empty() && c.changed) {  // the large case, built here
            for (int i = 0; i < 3000; ++i) {
                c.source.push_back("u" + std::to_string(10000 + i));
                c.selected.push_back(i);
                c.destination2.push_back(c.source.back());
            }
        }
        Names told;
        const TransferOutcome out = Transfer(
            c.source, c.selected, c.destination, c.move, [&](const std::string& n) { told.push_back(n); },
            [&](const std::string& n) {
                told.push_back(n);
                return c.answer;
            });
        EXPECT_EQ(out.source, c.source2);
        EXPECT_EQ(out.destination, c.destination2);
        EXPECT_EQ(out.changed, c.changed);
        EXPECT_EQ(told, c.told);
    }
}

TEST(GroupTransfers, CommitMeasuresAgainstTheRead)
{
    const MemberChanges changes = PlanMemberChanges({"a", "b", "c"}, {"b", "c", "d"});
    EXPECT_EQ(changes.add, Names{"d"});
    EXPECT_EQ(changes.remove, Names{"a"});
    const MemberChanges none = PlanMemberChanges({"a", "b"}, {"b", "a"});
    EXPECT_TRUE(none.add.empty() && none.remove.empty());
}

}  // namespace
