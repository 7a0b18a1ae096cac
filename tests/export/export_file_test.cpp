#include "export/export_file.h"
#include "res/export_strings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sched.h>
#include <set>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- line conversion

TEST(ExportLine, TabModeLeavesLinesUnchanged)
{
    for (const char* line :
         {"UserName\tFull Name\tAcct.Expires\tMax.Stg.\t", "\tjsmith", "\tDOMAIN\t\tDomain", "Smith, \"J\"\tx", ""})
        EXPECT_EQ(ExportLine(line, ExportMode::Tab), line);
}

TEST(ExportLine, UsersHeaderKeepsTrailingComma)
{
    EXPECT_EQ(ExportLine("UserName\tFull Name\tAcct.Expires\tMax.Stg.\t", ExportMode::Comma),
              "UserName,Full Name,Acct.Expires,Max.Stg.,");
}

TEST(ExportLine, NetworkDomainLineKeepsIndentAndEmptyField)
{
    EXPECT_EQ(ExportLine("\tDOMAIN\t\tDomain", ExportMode::Comma), "\tDOMAIN,,Domain");
}

TEST(ExportLine, GroupMemberLineSameInBothModes)
{
    EXPECT_EQ(ExportLine("\tjsmith", ExportMode::Comma), "\tjsmith");
    EXPECT_EQ(ExportLine("\tjsmith", ExportMode::Tab), "\tjsmith");
}

TEST(ExportLine, OnlyTheFirstTabIsIndentation)
{
    EXPECT_EQ(ExportLine("\t\tSERVER\tcomment", ExportMode::Comma), "\t,SERVER,comment");
    EXPECT_EQ(ExportLine("\t", ExportMode::Comma), "\t");
    EXPECT_EQ(ExportLine("\t\t", ExportMode::Comma), "\t,");
    EXPECT_EQ(ExportLine("a\t\t\tb", ExportMode::Comma), "a,,,b");
    EXPECT_EQ(ExportLine("", ExportMode::Comma), "\"\"");  // one empty field, not a row without any
}

TEST(ExportLine, FieldWithCommaIsQuoted)
{
    EXPECT_EQ(ExportLine("jsmith\tSmith, John\tSales", ExportMode::Comma), "jsmith,\"Smith, John\",Sales");
    EXPECT_EQ(ExportLine("x,y\tz\tx,y\t", ExportMode::Comma), "\"x,y\",z,\"x,y\",");
    EXPECT_EQ(ExportLine(",", ExportMode::Comma), "\",\"");
}

TEST(ExportLine, FieldWithQuoteIsQuotedWithQuotesDoubled)
{
    EXPECT_EQ(ExportLine("a\tThe \"big\" one\tb", ExportMode::Comma), "a,\"The \"\"big\"\" one\",b");
    EXPECT_EQ(ExportLine("\"", ExportMode::Comma), "\"\"\"\"");
}

TEST(ExportLine, LeadingTabGoesInsideTheQuotesOfTheFirstField)
{
    EXPECT_EQ(ExportLine("\tSmith, John\tx", ExportMode::Comma), "\"\tSmith, John\",x");
    EXPECT_EQ(ExportLine("\t\"", ExportMode::Comma), "\"\t\"\"\"");
}

TEST(ExportLine, LineBreakInsideFieldIsQuoted)
{
    EXPECT_EQ(ExportLine("a\tb\nc", ExportMode::Comma), "a,\"b\nc\"");
    EXPECT_EQ(ExportLine("a\tb\rc", ExportMode::Comma), "a,\"b\rc\"");
}

TEST(ExportLine, OtherCharactersPassThroughByteForByte)
{
    const std::string line = "M\xC3\xBCller\t  spaced  \t;semi;\t'single'\t\xE2\x82\xAC";
    EXPECT_EQ(ExportLine(line, ExportMode::Comma), "M\xC3\xBCller,  spaced  ,;semi;,'single',\xE2\x82\xAC");
}

