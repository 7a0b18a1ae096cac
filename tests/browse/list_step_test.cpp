#include "browse/list_step.h"

#include "browse/test_settings.h"
#include "res/browse_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const std::string kSep(223, '=');

AppSettings AllOff()
{
    return AllFlagsOff();
}

// The result lines between the opening and the closing separator.
Lines Body(const ListContent& list)
{
    EXPECT_GE(list.lines.size(), 3u);
    if (list.lines.size() < 3)
        return {};
    EXPECT_EQ(list.lines[1], kSep);
    EXPECT_EQ(list.lines.back(), kSep);
    return Lines(list.lines.begin() + 2, list.lines.end() - 1);
}

// ---- FILES ----

TEST(FilesList, OwnerLinesWithHeaderAndSixtyFourBitTotals)
{
    ResultTable table;
    AddOwnerBytes(512, "alice", table);
    AddOwnerBytes(5ull * 1024 * 1024 * 1024, "bob", table);
    AddOwnerBytes(0, "carol", table);
    const ListContent list = BuildList(WorkerKind::FILES, table, AllOff());
    EXPECT_EQ(list.shownType, DisplayType::FILES);
    EXPECT_EQ(list.lines[0], "UserName\tFilesize in use");
    EXPECT_EQ(Body(list), (Lines{"alice\t512\t", "bob\t5368709120\t", "carol\t0\t"}));
    EXPECT_EQ(list.entryCount, 3);
    EXPECT_EQ(list.tabStops, (std::vector<int>{0, 75, 125}));
    EXPECT_EQ(list.messageId, 0);
}

TEST(FilesList, EmptyWalkGivesHeaderAndTwoSeparators)
{
    const ListContent list = BuildList(WorkerKind::FILES, ResultTable{}, AllOff());
    EXPECT_EQ(list.lines, (Lines{"UserName\tFilesize in use", kSep, kSep}));
    EXPECT_EQ(list.entryCount, 0);
}

TEST(FilesList, DenialOwnersShownOnlyWhenTheirSettingIsOne)
{
    ResultTable table;
    AddOwnerBytes(100, "<access denied>", table);
    AddOwnerBytes(1, "<dirlist denied>", table);
    AddOwnerBytes(7, "dave", table);
    AddOwnerBytes(1, "<dirlist denied>", table);

    AppSettings s = AllOff();
    ListContent list = BuildList(WorkerKind::FILES, table, s);
    EXPECT_EQ(Body(list), (Lines{"dave\t7\t"}));
    EXPECT_EQ(list.entryCount, 1);

    s.f_directory_denial = 1;
    list = BuildList(WorkerKind::FILES, table, s);
    EXPECT_EQ(Body(list), (Lines{"<dirlist denied>\t2\t", "dave\t7\t"}));
    EXPECT_EQ(list.entryCount, 2);

    s.f_file_denial = 1;
    list = BuildList(WorkerKind::FILES, table, s);
    EXPECT_EQ(Body(list), (Lines{"<access denied>\t100\t", "<dirlist denied>\t2\t", "dave\t7\t"}));
    EXPECT_EQ(list.entryCount, 3);

    s.f_file_denial = 2;  // only exactly 1 shows them
    list = BuildList(WorkerKind::FILES, table, s);
    EXPECT_EQ(list.entryCount, 2);
}

TEST(FilesList, OtherPseudoOwnersAreAlwaysShown)
{
    ResultTable table;
    AddOwnerBytes(3, "<unknown>", table);
    AddOwnerBytes(4, "<13>", table);
    const ListContent list = BuildList(WorkerKind::FILES, table, AllOff());
    EXPECT_EQ(Body(list), (Lines{"<unknown>\t3\t", "<13>\t4\t"}));
}

TEST(FilesList, OwnerNameWithTabStaysInItsColumn)
{
    ResultTable table;
    AddOwnerBytes(9, "odd\tname", table);
    const ListContent list = BuildList(WorkerKind::FILES, table, AllOff());
    EXPECT_EQ(Body(list), (Lines{"odd name\t9\t"}));
}

TEST(FilesList, FullOwnerTableEndsWithTheMarkerLine)
{
    ResultTable table;
    AddOwnerBytes(1, "a", table, 1);
    AddOwnerBytes(1, "b", table, 1);
    const ListContent list = BuildList(WorkerKind::FILES, table, AllOff());
    EXPECT_EQ(Body(list), (Lines{"a\t1\t", res::STR_MORE_ENTRIES}));
    EXPECT_EQ(list.entryCount, 2);
}

// ---- NETWORK ----

