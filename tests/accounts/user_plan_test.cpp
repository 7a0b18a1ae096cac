// Opening properties and the User Properties dialog's planning, without widgets.
#include "accounts/open_properties.h"
#include "accounts/user_plan.h"

#include <gtest/gtest.h>

using namespace accounts;
using Names = std::vector<std::string>;

namespace {

const std::string kPlaceholder = "**************";

TEST(OpenProperties, SelectionAndTheNamesRowsGive)
{
    EXPECT_TRUE(ValidSelection({2, 5}, 8));
    for (const std::vector<int>& bad : std::vector<std::vector<int>>{{0}, {1, 3}, {3, 7}})
        EXPECT_FALSE(ValidSelection(bad, 8)) << bad.back();

    EXPECT_EQ(ServerOfNetworkRow("\t\t\\\\VELLOX-FS01\tServer"), "\\\\VELLOX-FS01");
    EXPECT_EQ(ServerOfNetworkRow("\\\\DC1 Server"), "\\\\DC1 Server");  // no TAB: the rest of the text
    EXPECT_EQ(ServerOfNetworkRow("\tVELLOX\tDomain"), "");
    EXPECT_EQ(ServerOfNetworkRow("\t\t\t\\\\FS01\\public\tDisk"), "");

    const Names rows = {"Name\tComment", "====",      "Sales\tThe sales team",
                        "\tabrown",      "\tsturner", "Could not enumerate domain.",
                        "===="};
    EXPECT_EQ(GroupOfRow(rows, 2), "Sales");
    EXPECT_EQ(GroupOfRow(rows, 4), "Sales");  // a member line: its group
    EXPECT_EQ(GroupOfRow(rows, 5), "");       // a line without a TAB
    EXPECT_EQ(NameOfRow("abrown\tAlice Brown\t"), "abrown");
}

TEST(UserPlan, ListsFromTheFiveReads)
{
    MembershipReads reads;
    reads.allGlobal = {"Domain Users", "Sales", "Marketing"};
    reads.allLocal = {"Users", "Sales Printers", "Print Operators"};
    reads.userGlobal = {"Domain Users", "Sales"};
    reads.userIndirect = {"Users", "Sales Printers", "Print Operators"};
    reads.userDirect = {"Print Operators"};
    const MembershipLists lists = BuildMembershipLists(reads);
    EXPECT_EQ(lists.memberOf,
              (Names{"(G) Domain Users", "(G) Sales", "(I) Users", "(I) Sales Printers", "(L) Print Operators"}));
    // A group the account is in only indirectly stands on both sides.
    EXPECT_EQ(lists.notMemberOf, (Names{"(G) Marketing", "(L) Users", "(L) Sales Printers"}));
}

struct CommitCase {
    const char* what;
    UserEdits edits;
    CommitCheck check;
    net::UserFields fields;
};

TEST(UserPlan, OkWritesOnlyWhatChanged)
{
    net::USER_INFO_3 read;
    read.usri3_full_name = "Alice Brown";
    read.usri3_comment = "Sales";
    read.usri3_flags = net::UF_SCRIPT | net::UF_NORMAL_ACCOUNT | net::UF_LOCKOUT;
    UserEdits same{"Alice Brown", "Sales", kPlaceholder, kPlaceholder, false, false, false, false, true};
    auto with = [&](auto change) {
        UserEdits e = same;
        change(e);
        return e;
    };
    const std::vector<CommitCase> cases = {
        {"nothing", same, CommitCheck::Ok, {}},
        {"full name", with([](UserEdits& e) { e.fullName = "Alice B."; }), CommitCheck::Ok, {true}},
        {"description", with([](UserEdits& e) { e.description = ""; }), CommitCheck::Ok, {false, true}},
        {"disabled",
         with([](UserEdits& e) { e.accountDisabled = true; }),
         CommitCheck::Ok,
         {false, false, false, false, net::UF_ACCOUNTDISABLE}},
        {"unlock",
         with([](UserEdits& e) { e.lockedOut = false; }),
         CommitCheck::Ok,
         {false, false, false, false, net::UF_LOCKOUT}},
        {"must change",
         with([](UserEdits& e) { e.mustChangePassword = true; }),
         CommitCheck::Ok,
         {false, false, false, true}},
        {"both password options",
         with([](UserEdits& e) { e.mustChangePassword = e.passwordNeverExpires = true; }),
         CommitCheck::ConflictingOptions,
         {}},
        {"confirmation alone edited",
         with([](UserEdits& e) { e.confirmPassword = "x"; }),
         CommitCheck::PasswordsDiffer,
         {}},
        {"password alone edited", with([](UserEdits& e) { e.password = "x"; }), CommitCheck::PasswordsDiffer, {}},
        {"both emptied",
         with([](UserEdits& e) { e.password = e.confirmPassword = ""; }),
         CommitCheck::Ok,
         {false, false, true}},
    };
    for (const CommitCase& c : cases) {
        SCOPED_TRACE(c.what);
        UserCommit commit;
        ASSERT_EQ(PlanUserCommit(read, c.edits, kPlaceholder, {}, {}, commit), c.check);
        if (c.check != CommitCheck::Ok)
            continue;
        EXPECT_EQ(commit.fields, c.fields);
        EXPECT_EQ(commit.info.usri3_full_name, c.edits.fullName);
        EXPECT_EQ(commit.info.usri3_password.has_value(), c.fields.password);
    }
}

TEST(UserPlan, MembershipsThatEnteredOrLeftMemberOf)
{
    const Names atOpen = {"(G) Domain Users", "(G) Sales", "(I) Sales Printers", "(L) Print Operators"};
    // Sales and Print Operators moved out; Marketing and Sales Printers (as a direct
    // membership, beside the indirect one) moved in.
    const Names now = {"(G) Domain Users", "(G) Marketing", "(I) Sales Printers", "(L) Sales Printers"};
    UserCommit commit;
    const UserEdits edits{"", "", kPlaceholder, kPlaceholder, false, false, false, false, false};
    ASSERT_EQ(PlanUserCommit(net::USER_INFO_3{}, edits, kPlaceholder, atOpen, now, commit), CommitCheck::Ok);
    EXPECT_EQ(commit.addGlobal, Names{"Marketing"});
    EXPECT_EQ(commit.addLocal, Names{"Sales Printers"});
    EXPECT_EQ(commit.removeGlobal, Names{"Sales"});
    EXPECT_EQ(commit.removeLocal, Names{"Print Operators"});
}

}  // namespace