// ---------------------------------------------------------------- line selection

TEST(ExportedLines, HeaderAndSeparatorsOnlyGiveTheHeader)
{
    const std::vector<std::string> list = {"Name\tComment", "-----", "-----"};
    EXPECT_EQ(ExportedLines(list), std::vector<std::string>{"Name\tComment"});
}

TEST(ExportedLines, SeparatorsAreDroppedResultsKeptInOrder)
{
    const std::vector<std::string> list = {"H", "sep1", "r1", "r2", "r3", "sep2"};
    EXPECT_EQ(ExportedLines(list), (std::vector<std::string>{"H", "r1", "r2", "r3"}));
}

TEST(ExportedLines, FewerThanThreeLinesGiveNothing)
{
    EXPECT_TRUE(ExportedLines({}).empty());
    EXPECT_TRUE(ExportedLines({"Working..."}).empty());
    EXPECT_TRUE(ExportedLines({"H", "sep"}).empty());
}

// ---------------------------------------------------------------- dialog filter choice

TEST(FilterIndex, ChosenFilterDecidesModeNotTheSetting)
{
    // The setting says comma, the user picks the text filter: tabs.
    EXPECT_EQ(FilterIndexForSetting(1), 2);
    EXPECT_EQ(ModeForFilterIndex(1), ExportMode::Tab);
    // The setting says tab, the user picks CSV: commas.
    EXPECT_EQ(FilterIndexForSetting(0), 1);
    EXPECT_EQ(ModeForFilterIndex(2), ExportMode::Comma);
    EXPECT_EQ(ModeForFilterIndex(0), ExportMode::Tab);
    EXPECT_EQ(ModeForFilterIndex(3), ExportMode::Tab);
}

// ---------------------------------------------------------------- file writing

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A fresh folder that another user (nobody, 65534) owns, with `mode`.
bool MakeOthersFolder(const fs::path& dir, mode_t mode)
{
    fs::remove_all(dir);
    return fs::create_directory(dir) && ::chown(dir.c_str(), 65534, 65534) == 0 && ::chmod(dir.c_str(), mode) == 0;
}

std::set<std::string> Entries(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// Runs fn in a child process; its exit code comes back (0 pass, 77 skip, else fail,
// with the reason on stderr). Keeps limits and mounts out of the test process.
int RunInChild(const std::function<int()>& fn)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(fn());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int Fail(const char* what)
{
    std::fprintf(stderr, "child check failed: %s\n", what);
    return 1;
}

class ExportFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vellox-export-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_target = m_dir / "out.txt";
    }
    void TearDown() override
    {
        ::chmod(m_dir.c_str(), 0700);
        fs::remove_all(m_dir);
    }

    fs::path m_dir;
    fs::path m_target;
};

const std::vector<std::string> kUsersLines = {
    "UserName\tFull Name\tAcct.Expires\tMax.Stg.\t",
    "jsmith\tSmith, John\tNever\tUnlimited\t",
    "admin\tAdministrator\tNever\tUnlimited\t",
};

TEST_F(ExportFile, TabModeWritesLinesWithLineFeedsOnly)
{
    const auto result = WriteExportFile(m_target, kUsersLines, ExportMode::Tab);
    ASSERT_TRUE(result) << result.reason;
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(ReadFile(m_target), "UserName\tFull Name\tAcct.Expires\tMax.Stg.\t\n"
                                  "jsmith\tSmith, John\tNever\tUnlimited\t\n"
                                  "admin\tAdministrator\tNever\tUnlimited\t\n");
}

TEST_F(ExportFile, CommaModeConvertsEveryLine)
{
    ASSERT_TRUE(WriteExportFile(m_target, kUsersLines, ExportMode::Comma));
    EXPECT_EQ(ReadFile(m_target), "UserName,Full Name,Acct.Expires,Max.Stg.,\n"
                                  "jsmith,\"Smith, John\",Never,Unlimited,\n"
                                  "admin,Administrator,Never,Unlimited,\n");
}