ResultTable SampleNetwork()
{
    ResultTable table;
    for (const char* entry : {"uMicrosoft Windows Network", "D\tVELLOX", "S\t\t\\\\DC1", "d\t\tDC1\\netlogon",
                              "p\t\tDC1\\laser", "S\t\t\\\\FS1", "x\tunknown letter"}) {
        AddNetworkEntry(table, entry);
    }
    return table;
}

AppSettings NetworkAllOn()
{
    AppSettings s = AllOff();
    s.n_Net_Types = s.n_Domains = s.n_Domain_Members = s.n_Shares_Disk = s.n_Shares_Printer = 1;
    return s;
}

TEST(NetworkList, LinesCarryTheirLabelAfterTheLettersTabs)
{
    const ListContent list = BuildList(WorkerKind::NETWORK, SampleNetwork(), NetworkAllOn());
    EXPECT_EQ(list.shownType, DisplayType::NETWORK);
    EXPECT_EQ(list.lines[0], "Network\tDomain\tResource\tResource type");
    EXPECT_EQ(Body(list), (Lines{
                              "Microsoft Windows Network\t\t\tProvider",
                              "\tVELLOX\t\tDomain",
                              "\t\t\\\\DC1\tServer",
                              "\t\tDC1\\netlogon\tDisk",
                              "\t\tDC1\\laser\tPrinter",
                              "\t\t\\\\FS1\tServer",
                          }));
    EXPECT_EQ(list.entryCount, 6);
    EXPECT_EQ(list.tabStops, (std::vector<int>{40, 100, 250, 251, 252, 253}));
}

TEST(NetworkList, SettingsFilterEachKindAndCountOnlyShownLines)
{
    AppSettings s = NetworkAllOn();
    s.n_Domains = 0;
    s.n_Shares_Printer = 0;
    const ListContent list = BuildList(WorkerKind::NETWORK, SampleNetwork(), s);
    EXPECT_EQ(Body(list), (Lines{"Microsoft Windows Network\t\t\tProvider", "\t\t\\\\DC1\tServer",
                                 "\t\tDC1\\netlogon\tDisk", "\t\t\\\\FS1\tServer"}));
    EXPECT_EQ(list.entryCount, 4);
}

TEST(NetworkList, EverySettingOffLeavesHeaderAndSeparators)
{
    const ListContent list = BuildList(WorkerKind::NETWORK, SampleNetwork(), AllOff());
    EXPECT_EQ(list.lines.size(), 3u);
    EXPECT_EQ(list.entryCount, 0);
}

TEST(NetworkList, OnlyASettingOfExactlyOneShows)
{
    AppSettings s = AllOff();
    s.n_Domains = 2;
    const ListContent list = BuildList(WorkerKind::NETWORK, SampleNetwork(), s);
    EXPECT_EQ(list.entryCount, 0);
}

TEST(NetworkList, FullTableEndsWithTheMarkerLineWhateverTheSettings)
{
    ResultTable table;
    AddNetworkEntry(table, "D\tONE", 1);
    AddNetworkEntry(table, "D\tTWO", 1);
    const ListContent list = BuildList(WorkerKind::NETWORK, table, AllOff());
    EXPECT_EQ(Body(list), (Lines{res::STR_MORE_ENTRIES}));
    EXPECT_EQ(list.entryCount, 1);
}

// ---- GROUPS ----

TEST(GroupsList, LinesUpToTheEndMarkUnderTheFixedHeader)
{
    ResultTable table;
    table.groupLines = {"Admins\tThe admins\t", "\talice", "\tbob", "END_OF_DATA", "left from before\t"};
    const ListContent list = BuildList(WorkerKind::GROUPS, table, AllOff());
    EXPECT_EQ(list.shownType, DisplayType::GROUPS);
    EXPECT_EQ(list.lines[0], "Name\tComment\t");
    EXPECT_EQ(Body(list), (Lines{"Admins\tThe admins\t", "\talice", "\tbob"}));
    EXPECT_EQ(list.entryCount, 3);
    EXPECT_EQ(list.tabStops, (std::vector<int>{0, 75}));
}

TEST(GroupsList, FailedEnumerationLineCountsAsOne)
{
    ResultTable table;
    table.groupLines = {"Could not enumerate domain.", "END_OF_DATA"};
    const ListContent list = BuildList(WorkerKind::GROUPS, table, AllOff());
    EXPECT_EQ(list.lines, (Lines{"Name\tComment\t", kSep, "Could not enumerate domain.", kSep}));
    EXPECT_EQ(list.entryCount, 1);
}

// ---- USERS ----

