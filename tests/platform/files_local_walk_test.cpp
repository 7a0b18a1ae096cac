// The local owner walk: what is counted, under which owner, in which order, and that
// depth, loops, denials and Stop are handled.
#include <array>
#include <chrono>
#include <future>
#include <thread>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include "files_test_support.h"
#include "platform/files/local_walk.h"

namespace files_test {
namespace {

using ::testing::ElementsAre;

Owner Me()
{
    return OwnerOfUid(geteuid());
}

// --- What counts and how much

TEST(FilesLocalWalk, EmptyRootHasNoOwners)
{
    TempTree tree;
    WalkResult result = Walk(tree.path());
    EXPECT_TRUE(result.owners.empty());
    EXPECT_EQ(result.files, 0u);
    EXPECT_EQ(result.directories, 1u);
    EXPECT_FALSE(result.stopped);
}

TEST(FilesLocalWalk, FilesOfOneOwnerInDifferentFoldersGiveOneSum)
{
    TempTree tree;
    MakeDir(tree / "a");
    MakeDir(tree / "b");
    MakeDir(tree / "b/c");
    MakeFile(tree / "a/one", 1000);
    MakeFile(tree / "b/c/two", 234);
    MakeFile(tree / "three", 1);
    WalkResult result = Walk(tree.path());
    EXPECT_THAT(result.owners, ElementsAre(OwnerTotal{Me(), 1235}));
    EXPECT_EQ(result.files, 3u);
    EXPECT_EQ(result.directories, 4u);
}

TEST(FilesLocalWalk, HiddenAndReadOnlyFoldersAreWalked)
{
    TempTree tree;
    MakeDir(tree / ".hidden");
    MakeFile(tree / ".hidden/.secret", 10);
    MakeDir(tree / "readonly");
    MakeFile(tree / "readonly/kept", 20);
    MakeDir(tree / "readonly/inner");
    MakeFile(tree / "readonly/inner/deep", 30);
    chmod((tree / "readonly/inner").c_str(), 0555);
    chmod((tree / "readonly").c_str(), 0555);
    EXPECT_THAT(Walk(tree.path()).owners, ElementsAre(OwnerTotal{Me(), 60}));
    // Read-only means listable to anyone, also without privileges.
    EXPECT_THAT(WalkUnprivileged(tree.path()).owners, ElementsAre(OwnerTotal{Me(), 60}));
}

TEST(FilesLocalWalk, SparseFileCountsItsLogicalSize)
{
    TempTree tree;
    constexpr std::uint64_t kFiveGiB = 5ull << 30;
    MakeFile(tree / "sparse", kFiveGiB);
    MakeFile(tree / "small", 3);
    WalkResult result = Walk(tree.path());
    ASSERT_EQ(result.owners.size(), 1u);
    EXPECT_EQ(result.owners[0].bytes, kFiveGiB + 3);
}

TEST(FilesLocalWalk, EveryHardLinkCountsAsItsOwnEntry)
{
    TempTree tree;
    MakeFile(tree / "original", 700);
    MakeDir(tree / "other");
    ASSERT_EQ(link((tree / "original").c_str(), (tree / "other/second").c_str()), 0);
    WalkResult result = Walk(tree.path());
    EXPECT_THAT(result.owners, ElementsAre(OwnerTotal{Me(), 1400}));
    EXPECT_EQ(result.files, 2u);
}

TEST(FilesLocalWalk, SymlinksCountAsFilesAndAreNeverFollowed)
{
    TempTree tree;
    MakeDir(tree / "sub");
    MakeFile(tree / "sub/big", 100000);
    ASSERT_EQ(symlink(".", (tree / "sub/self").c_str()), 0);     // 1-byte target
    ASSERT_EQ(symlink("..", (tree / "sub/up").c_str()), 0);      // 2-byte target
    ASSERT_EQ(symlink("big", (tree / "sub/tobig").c_str()), 0);  // 3-byte target
    ASSERT_EQ(symlink(tree.path().c_str(), (tree / "sub/abs").c_str()), 0);
    ASSERT_EQ(symlink("loop2", (tree / "loop1").c_str()), 0);  // a loop of links
    ASSERT_EQ(symlink("loop1", (tree / "loop2").c_str()), 0);
    WalkResult result = Walk(tree.path());
    std::uint64_t links = 1 + 2 + 3 + tree.path().size() + 5 + 5;
    EXPECT_THAT(result.owners, ElementsAre(OwnerTotal{Me(), 100000 + links}));
    EXPECT_EQ(result.files, 7u);
    EXPECT_EQ(result.directories, 2u);
}

TEST(FilesLocalWalk, RootThatDoesNotExistIsOneDeniedListing)
{
    TempTree tree;
    WalkResult result = Walk(tree / "missing");
    EXPECT_THAT(result.owners, ElementsAre(OwnerTotal{KindOwner(OwnerKind::DirlistDenied), 1}));
    EXPECT_EQ(result.directories, 0u);
    MakeFile(tree / "plain", 5);
    EXPECT_THAT(Walk(tree / "plain").owners, ElementsAre(OwnerTotal{KindOwner(OwnerKind::DirlistDenied), 1}));
    EXPECT_THAT(Walk("").owners, ElementsAre(OwnerTotal{KindOwner(OwnerKind::DirlistDenied), 1}));
}

TEST(FilesLocalWalk, RootGivenThroughSymlinkIsWalked)
{
    TempTree tree;
    MakeDir(tree / "real");
    MakeFile(tree / "real/file", 44);
    ASSERT_EQ(symlink("real", (tree / "alias").c_str()), 0);
    EXPECT_THAT(Walk(tree / "alias").owners, ElementsAre(OwnerTotal{Me(), 44}));
}

// --- Owners that aren't account names

// Root ignores permission bits, so these walks drop to nobody in a child process
// (setgroups/setresgid/setresuid after fork); other users walk as themselves.
TEST(FilesLocalWalk, FolderThatCannotBeListedCountsOncePerFolder)
{
    TempTree tree;
    MakeFile(tree / "visible", 50);
    MakeDir(tree / "closed1");
    MakeFile(tree / "closed1/hidden", 999);
    MakeDir(tree / "closed1/inner");
    MakeDir(tree / "open");
    MakeDir(tree / "open/closed2");
    MakeFile(tree / "open/closed2/hidden", 999);
    MakeFile(tree / "open/seen", 7);
    chmod((tree / "closed1").c_str(), 0);
    chmod((tree / "open/closed2").c_str(), 0);
    WalkResult result = WalkUnprivileged(tree.path());
    EXPECT_EQ(result.owners, ReferenceWalkAs(tree.path()));
    ASSERT_EQ(result.owners.size(), 2u);
    std::uint64_t denied = 0, bytes = 0;
    for (const OwnerTotal& total : result.owners) {
        if (total.owner.kind == OwnerKind::DirlistDenied)
            denied = total.bytes;
        if (total.owner == Me())
            bytes = total.bytes;
    }
    EXPECT_EQ(denied, 2u);
    EXPECT_EQ(bytes, 57u);
}

TEST(FilesLocalWalk, RootThatCannotBeListed)
{
    TempTree tree;
    MakeDir(tree / "closed", 0);
    EXPECT_THAT(WalkUnprivileged(tree / "closed").owners,
                ElementsAre(OwnerTotal{KindOwner(OwnerKind::DirlistDenied), 1}));
}

// A directory that can be read but not searched lists its names, while every entry's
// inode stays out of reach: files are "access denied" with 0 bytes, subdirectories
// can't be listed.
TEST(FilesLocalWalk, FileThatCannotBeExaminedIsAccessDeniedWithoutBytes)
{
    TempTree tree;
    MakeDir(tree / "noexec");
    MakeFile(tree / "noexec/a", 100);
    MakeFile(tree / "noexec/b", 200);
    MakeDir(tree / "noexec/sub");
    MakeFile(tree / "ok", 9);
    chmod((tree / "noexec").c_str(), 0644);
    WalkResult result = WalkUnprivileged(tree.path());
    EXPECT_EQ(result.owners, ReferenceWalkAs(tree.path()));
    std::uint64_t accessDenied = 99, dirlist = 0;
    for (const OwnerTotal& total : result.owners) {
        if (total.owner.kind == OwnerKind::AccessDenied)
            accessDenied = total.bytes;
        if (total.owner.kind == OwnerKind::DirlistDenied)
            dirlist = total.bytes;
    }
    EXPECT_EQ(accessDenied, 0u);
    EXPECT_EQ(dirlist, 1u);
    EXPECT_EQ(result.files, 3u);  // the two unexamined files count as entries
}

TEST(FilesLocalWalk, UidWithoutAccountIsAccountDeleted)
{
    if (!IsRoot())
        GTEST_SKIP() << "chown to a uid without account needs root";
    TempTree tree;
    uid_t gone1 = UnusedUid(47000);
    uid_t gone2 = UnusedUid(gone1 + 1);
    MakeFile(tree / "first", 10, gone1);
    MakeFile(tree / "second", 20, gone2);
    MakeFile(tree / "root", 5, 0);
    WalkResult result = Walk(tree.path());
    ASSERT_EQ(result.owners.size(), 2u) << ::testing::PrintToString(result.owners);
    for (const OwnerTotal& total : result.owners) {
        if (total.owner.kind == OwnerKind::AccountDeleted)
            EXPECT_EQ(total.bytes, 30u);  // two deleted accounts are one owner
        else
            EXPECT_EQ(total, (OwnerTotal{NameOwner("root"), 5}));
    }
}

TEST(FilesLocalWalk, PasswdAnswersMapToOwnerKinds)
{
    using files::detail::OwnerFromPasswdLookup;
    char name[] = "alice";
    char empty[] = "";
    passwd entry{};
    entry.pw_name = name;
    EXPECT_EQ(OwnerFromPasswdLookup(0, &entry), NameOwner("alice"));
    EXPECT_EQ(OwnerFromPasswdLookup(0, nullptr).kind, OwnerKind::AccountDeleted);
    EXPECT_EQ(OwnerFromPasswdLookup(ENOENT, nullptr).kind, OwnerKind::AccountDeleted);
    EXPECT_EQ(OwnerFromPasswdLookup(EIO, nullptr).kind, OwnerKind::NullSid);
    EXPECT_EQ(OwnerFromPasswdLookup(EMFILE, nullptr).kind, OwnerKind::NullSid);
    // An empty name would make an owner line without a name.
    entry.pw_name = empty;
    EXPECT_EQ(OwnerFromPasswdLookup(0, &entry).kind, OwnerKind::NullSid);
}

// --- Order

TEST(FilesLocalWalk, OwnersComeInTheOrderFirstMet)
{
    if (!IsRoot())
        GTEST_SKIP() << "files of several owners need root";
    std::vector<uid_t> uids = TestUids();
    for (unsigned seed = 1; seed <= 6; ++seed) {
        TempTree tree;
        BuildRandomTree(tree.path(), {seed, 5, 4, 6, uids});
        std::vector<OwnerTotal> expected = ReferenceWalk(tree.path()).owners();
        ASSERT_GE(expected.size(), 3u) << "seed " << seed;
        EXPECT_EQ(Walk(tree.path()).owners, expected) << "seed " << seed;
    }
}

// --- Parallel walk

TEST(FilesLocalWalk, ParallelWalkEqualsSequentialWalk)
{
    if (!IsRoot())
        GTEST_SKIP() << "files of several owners need root";
    std::vector<uid_t> uids = TestUids();
    for (unsigned seed = 11; seed <= 13; ++seed) {
        TempTree tree;
        BuildRandomTree(tree.path(), {seed, 6, 4, 6, uids});
        WalkResult sequential = Walk(tree.path());
        EXPECT_EQ(sequential.owners, ReferenceWalk(tree.path()).owners());
        // Steals depend on timing: repeat so that they fall in many places.
        for (int round = 0; round < 8; ++round) {
            for (unsigned threads : {2u, 3u, 4u}) {
                WalkResult parallel = Walk(tree.path(), threads);
                EXPECT_EQ(parallel.owners, sequential.owners) << "seed " << seed << " threads " << threads;
                EXPECT_EQ(parallel.files, sequential.files);
                EXPECT_EQ(parallel.directories, sequential.directories);
            }
        }
    }
}

// Many owners, each first met somewhere else, in a tree wide enough for many steals.
TEST(FilesLocalWalk, ParallelWalkKeepsOrderOfManyOwners)
{
    if (!IsRoot())
        GTEST_SKIP() << "files of several owners need root";
    std::vector<uid_t> uids = AllAccountUids(30);
    uids.push_back(UnusedUid(47000));
    ASSERT_GE(uids.size(), 8u);
    TempTree tree;
    BuildRandomTree(tree.path(), {31, 5, 7, 8, uids, 15});
    WalkResult sequential = Walk(tree.path());
    ASSERT_EQ(sequential.owners, ReferenceWalk(tree.path()).owners());
    ASSERT_GE(sequential.owners.size(), uids.size() / 2);
    for (int round = 0; round < 10; ++round)
        for (unsigned threads : {2u, 4u})
            ASSERT_EQ(Walk(tree.path(), threads).owners, sequential.owners)
                << "round " << round << " threads " << threads;
    // Threads that now and then stall after a listing run out of work at ever other
    // moments and take it from each other at many depths, with owners pending between
    // the subdirectories taken.
    for (unsigned threads : {2u, 3u}) {
        std::atomic<int> steals{0};
        for (unsigned round = 0; round < 12; ++round) {
            std::atomic<unsigned> listings{0};
            files::detail::LocalWalkHooks hooks;
            hooks.afterListing = [&](std::size_t thread) {
                unsigned n = listings++;
                if ((n * 7 + thread * 3 + round) % (5 + round % 4) == 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(100 + 50 * (round % 5)));
            };
            hooks.afterSteal = [&] { ++steals; };
            std::atomic<bool> stop{false};
            ASSERT_EQ(files::detail::WalkLocal(tree.path(), threads, stop, hooks).owners, sequential.owners)
                << "round " << round << " threads " << threads;
        }
        EXPECT_GE(steals.load(), 40) << "threads " << threads;
    }
}

// Every subtree of the root and every file between them has an owner of its own, so
// each handed-over range and each file listed between the subdirectories taken has
// exactly one right place in the order.
TEST(FilesLocalWalk, ParallelWalkPlacesFilesBetweenSubtreesTaken)
{
    if (!IsRoot())
        GTEST_SKIP() << "files of several owners need root";
    std::vector<uid_t> uids = AllAccountUids(30);
    ASSERT_GE(uids.size(), 12u);
    std::size_t subtrees = uids.size() / 2, rootFiles = uids.size() - subtrees;
    TempTree tree;
    for (std::size_t i = 0; i < std::max(subtrees, rootFiles); ++i) {
        if (i < rootFiles)
            MakeFile(tree / ("file" + std::to_string(i)), i + 1, uids[subtrees + i]);
        if (i >= subtrees)
            continue;
        std::string top = tree / ("sub" + std::to_string(i));
        MakeDir(top);
        for (int a = 0; a < 4; ++a) {
            std::string mid = top + "/m" + std::to_string(a);
            MakeDir(mid);
            for (int b = 0; b < 4; ++b) {
                std::string leaf = mid + "/l" + std::to_string(b);
                MakeDir(leaf);
                for (int f = 0; f < 3; ++f)
                    MakeFile(leaf + "/f" + std::to_string(f), 10, uids[i]);
            }
        }
    }
    std::vector<OwnerTotal> expected = ReferenceWalk(tree.path()).owners();
    ASSERT_EQ(expected.size(), uids.size());
    ASSERT_EQ(Walk(tree.path()).owners, expected);
    std::atomic<int> steals{0};
    for (unsigned round = 0; round < 20; ++round) {
        std::atomic<unsigned> listings{0};
        files::detail::LocalWalkHooks hooks;
        hooks.afterListing = [&](std::size_t thread) {
            if ((listings++ + thread + round) % 4 == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(150));
        };
        hooks.afterSteal = [&] { ++steals; };
        std::atomic<bool> stop{false};
        ASSERT_EQ(files::detail::WalkLocal(tree.path(), 2 + round % 2, stop, hooks).owners, expected)
            << "round " << round;
    }
    EXPECT_GE(steals, 20);
}

TEST(FilesLocalWalk, ParallelWalkWithDenialsEqualsSequentialWalk)
{
    TempTree tree;
    std::vector<uid_t> uids = IsRoot() ? TestUids() : std::vector<uid_t>{};
    BuildRandomTree(tree.path(), {21, 5, 4, 4, uids});
    // Close some folders and make some unsearchable.
    std::mt19937 random(5);
    std::function<void(const std::string&)> spoil = [&](const std::string& dir) {
        for (int i = 0; i < 4; ++i) {
            std::string sub = dir + "/d" + std::to_string(i);
            struct stat st;
            if (stat(sub.c_str(), &st) != 0)
                continue;
            spoil(sub);
            unsigned roll = random() % 8;
            if (roll == 0)
                chmod(sub.c_str(), 0);
            if (roll == 1)
                chmod(sub.c_str(), 0644);
        }
    };
    spoil(tree.path());
    WalkResult sequential = WalkUnprivileged(tree.path());
    EXPECT_EQ(sequential.owners, ReferenceWalkAs(tree.path()));
    for (int round = 0; round < 6; ++round)
        EXPECT_EQ(WalkUnprivileged(tree.path(), 2).owners, sequential.owners);
}

// --- Depth and descriptors

// Builds `levels` nested directories named `name` through descriptors (the path is
// far past PATH_MAX), with a file of `levels` bytes at the bottom and a file of one
// byte on every 100th level.
void BuildChain(const std::string& root, int levels, const std::string& name)
{
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Check(fd >= 0, "open");
    for (int level = 1; level <= levels; ++level) {
        Check(mkdirat(fd, name.c_str(), 0755) == 0, "mkdirat");
        int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        Check(next >= 0, "openat");
        close(fd);
        fd = next;
        if (level % 100 == 0)
            MakeFileAt(fd, "marker", 1);
    }
    MakeFileAt(fd, "bottom", static_cast<std::uint64_t>(levels));
    close(fd);
}

bool LimitDescriptors(rlim_t count)
{
    rlimit limit{count, count};
    return setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

TEST(FilesLocalWalk, ChainOf3000DirectoriesIsWalked)
{
    TempTree tree;
    const std::string name = "a-directory-name-of-some-length";
    BuildChain(tree.path(), 3000, name);
    OwnerTotal expected{Me(), 3000 + 30};
    WalkResult result = Walk(tree.path());
    EXPECT_THAT(result.owners, ElementsAre(expected));
    EXPECT_EQ(result.directories, 3001u);
    EXPECT_EQ(result.files, 31u);
    EXPECT_THAT(Walk(tree.path(), 2).owners, ElementsAre(expected));
    // With 40 descriptors for the whole process the walk still reaches the bottom.
    WalkResult limited = WalkInChild([] { return LimitDescriptors(40); }, [&] { return Walk(tree.path(), 2); });
    EXPECT_THAT(limited.owners, ElementsAre(expected));
}

// Deep levels with a second subdirectory: whenever the deep one is walked first, the
// level's descriptor has been closed by the time the second one is due, and the
// level is reopened by name.
TEST(FilesLocalWalk, DeepLevelsAreReopenedByName)
{
    TempTree tree;
    int fd = open(tree.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::uint64_t expected = 0;
    for (int level = 1; level <= 300; ++level) {
        ASSERT_EQ(mkdirat(fd, "deeper", 0755), 0);
        ASSERT_EQ(mkdirat(fd, "side", 0755), 0);
        int side = openat(fd, "side", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        MakeFileAt(side, "file", static_cast<std::uint64_t>(level));
        close(side);
        expected += static_cast<std::uint64_t>(level);
        int next = openat(fd, "deeper", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
    }
    close(fd);
    for (unsigned threads : {1u, 2u}) {
        WalkResult result = Walk(tree.path(), threads);
        EXPECT_THAT(result.owners, ElementsAre(OwnerTotal{Me(), expected}));
        EXPECT_EQ(result.directories, 601u);
        WalkResult limited =
            WalkInChild([] { return LimitDescriptors(30); }, [&] { return Walk(tree.path(), threads); });
        EXPECT_EQ(limited.owners, result.owners);
    }
}

// A bind mount of the root inside itself makes a directory cycle without any link;
// the walk leaves the way back up out instead of going round for ever.
TEST(FilesLocalWalk, MountLoopIsNotWalkedTwice)
{
    if (!IsRoot())
        GTEST_SKIP() << "bind mounts need root";
    TempTree tree;
    MakeFile(tree / "file", 11);
    MakeDir(tree / "sub");
    MakeDir(tree / "sub/loop");
    std::string root = tree.path();
    WalkResult result = WalkInChild(
        [&] {
            return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                   mount(root.c_str(), (root + "/sub/loop").c_str(), nullptr, MS_BIND, nullptr) == 0;
        },
        [&] { return Walk(root, 2); });
    EXPECT_THAT(result.owners, ElementsAre(OwnerTotal{Me(), 11}));
}

// --- Stop

TEST(FilesLocalWalk, StopEndsALargeWalkPromptly)
{
    TempTree tree;
    constexpr int kDirs = 100, kFilesPerDir = 400;
    for (int d = 0; d < kDirs; ++d) {
        std::string dir = tree / ("d" + std::to_string(d));
        MakeDir(dir);
        int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int f = 0; f < kFilesPerDir; ++f)
            MakeFileAt(fd, std::to_string(f), 1);
        close(fd);
    }
    // Once a few folders are listed, every thread that finishes a listing waits until
    // Stop is set: the walk is provably under way and can't end on its own before it.
    // After Stop, a thread may finish the listing it is in, and list nothing more.
    // (bench/latency times Stop against one folder's listing.)
    constexpr unsigned kListingsBeforeStop = 3;
    for (unsigned threads : {1u, 2u}) {
        std::atomic<bool> stop{false};
        std::atomic<unsigned> listings{0};
        std::array<std::atomic<unsigned>, 2> endedAfterStop{};
        std::promise<void> started;
        std::promise<void> stopSet;
        std::shared_future<void> stopSetSeen = stopSet.get_future().share();
        files::detail::LocalWalkHooks hooks;
        hooks.afterListing = [&](std::size_t thread) {
            if (stop)
                ++endedAfterStop.at(thread);
            unsigned n = ++listings;
            if (n == kListingsBeforeStop)
                started.set_value();
            if (n >= kListingsBeforeStop)
                stopSetSeen.wait();
        };
        WalkResult result;
        std::thread walker([&] { result = files::detail::WalkLocal(tree.path(), threads, stop, hooks); });
        started.get_future().wait();
        stop = true;
        stopSet.set_value();
        walker.join();
        EXPECT_TRUE(result.stopped);
        EXPECT_GE(result.directories, kListingsBeforeStop) << "threads " << threads;
        EXPECT_LT(result.files, static_cast<std::uint64_t>(kDirs * kFilesPerDir)) << "threads " << threads;
        for (unsigned t = 0; t < threads; ++t)
            EXPECT_LE(endedAfterStop[t], 1u) << "thread " << t << " of " << threads << " went on listing after Stop";
    }
}

TEST(FilesLocalWalk, StopSetBeforehandWalksNothingBeyondTheRoot)
{
    TempTree tree;
    MakeDir(tree / "a");
    MakeFile(tree / "a/f", 1);
    std::atomic<bool> stop{true};
    WalkResult result = files::WalkOwners(tree.path(), {}, stop);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.files, 0u);
}

TEST(FilesLocalWalk, SinkGetsEachOwnerOnceInOrder)
{
    TempTree tree;
    MakeFile(tree / "x", 3);
    MakeDir(tree / "a");
    MakeFile(tree / "a/y", 4);
    MakeDir(tree / "closed", 0);
    MakeDir(tree / "b");
    MakeDir(tree / "b/closed", 0);
    std::string root = tree.path();
    WalkResult fromSink = WalkInChild(DropToNobody, [&] {
        WalkResult collected;
        std::atomic<bool> stop{false};
        WalkResult walked = files::WalkOwners(
            root, {},
            [&](const Owner& owner, std::uint64_t bytes) {
                collected.owners.push_back({owner, bytes});
            },
            stop);
        if (walked.owners != collected.owners)
            collected.owners.clear();
        return collected;
    });
    EXPECT_EQ(fromSink.owners, ReferenceWalkAs(root));
    EXPECT_EQ(fromSink.owners.size(), 2u);
}

}  // namespace
}  // namespace files_test