TEST_F(ExportFile, HeaderOnlyListWritesTheHeaderAlone)
{
    const auto lines = ExportedLines({"Name\tComment", "-----", "-----"});
    ASSERT_TRUE(WriteExportFile(m_target, lines, ExportMode::Tab));
    EXPECT_EQ(ReadFile(m_target), "Name\tComment\n");
}

TEST_F(ExportFile, OverwriteReplacesTheOldFileEntirely)
{
    WriteFile(m_target, std::string(10000, 'x') + "\n");
    ASSERT_TRUE(WriteExportFile(m_target, {"a\tb"}, ExportMode::Comma));
    EXPECT_EQ(ReadFile(m_target), "a,b\n");
    EXPECT_EQ(Entries(m_dir), std::set<std::string>{"out.txt"});
}

TEST_F(ExportFile, LongLinesAndManyLinesAreWrittenWhole)
{
    std::vector<std::string> lines;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        lines.push_back(std::string(700 + i % 50, static_cast<char>('a' + i % 26)) + "\tend");
        expected += lines.back() + "\n";
    }
    ASSERT_TRUE(WriteExportFile(m_target, lines, ExportMode::Tab));
    EXPECT_EQ(ReadFile(m_target), expected);
}

TEST_F(ExportFile, NewFileGetsTheUsualModeForTheUmask)
{
    const mode_t old = ::umask(027);
    const auto result = WriteExportFile(m_target, {"x"}, ExportMode::Tab);
    ::umask(old);
    ASSERT_TRUE(result);
    struct stat st { };
    ASSERT_EQ(::stat(m_target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ExportFile, ReplacedFileKeepsItsPermissions)
{
    WriteFile(m_target, "old\n");
    ASSERT_EQ(::chmod(m_target.c_str(), 0600), 0);
    const mode_t old = ::umask(022);
    const auto result = WriteExportFile(m_target, {"new"}, ExportMode::Tab);
    ::umask(old);
    ASSERT_TRUE(result);
    struct stat st { };
    ASSERT_EQ(::stat(m_target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadFile(m_target), "new\n");
}

TEST_F(ExportFile, RootReplacingAnotherUsersFileKeepsItsOwner)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    WriteFile(m_target, "old\n");
    ASSERT_EQ(::chown(m_target.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteExportFile(m_target, {"new"}, ExportMode::Tab));
    struct stat st { };
    ASSERT_EQ(::stat(m_target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(ExportFile, SymbolicLinkIsFollowed)
{
    const fs::path real = m_dir / "real.txt";
    WriteFile(real, "old\n");
    fs::create_symlink("real.txt", m_target);
    ASSERT_TRUE(WriteExportFile(m_target, {"new"}, ExportMode::Tab));
    EXPECT_TRUE(fs::is_symlink(m_target));
    EXPECT_EQ(ReadFile(real), "new\n");
    EXPECT_EQ(Entries(m_dir), (std::set<std::string>{"out.txt", "real.txt"}));
}

// A link in a sticky, world-writable folder is followed only when the follower or the
// folder's owner owns it, as the kernel's protected-link rule says.
TEST(LinkFollowRefused, FollowsTheKernelsProtectedLinkRule)
{
    struct Case {
        mode_t folderMode;
        uid_t folderOwner;
        uid_t linkOwner;
        uid_t follower;
        bool refused;
    };
    const Case cases[] = {
        {01777, 0, 1000, 0, true},         // another user's link in root's /tmp
        {01777, 65534, 1, 0, true},        // the link's owner owns neither folder nor process
        {01777, 65534, 65534, 0, false},   // the folder's owner made the link
        {01777, 0, 1000, 1000, false},     // the follower's own link
        {0777, 65534, 1, 0, false},        // not sticky
        {01775, 65534, 1, 0, false},       // sticky, not writable by others
        {S_IFDIR | 01777, 0, 1, 2, true},  // the file type bits don't matter
    };
    for (const Case& c : cases) {
        struct stat folder { };
        struct stat link { };
        folder.st_mode = c.folderMode;
        folder.st_uid = c.folderOwner;
        link.st_mode = S_IFLNK | 0777;
        link.st_uid = c.linkOwner;
        EXPECT_EQ(LinkFollowRefused(link, folder, c.follower), c.refused)
            << std::oct << c.folderMode << std::dec << " folder of " << c.folderOwner << ", link of " << c.linkOwner
            << ", followed by " << c.follower;
    }
}

// As root: a folder like /tmp owned by nobody, and a link in it to a file outside. The
// link is refused when the rule says so (reached directly or through an ordinary link),
// and followed otherwise; a refused export leaves everything as it was.
TEST_F(ExportFile, ProtectedLinkInASharedFolderIsNotFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give links to other users";
    struct Case {
        mode_t folderMode;
        uid_t linkOwner;
        bool viaOwnLink;
        bool refused;
    };
    const Case cases[] = {
        {01777, 1, false, true},       // a daemon's link in nobody's shared folder
        {01777, 1, true, true},        // the same, reached through root's own link
        {01777, 65534, false, false},  // the folder's owner's link
        {01777, 0, false, false},      // root's own link
        {0777, 1, false, false},       // not sticky
    };
    const fs::path shared = m_dir / "shared";
    const fs::path victim = m_dir / "victim.txt";
    const fs::path link = shared / "out.txt";
    const fs::path ownLink = m_dir / "own-link";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.folderMode << std::dec << " folder, link of " << c.linkOwner
                                        << (c.viaOwnLink ? ", via root's link" : ""));
        fs::remove(ownLink);
        ASSERT_TRUE(MakeOthersFolder(shared, c.folderMode));
        WriteFile(victim, "old\n");
        fs::create_symlink(victim, link);
        ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
        fs::path path = link;
        if (c.viaOwnLink) {
            fs::create_symlink(link, ownLink);
            path = ownLink;
        }

        const auto result = WriteExportFile(path, {"new"}, ExportMode::Tab);
        if (c.refused) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error, EACCES);
            EXPECT_EQ(ExportFailureMessage(path, result),
                      std::string(kExportWriteFailedText) + "\n" + path.string() + "\n" + kExportProtectedLinkText);
            EXPECT_EQ(ReadFile(victim), "old\n");
        } else {
            ASSERT_TRUE(result) << result.reason;
            EXPECT_EQ(ReadFile(victim), "new\n");
        }
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(Entries(shared), std::set<std::string>{"out.txt"});
    }
}

// As root: a file another user planted in a sticky, world-writable folder is not replaced
// (reached directly or through root's own link), as the kernel's protected-regular rule
// says; the folder's owner's file, root's own and any file in an ordinary folder are.
TEST_F(ExportFile, AnotherUsersFileInASharedFolderIsNotReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give files to other users";
    struct Case {
        mode_t folderMode;
        uid_t fileOwner;
        bool viaOwnLink;
        bool refused;
    };
    const Case cases[] = {
        {01777, 1, false, true},       // a daemon's file in nobody's shared folder
        {01777, 1, true, true},        // the same, reached through root's own link
        {01777, 65534, false, false},  // the folder's owner's file
        {01777, 0, false, false},      // root's own file
        {0777, 1, false, false},       // not sticky
        {01775, 1, false, false},      // sticky, not writable by others
    };
    const fs::path shared = m_dir / "shared";
    const fs::path planted = shared / "out.txt";
    const fs::path ownLink = m_dir / "own-link";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.folderMode << std::dec << " folder, file of " << c.fileOwner
                                        << (c.viaOwnLink ? ", via root's link" : ""));
        fs::remove(ownLink);
        ASSERT_TRUE(MakeOthersFolder(shared, c.folderMode));
        WriteFile(planted, "old\n");
        ASSERT_EQ(::chown(planted.c_str(), c.fileOwner, c.fileOwner), 0);
        fs::path path = planted;
        if (c.viaOwnLink) {
            fs::create_symlink(planted, ownLink);
            path = ownLink;
        }

        const auto result = WriteExportFile(path, {"new"}, ExportMode::Tab);
        struct stat st { };
        ASSERT_EQ(::stat(planted.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, c.fileOwner);
        if (c.refused) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error, EACCES);
            EXPECT_EQ(ExportFailureMessage(path, result),
                      std::string(kExportWriteFailedText) + "\n" + path.string() + "\n" + kExportProtectedFileText);
            EXPECT_EQ(ReadFile(planted), "old\n");
        } else {
            ASSERT_TRUE(result) << result.reason;
            EXPECT_EQ(ReadFile(planted), "new\n");
        }
        EXPECT_EQ(Entries(shared), std::set<std::string>{"out.txt"});
    }
}