TEST(UsersList, EveryColumnOn)
{
    const AppSettings s = AllUsersColumnsOn();
    EXPECT_EQ(UsersHeader(s), "UserName\tFull Name\tLogons\tLast Logon\tAcct.Expires\tDisabled\tHas PW\tMax.Stg.\t"
                              "Profile\tScript\tPW Expires\t");
    EXPECT_EQ(UsersTabStops(s), (std::vector<int>{70, 150, 180, 275, 325, 355, 385, 435, 465, 495, 545}));
}

TEST(UsersList, OnlyIdAndFullName)
{
    AppSettings s = AllOff();
    s.u_user_id = s.u_user_name = 1;
    EXPECT_EQ(UsersHeader(s), "UserName\tFull Name\t");
    EXPECT_EQ(UsersTabStops(s), (std::vector<int>{70, 150}));
}

TEST(UsersList, DefaultColumns)
{
    AppSettings s = AllOff();
    s.u_user_id = s.u_user_name = s.u_expires = s.u_max_storage = 1;
    EXPECT_EQ(UsersHeader(s), "UserName\tFull Name\tAcct.Expires\tMax.Stg.\t");
    EXPECT_EQ(UsersTabStops(s), (std::vector<int>{70, 150, 200, 250}));
}

TEST(UsersList, StopsFollowTheWidthOfEachColumnAdded)
{
    AppSettings s = AllOff();
    s.u_user_id = s.u_last_logon = s.u_pass_expires = 1;
    EXPECT_EQ(UsersHeader(s), "UserName\tLast Logon\tPW Expires\t");
    EXPECT_EQ(UsersTabStops(s), (std::vector<int>{70, 165, 215}));
}

TEST(UsersList, IdOffKeepsTheNameColumnSoLabelsStayOverTheirFields)
{
    AppSettings s = AllOff();
    s.u_user_name = s.u_max_storage = 1;
    EXPECT_EQ(UsersHeader(s), "\tFull Name\tMax.Stg.\t");
    EXPECT_EQ(UsersTabStops(s), (std::vector<int>{70, 150, 200}));
}

TEST(UsersList, NonzeroCountsAsOn)
{
    AppSettings s = AllOff();
    s.u_user_id = 1;
    s.u_disabled = -1;
    EXPECT_EQ(UsersHeader(s), "UserName\tDisabled\t");
    EXPECT_EQ(UsersTabStops(s), (std::vector<int>{70, 100}));
}

TEST(UsersList, HeaderSeparatorLinesSeparator)
{
    ResultTable table;
    table.userLines = {"alice\tAlice\t       512", "bob\tBob\t       514", "END_OF_DATA", "stale"};
    AppSettings s = AllOff();
    s.u_user_id = s.u_user_name = 1;
    const ListContent list = BuildList(WorkerKind::USERS, table, s);
    EXPECT_EQ(list.shownType, DisplayType::USERS);
    EXPECT_EQ(list.lines,
              (Lines{"UserName\tFull Name\t", kSep, "alice\tAlice\t       512", "bob\tBob\t       514", kSep}));
    EXPECT_EQ(list.entryCount, 2);
    EXPECT_EQ(list.tabStops, (std::vector<int>{70, 150}));
}

TEST(UsersList, TableGivenUpGivesTheSameList)
{
    ResultTable table;
    table.userLines = {"alice\t       512", "bob\t       514", "END_OF_DATA", "stale"};
    table.groupLines = {"G\t", "\talice", "END_OF_DATA"};
    const AppSettings s = AllUsersColumnsOn();
    const ListContent users = BuildList(WorkerKind::USERS, table, s);
    const ListContent groups = BuildList(WorkerKind::GROUPS, table, s);

    ResultTable copy = table;
    const ListContent movedUsers = BuildList(WorkerKind::USERS, std::move(copy), s);
    ResultTable other = table;
    const ListContent movedGroups = BuildList(WorkerKind::GROUPS, std::move(other), s);
    EXPECT_EQ(movedUsers.lines, users.lines);
    EXPECT_EQ(movedUsers.tabStops, users.tabStops);
    EXPECT_EQ(movedUsers.entryCount, 2);
    EXPECT_EQ(movedGroups.lines, groups.lines);
    EXPECT_EQ(movedGroups.entryCount, 2);
}

// ---- unknown kind ----

TEST(UnknownKind, EmptyListAndTheMessage)
{
    ResultTable table;
    table.userLines = {"alice", "END_OF_DATA"};
    const ListContent list = BuildList(static_cast<WorkerKind>(9), table, AllUsersColumnsOn());
    EXPECT_EQ(list.shownType, DisplayType::NONE);
    EXPECT_TRUE(list.lines.empty());
    EXPECT_EQ(list.entryCount, 0);
    EXPECT_EQ(list.messageId, 59150);
    EXPECT_STREQ(list.messageText, "An unknown thread has terminated.");
}

}  // namespace
