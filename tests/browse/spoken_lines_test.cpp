#include "browse/spoken_lines.h"

#include "browse/list_step.h"
#include "browse/test_settings.h"
#include "res/browse_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// The lines the list step shows for `table`.
Lines Shown(WorkerKind kind, const ResultTable& table, const AppSettings& settings)
{
    return BuildList(kind, table, settings).lines;
}

AppSettings UsersColumns(bool userId)
{
    AppSettings s = AllFlagsOff();
    s.u_user_id = userId ? 1 : 0;
    s.u_user_name = s.u_expires = s.u_max_storage = 1;
    return s;
}

ResultTable Users(Lines lines)
{
    ResultTable table;
    table.userLines = std::move(lines);
    table.userLines.emplace_back(res::STR_END_OF_DATA);
    return table;
}

TEST(SpokenLines, FramingLinesAreHeadingAndSeparatorsAndSayOnlyTheColumnNames)
{
    const Lines lines = Shown(WorkerKind::USERS, Users({"Guest\t\tNever\t-1\t66147"}), UsersColumns(true));
    ASSERT_EQ(lines.size(), 4u);
    const ListLineKind kinds[] = {ListLineKind::Heading, ListLineKind::Separator, ListLineKind::Row,
                                  ListLineKind::Separator};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(KindOfListLine(lines, i), kinds[i]) << "line " << i;
    EXPECT_EQ(SpokenListLine(lines, 0, DisplayType::USERS), "UserName, Full Name, Acct.Expires, Max.Stg.");
    EXPECT_EQ(SpokenListLine(lines, 1, DisplayType::USERS), "");
    // A list without a heading has no framing lines.
    EXPECT_EQ(KindOfListLine({"Working..."}, 0), ListLineKind::Row);
}

TEST(SpokenLines, UsersRowsSayEachFieldAfterItsColumn)
{
    struct Case {
        bool userId;
        std::string line;
        std::string spoken;
    };
    const Case cases[] = {
        // Padding trimmed, the empty full name and the unnamed flag word left out.
        {true, "Administrator\t\tNever\t        -1\t     66049",
         "UserName Administrator, Acct.Expires Never, Max.Stg. -1"},
        {true, "abrown\tBrown, Alice\tNever\t  52428800\t       513",
         "UserName abrown, Full Name Brown, Alice, Acct.Expires Never, Max.Stg. 52428800"},
        // Without the UserName column the account name still leads, unnamed.
        {false, "abrown\tBrown, Alice\tNever\t-1\t513",
         "abrown, Full Name Brown, Alice, Acct.Expires Never, Max.Stg. -1"},
        // A message line has no columns and says itself.
        {true, res::STR_COULD_NOT_ENUMERATE_DOMAIN, res::STR_COULD_NOT_ENUMERATE_DOMAIN},
    };
    for (const Case& c : cases) {
        const Lines lines = Shown(WorkerKind::USERS, Users({c.line}), UsersColumns(c.userId));
        EXPECT_EQ(SpokenListLine(lines, 2, DisplayType::USERS), c.spoken) << c.line;
        EXPECT_EQ(lines[2], c.line);  // what the list shows stays as it was
    }
}

TEST(SpokenLines, GroupMemberLinesSayTheirGroup)
{
    ResultTable table;
    table.groupLines = {"Domain Admins\tDesignated administrators\t",
                        "\tAdministrator",
                        "Domain Guests\t\t",
                        "\tGuest",
                        "\tnobody",
                        res::STR_END_OF_DATA};
    AppSettings s = AllFlagsOff();
    s.g_groupname = s.g_comments = s.g_show_members = 1;
    const Lines lines = Shown(WorkerKind::GROUPS, table, s);
    const std::pair<int, std::string> expected[] = {
        {2, "Name Domain Admins, Comment Designated administrators"},
        {3, "Administrator, member of Domain Admins"},
        {4, "Name Domain Guests"},
        {6, "nobody, member of Domain Guests"},
    };
    for (const auto& [index, spoken] : expected)
        EXPECT_EQ(SpokenListLine(lines, index, DisplayType::GROUPS), spoken) << lines[std::size_t(index)];
}

TEST(SpokenLines, NetworkLinesSayWhatTheyAreAndWhatTheyAreUnder)
{
    ResultTable table;
    for (const char* entry : {"uMicrosoft Windows Network", "D\tVELLOX", "S\t\t\\\\DC1", "d\t\tDC1\\netlogon",
                              "p\t\tDC1\\laser", "S\t\t\\\\FS1"}) {
        AddNetworkEntry(table, entry);
    }
    AppSettings s = AllFlagsOff();
    s.n_Net_Types = s.n_Domains = s.n_Domain_Members = s.n_Shares_Disk = s.n_Shares_Printer = 1;
    const Lines all = Shown(WorkerKind::NETWORK, table, s);
    const std::pair<int, std::string> expected[] = {
        {2, "Provider Microsoft Windows Network"},       {3, "Domain VELLOX, under Provider Microsoft Windows Network"},
        {4, "Server \\\\DC1, under Domain VELLOX"},      {5, "Disk DC1\\netlogon, under Server \\\\DC1"},
        {6, "Printer DC1\\laser, under Server \\\\DC1"}, {7, "Server \\\\FS1, under Domain VELLOX"},
    };
    for (const auto& [index, spoken] : expected)
        EXPECT_EQ(SpokenListLine(all, index, DisplayType::NETWORK), spoken) << all[std::size_t(index)];

    // With the domains hidden a server is under the nearest level that is shown.
    s.n_Domains = 0;
    const Lines noDomains = Shown(WorkerKind::NETWORK, table, s);
    EXPECT_EQ(SpokenListLine(noDomains, 3, DisplayType::NETWORK),
              "Server \\\\DC1, under Provider Microsoft Windows Network");
}

TEST(SpokenLines, FilesRowsPairFieldsWithColumns)
{
    ResultTable table;
    AddOwnerBytes(512, "root", table);
    const Lines lines = Shown(WorkerKind::FILES, table, AllFlagsOff());
    EXPECT_EQ(SpokenListLine(lines, 2, DisplayType::FILES), "UserName root, Filesize in use 512");
}

}  // namespace
