// The FILES enumeration end to end on real local trees: walk, owner texts, list step.
#include "browse/list_step.h"
#include "enum/files_owners.h"
#include "settings/app_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FilesOwnersTest : public testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("vellox-files-" + std::to_string(::getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    void WriteFile(const fs::path& path, std::size_t size)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << std::string(size, 'x');
    }

    ListContent Browse(const std::string& walkRoot, const AppSettings& settings)
    {
        ResultTable table;
        std::stop_source stop;
        FilesOwners(walkRoot, {}, table, stop.get_token());
        return BuildList(WorkerKind::FILES, table, settings);
    }

    static std::string MyName()
    {
        passwd* pw = ::getpwuid(::geteuid());
        return pw ? pw->pw_name : "";
    }

    fs::path root;
};

TEST_F(FilesOwnersTest, EmptyRootShowsHeaderAndTwoSeparators)
{
    AppSettings settings;
    ListContent list = Browse(root.string() + "/", settings);
    ASSERT_EQ(list.lines.size(), 3u);
    EXPECT_EQ(list.lines[0], "UserName\tFilesize in use");
    EXPECT_EQ(list.lines[1], g_separatorLine);
    EXPECT_EQ(list.lines[2], g_separatorLine);
    EXPECT_EQ(list.entryCount, 0);
}

TEST_F(FilesOwnersTest, FilesOfOneOwnerInDifferentFoldersGiveOneSummedLine)
{
    WriteFile(root / "a" / "one", 300);
    WriteFile(root / "b" / "c" / "two", 212);
    AppSettings settings;
    ListContent list = Browse(root.string() + "/", settings);
    ASSERT_EQ(list.lines.size(), 4u);
    EXPECT_EQ(list.lines[2], MyName() + "\t512\t");
    EXPECT_EQ(list.entryCount, 1);
}

TEST_F(FilesOwnersTest, MissingRootCountsOneUnlistableDirectoryShownOnlyWithItsFilter)
{
    AppSettings settings;
    settings.f_directory_denial = 1;
    ListContent shown = Browse((root / "absent").string() + "/", settings);
    ASSERT_EQ(shown.lines.size(), 4u);
    EXPECT_EQ(shown.lines[2], "<dirlist denied>\t1\t");
    EXPECT_EQ(shown.entryCount, 1);

    settings.f_directory_denial = 0;
    ListContent hidden = Browse((root / "absent").string() + "/", settings);
    EXPECT_EQ(hidden.lines.size(), 3u);
    EXPECT_EQ(hidden.entryCount, 0);
}

TEST(OwnerText, PseudoOwnersHaveTheirTexts)
{
    using files::Owner;
    using files::OwnerKind;
    EXPECT_EQ(OwnerText(Owner{OwnerKind::Name, "jsmith", 0}), "jsmith");
    EXPECT_EQ(OwnerText(Owner{OwnerKind::AccessDenied, "", 0}), "<access denied>");
    EXPECT_EQ(OwnerText(Owner{OwnerKind::DirlistDenied, "", 0}), "<dirlist denied>");
    EXPECT_EQ(OwnerText(Owner{OwnerKind::ErrorNumber, "", 2}), "<2>");
    EXPECT_EQ(OwnerText(Owner{OwnerKind::Unknown, "", 0}), "<unknown>");
    EXPECT_EQ(OwnerText(Owner{OwnerKind::NullSid, "", 0}), "<NULL SID>");
    EXPECT_EQ(OwnerText(Owner{OwnerKind::AccountDeleted, "", 0}), "<account deleted>");
}

}  // namespace