// ---------------------------------------------------------------- failures

TEST_F(ExportFile, FolderUnderARegularFileFails)
{
    WriteFile(m_dir / "plain", "data");
    const fs::path path = m_dir / "plain" / "out.txt";
    const auto result = WriteExportFile(path, {"x"}, ExportMode::Tab);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error, ENOTDIR);
    EXPECT_EQ(result.reason, std::strerror(ENOTDIR));
    EXPECT_EQ(ReadFile(m_dir / "plain"), "data");
    EXPECT_EQ(ExportFailureMessage(path, result),
              "Could not write the export file.\n" + path.string() + "\n" + std::strerror(ENOTDIR));
}

TEST_F(ExportFile, MissingFolderFails)
{
    const auto result = WriteExportFile(m_dir / "none" / "out.txt", {"x"}, ExportMode::Tab);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error, ENOENT);
    EXPECT_EQ(Entries(m_dir), std::set<std::string>{});
}

TEST_F(ExportFile, ReadOnlyFolderFailsForOrdinaryUsers)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; see ReadOnlyFileSystemFails";
    WriteFile(m_target, "old\n");
    ASSERT_EQ(::chmod(m_dir.c_str(), 0500), 0);
    const auto result = WriteExportFile(m_target, {"x"}, ExportMode::Tab);
    ::chmod(m_dir.c_str(), 0700);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error, EACCES);
    EXPECT_EQ(ReadFile(m_target), "old\n");
}

TEST_F(ExportFile, EmptyPathAndDirectoryPathsAreRefused)
{
    EXPECT_EQ(WriteExportFile("", {"x"}, ExportMode::Tab).error, ENOENT);
    fs::create_directory(m_dir / "sub");
    EXPECT_EQ(WriteExportFile(m_dir / "sub", {"x"}, ExportMode::Tab).error, EISDIR);
    EXPECT_EQ(WriteExportFile(m_dir.string() + "/", {"x"}, ExportMode::Tab).error, EISDIR);
    EXPECT_TRUE(fs::is_directory(m_dir / "sub"));
    EXPECT_EQ(Entries(m_dir), std::set<std::string>{"sub"});
}

TEST_F(ExportFile, SpecialFileIsNotReplaced)
{
    ASSERT_EQ(::mkfifo(m_target.c_str(), 0600), 0);
    const auto result = WriteExportFile(m_target, {"x"}, ExportMode::Tab);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.reason, kExportNotRegularFileText);
    EXPECT_TRUE(fs::is_fifo(m_target));
    EXPECT_EQ(Entries(m_dir), std::set<std::string>{"out.txt"});
}

TEST_F(ExportFile, FailingWriteKeepsOldFileAndLeavesNoTemporary)
{
    WriteFile(m_target, "old contents\n");
    ExportIo io;
    io.write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    const auto result = WriteExportFile(m_target, kUsersLines, ExportMode::Tab, io);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error, ENOSPC);
    EXPECT_EQ(result.reason, std::strerror(ENOSPC));
    EXPECT_EQ(ReadFile(m_target), "old contents\n");
    EXPECT_EQ(Entries(m_dir), std::set<std::string>{"out.txt"});
}

TEST_F(ExportFile, FailureAfterPartialDataLeavesNothingBehind)
{
    // Enough lines for several buffer flushes; the disk fills during the second one.
    std::vector<std::string> lines(4000, std::string(60, 'z'));
    int calls = 0;
    ExportIo io;
    io.write = [&calls](int fd, const void* data, std::size_t size) -> ssize_t {
        if (++calls > 1) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, data, size);
    };
    const auto result = WriteExportFile(m_target, lines, ExportMode::Tab, io);
    ASSERT_FALSE(result);
    EXPECT_GT(calls, 1);
    EXPECT_FALSE(fs::exists(m_target));
    EXPECT_EQ(Entries(m_dir), std::set<std::string>{});
}

TEST_F(ExportFile, ShortWritesAndInterruptionsAreRetried)
{
    int calls = 0;
    ExportIo io;
    io.write = [&calls](int fd, const void* data, std::size_t size) -> ssize_t {
        if (++calls % 3 == 0) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, data, std::min<std::size_t>(size, 5));
    };
    ASSERT_TRUE(WriteExportFile(m_target, kUsersLines, ExportMode::Comma, io));
    EXPECT_EQ(ReadFile(m_target), "UserName,Full Name,Acct.Expires,Max.Stg.,\n"
                                  "jsmith,\"Smith, John\",Never,Unlimited,\n"
                                  "admin,Administrator,Never,Unlimited,\n");
}

TEST_F(ExportFile, WriteThatMakesNoProgressFails)
{
    ExportIo io;
    io.write = [](int, const void*, std::size_t) -> ssize_t { return 0; };
    const auto result = WriteExportFile(m_target, {"x"}, ExportMode::Tab, io);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error, EIO);
    EXPECT_EQ(Entries(m_dir), std::set<std::string>{});
}

TEST_F(ExportFile, FailingFlushKeepsOldFile)
{
    WriteFile(m_target, "old\n");
    ExportIo io;
    io.sync = [](int) {
        errno = EIO;
        return -1;
    };
    const auto result = WriteExportFile(m_target, {"new"}, ExportMode::Tab, io);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error, EIO);
    EXPECT_EQ(ReadFile(m_target), "old\n");
    EXPECT_EQ(Entries(m_dir), std::set<std::string>{"out.txt"});
}

// A file size limit makes the kernel refuse the write itself, as a full disk would.
TEST_F(ExportFile, FileSizeLimitFailsWithTheOldFileIntact)
{
    WriteFile(m_target, "old\n");
    const std::vector<std::string> lines(5000, std::string(100, 'q'));
    const int code = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return Fail("setrlimit");
        const auto result = WriteExportFile(m_target, lines, ExportMode::Tab);
        if (result)
            return Fail("write succeeded");
        if (result.error != EFBIG)
            return Fail(result.reason.c_str());
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFile(m_target), "old\n");
    EXPECT_EQ(Entries(m_dir), std::set<std::string>{"out.txt"});
}

TEST_F(ExportFile, FullDiskFailsWithTheOldFileIntact)
{
    const std::vector<std::string> lines(5000, std::string(100, 'q'));
    const int code = RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", m_dir.c_str(), "tmpfs", 0, "size=64k") != 0)
            return 77;
        WriteFile(m_target, "old\n");
        const auto result = WriteExportFile(m_target, lines, ExportMode::Tab);
        if (result)
            return Fail("write succeeded");
        if (result.error != ENOSPC)
            return Fail(result.reason.c_str());
        if (ReadFile(m_target) != "old\n")
            return Fail("old file changed");
        if (Entries(m_dir) != std::set<std::string>{"out.txt"})
            return Fail("temporary file left");
        return 0;
    });
    if (code == 77)
        GTEST_SKIP() << "needs a private mount namespace (root)";
    EXPECT_EQ(code, 0);
}

}  // namespace
