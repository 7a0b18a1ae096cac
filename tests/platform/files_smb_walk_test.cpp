// The SMB owner walk over a share held in memory, the descriptor-text and URL rules,
// and the libsmbclient path against a server that isn't there.
#include <chrono>
#include <map>
#include <random>

#include "files_test_support.h"
#include "platform/files/smb_walk.h"

namespace files_test {
namespace {

using files::DescriptorOwner;
using files::OwnerFromDescriptorText;
using files::detail::SmbEntry;
using ::testing::ElementsAre;

// --- Descriptor texts

TEST(FilesSmbText, OwnerIsTheNameAfterTheDomain)
{
    EXPECT_EQ(OwnerFromDescriptorText("VELLOX\\Domain Admins").owner, NameOwner("Domain Admins"));
    EXPECT_EQ(OwnerFromDescriptorText("BUILTIN\\Administrators").owner, NameOwner("Administrators"));
    EXPECT_EQ(OwnerFromDescriptorText("Everyone").owner, NameOwner("Everyone"));
    EXPECT_EQ(OwnerFromDescriptorText("VELLOX\\J\xC3\xBCrgen").owner, NameOwner("J\xC3\xBCrgen"));
}

TEST(FilesSmbText, MissingOwnerAndBareSid)
{
    DescriptorOwner none = OwnerFromDescriptorText("");
    EXPECT_TRUE(none.valid);
    EXPECT_EQ(none.owner.kind, OwnerKind::Unknown);
    EXPECT_EQ(OwnerFromDescriptorText("S-1-5-21-3623811015-3361044348-30300820-1013").owner.kind, OwnerKind::NullSid);
    EXPECT_EQ(OwnerFromDescriptorText("S-1-22-1-1000").owner.kind, OwnerKind::NullSid);
    // Names that merely look a little like a SID stay names.
    EXPECT_EQ(OwnerFromDescriptorText("S-1-").owner, NameOwner("S-1-"));
    EXPECT_EQ(OwnerFromDescriptorText("S-team").owner, NameOwner("S-team"));
}

TEST(FilesSmbText, TextThatCannotBeParsed)
{
    for (std::string_view bad :
         {std::string_view("VELLOX\\"), std::string_view("\xC3"), std::string_view("DOM\\\xFF\xFE"),
          std::string_view("\xED\xA0\x80"), std::string_view("\xC0\xAF")}) {
        DescriptorOwner parsed = OwnerFromDescriptorText(bad);
        EXPECT_FALSE(parsed.valid) << ::testing::PrintToString(std::string(bad));
        EXPECT_EQ(parsed.owner.kind, OwnerKind::Unknown);
    }
}

// --- Roots and URLs

TEST(FilesSmbUrl, RootsAreRecognised)
{
    EXPECT_TRUE(files::IsSmbRoot("\\\\dc1\\share\\"));
    EXPECT_TRUE(files::IsSmbRoot("smb://dc1/share/"));
    EXPECT_TRUE(files::IsSmbRoot("SMB://dc1/share/"));
    EXPECT_FALSE(files::IsSmbRoot("/home/"));
    EXPECT_FALSE(files::IsSmbRoot("smb:/dc1"));
    EXPECT_FALSE(files::IsSmbRoot("\\dc1\\share"));
    EXPECT_FALSE(files::IsSmbRoot(""));
}

TEST(FilesSmbUrl, BackslashRootsBecomeEncodedUrls)
{
    EXPECT_EQ(files::SmbUrlFromRoot("\\\\dc1\\share\\dir\\"), "smb://dc1/share/dir/");
    EXPECT_EQ(files::SmbUrlFromRoot("\\\\dc1\\share"), "smb://dc1/share/");
    EXPECT_EQ(files::SmbUrlFromRoot("\\\\192.0.2.10\\Data Files\\50% off\\"),
              "smb://192.0.2.10/Data%20Files/50%25%20off/");
    EXPECT_EQ(files::SmbUrlFromRoot("\\\\dc1\\a?b#c\\"), "smb://dc1/a%3Fb%23c/");
    EXPECT_EQ(files::SmbUrlFromRoot("\\\\dc1\\share\\\\twice\\"), "smb://dc1/share/twice/");
    EXPECT_EQ(files::SmbUrlFromRoot("smb://dc1/share/dir"), "smb://dc1/share/dir/");
    EXPECT_EQ(files::SmbUrlFromRoot("SMB://dc1/share/"), "smb://dc1/share/");
    EXPECT_EQ(files::EncodeUrlComponent("caf\xC3\xA9 a/b"), "caf%C3%A9%20a%2Fb");
}

// --- The walk over a share in memory

struct FakeFile {
    std::string name;
    std::uint64_t size = 0;
    std::string owner;  // the descriptor text
    int error = 0;      // nonzero: reading the owner fails with this
};

class FakeShare : public files::detail::SmbClient {
public:
    // Directories by URL; each entry is a file or (size ~0) a subdirectory.
    void AddDir(const std::string& url) { m_dirs[url]; }
    void AddFile(const std::string& dir, FakeFile file)
    {
        m_dirs[dir].push_back({file.name, false, file.size});
        m_files[dir + files::EncodeUrlComponent(file.name)] = file;
    }
    void AddSubdir(const std::string& dir, const std::string& name)
    {
        m_dirs[dir].push_back({name, true, 0});
        AddDir(dir + files::EncodeUrlComponent(name) + "/");
    }
    void Deny(const std::string& url) { m_denied.insert({url, true}); }

    bool List(const std::string& url, std::vector<SmbEntry>& entries, int& error) override
    {
        listed.push_back(url);
        auto it = m_dirs.find(url);
        if (it == m_dirs.end() || m_denied.count(url)) {
            error = it == m_dirs.end() ? ENOENT : EACCES;
            return false;
        }
        entries = it->second;
        return true;
    }
    // The owner's SID: a SID stays itself, no owner is empty, a text the server would
    // garble comes back as that text; every other owner text has a SID of its own.
    bool OwnerSid(const std::string& url, std::string& sid, int& error) override
    {
        std::lock_guard lock(m_mutex);
        queried.push_back(url);
        if (afterQuery)
            afterQuery();
        const FakeFile* file = Find(url, error);
        if (!file)
            return false;
        sid = SidOf(file->owner);
        return true;
    }
    // What the owner's SID is named ("DOMAIN\name"); counted in `named`.
    bool OwnerText(const std::string& url, std::string& text, int& error) override
    {
        std::lock_guard lock(m_mutex);
        named.push_back(url);
        const FakeFile* file = Find(url, error);
        if (!file)
            return false;
        text = file->owner;
        return true;
    }
    static std::string SidOf(const std::string& owner)
    {
        if (owner.empty() || files::LooksLikeSid(owner) || !OwnerFromDescriptorText(owner).valid)
            return owner;
        std::size_t hash = std::hash<std::string>()(owner) % 1000000;
        return "S-1-5-21-7-7-7-" + std::to_string(hash + 1000);
    }

    // The expected totals: recursion in listing order, owners added as they come.
    std::vector<OwnerTotal> Reference(const std::string& url) const
    {
        std::vector<OwnerTotal> totals;
        auto add = [&](const Owner& owner, std::uint64_t bytes) {
            for (OwnerTotal& total : totals)
                if (total.owner == owner)
                    return void(total.bytes += bytes);
            totals.push_back({owner, bytes});
        };
        std::function<void(const std::string&)> walk = [&](const std::string& dir) {
            auto it = m_dirs.find(dir);
            if (it == m_dirs.end() || m_denied.count(dir))
                return add(KindOwner(OwnerKind::DirlistDenied), 1);
            for (const SmbEntry& entry : it->second) {
                std::string child = dir + files::EncodeUrlComponent(entry.name);
                if (entry.directory) {
                    walk(child + "/");
                    continue;
                }
                const FakeFile& file = m_files.at(child);
                if (file.error == EACCES)
                    add(KindOwner(OwnerKind::AccessDenied), file.size);
                else if (file.error)
                    add(KindOwner(OwnerKind::ErrorNumber, file.error), file.size);
                else
                    add(OwnerFromDescriptorText(file.owner).owner, file.size);
            }
        };
        walk(url);
        return totals;
    }

    std::vector<std::string> listed;
    std::vector<std::string> queried;
    std::vector<std::string> named;
    std::function<void()> afterQuery;

private:
    const FakeFile* Find(const std::string& url, int& error) const
    {
        auto it = m_files.find(url);
        if (it == m_files.end()) {
            error = ENOENT;
            return nullptr;
        }
        if (it->second.error) {
            error = it->second.error;
            return nullptr;
        }
        return &it->second;
    }

    std::mutex m_mutex;
    std::map<std::string, std::vector<SmbEntry>> m_dirs;
    std::map<std::string, FakeFile> m_files;
    std::map<std::string, bool> m_denied;
};

const std::string kRoot = "smb://dc1/share/top/";

// Another connection to the same share, for a helper thread of the walk.
class FakeConnection : public files::detail::SmbClient {
public:
    explicit FakeConnection(FakeShare& share) : m_share(share) { }
    bool List(const std::string& url, std::vector<SmbEntry>& entries, int& error) override
    {
        return m_share.List(url, entries, error);
    }
    bool OwnerSid(const std::string& url, std::string& sid, int& error) override
    {
        ++queries;
        return m_share.OwnerSid(url, sid, error);
    }
    bool OwnerText(const std::string& url, std::string& text, int& error) override
    {
        return m_share.OwnerText(url, text, error);
    }
    std::atomic<int> queries{0};

private:
    FakeShare& m_share;
};

WalkResult WalkFake(FakeShare& share, const files::WalkOptions& options = {},
                    const std::atomic<bool>* stopMark = nullptr, unsigned connections = 1,
                    std::vector<FakeConnection*>* made = nullptr)
{
    static const std::atomic<bool> never{false};
    auto more = [&share, made]() -> std::unique_ptr<files::detail::SmbClient> {
        auto connection = std::make_unique<FakeConnection>(share);
        if (made)
            made->push_back(connection.get());
        return connection;
    };
    return files::detail::WalkSmbTree(kRoot, share, options, stopMark ? *stopMark : never, connections, more);
}

TEST(FilesSmbWalk, OwnersFromDescriptorsSummedInOrderFirstMet)
{
    FakeShare share;
    share.AddDir(kRoot);
    share.AddFile(kRoot, {"a.txt", 100, "VELLOX\\alice"});
    share.AddSubdir(kRoot, "sub");
    share.AddFile(kRoot, {"b.txt", 5, "VELLOX\\carol"});  // after sub: after sub's owners
    share.AddFile(kRoot + "sub/", {"c.txt", 40, "OTHER\\bob"});
    share.AddFile(kRoot + "sub/", {"d.txt", 2, "OTHER\\alice"});  // same name, other domain
    share.AddFile(kRoot, {"e.txt", 7, ""});
    share.AddFile(kRoot, {"f.txt", 9, "S-1-5-21-1-2-3-1105"});
    share.AddFile(kRoot, {"g.txt", 11, "", EACCES});
    share.AddFile(kRoot, {"h.txt", 13, "", ENOENT});
    share.AddFile(kRoot, {"i.txt", 1, "VELLOX\\bob"});
    WalkResult result = WalkFake(share);
    EXPECT_THAT(result.owners,
                ElementsAre(OwnerTotal{NameOwner("alice"), 102}, OwnerTotal{NameOwner("bob"), 41},
                            OwnerTotal{NameOwner("carol"), 5}, OwnerTotal{KindOwner(OwnerKind::Unknown), 7},
                            OwnerTotal{KindOwner(OwnerKind::NullSid), 9},
                            OwnerTotal{KindOwner(OwnerKind::AccessDenied), 11},
                            OwnerTotal{KindOwner(OwnerKind::ErrorNumber, ENOENT), 13}));
    EXPECT_EQ(result.files, 9u);
    EXPECT_EQ(result.directories, 2u);
}

TEST(FilesSmbWalk, FoldersThatCannotBeListedCountOnceEach)
{
    FakeShare share;
    share.AddDir(kRoot);
    share.AddSubdir(kRoot, "open");
    share.AddSubdir(kRoot, "closed");
    share.AddSubdir(kRoot + "open/", "closed too");
    share.AddFile(kRoot + "open/", {"x", 3, "D\\u"});
    share.Deny(kRoot + "closed/");
    share.Deny(kRoot + "open/closed%20too/");
    EXPECT_THAT(WalkFake(share).owners,
                ElementsAre(OwnerTotal{KindOwner(OwnerKind::DirlistDenied), 2}, OwnerTotal{NameOwner("u"), 3}));
}

TEST(FilesSmbWalk, RootThatCannotBeListed)
{
    FakeShare share;
    WalkResult result = WalkFake(share);
    EXPECT_THAT(result.owners, ElementsAre(OwnerTotal{KindOwner(OwnerKind::DirlistDenied), 1}));
    EXPECT_EQ(result.directories, 0u);
}

TEST(FilesSmbWalk, NamesAreEncodedInUrls)
{
    FakeShare share;
    share.AddDir(kRoot);
    share.AddSubdir(kRoot, "sub dir");
    share.AddFile(kRoot + "sub%20dir/", {"100% sure?.txt", 1, "D\\u"});
    WalkFake(share);
    EXPECT_THAT(share.listed, ElementsAre(kRoot, kRoot + "sub%20dir/"));
    EXPECT_THAT(share.queried, ElementsAre(kRoot + "sub%20dir/100%25%20sure%3F.txt"));
}

TEST(FilesSmbWalk, InvalidDescriptorIsReportedForEachFileAndCountedUnknown)
{
    FakeShare share;
    share.AddDir(kRoot);
    share.AddFile(kRoot, {"bad1", 10, "DOM\\"});
    share.AddFile(kRoot, {"good", 1, "DOM\\u"});
    share.AddFile(kRoot, {"bad2", 20, "DOM\\"});
    std::vector<std::string> reported;
    files::WalkOptions options;
    options.onInvalidDescriptor = [&](const std::string& url) { reported.push_back(url); };
    WalkResult result = WalkFake(share, options);
    EXPECT_THAT(reported, ElementsAre(kRoot + "bad1", kRoot + "bad2"));
    EXPECT_THAT(result.owners,
                ElementsAre(OwnerTotal{KindOwner(OwnerKind::Unknown), 30}, OwnerTotal{NameOwner("u"), 1}));
    // Without a callback the walk goes on the same way.
    EXPECT_EQ(WalkFake(share).owners, result.owners);
}

TEST(FilesSmbWalk, StopEndsTheWalkAtTheNextEntry)
{
    FakeShare share;
    share.AddDir(kRoot);
    for (int i = 0; i < 50; ++i)
        share.AddFile(kRoot, {"f" + std::to_string(i), 1, "D\\u"});
    share.AddSubdir(kRoot, "never");
    std::atomic<bool> stop{false};
    share.afterQuery = [&] {
        if (share.queried.size() == 3)
            stop = true;
    };
    WalkResult result = WalkFake(share, {}, &stop);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(share.queried.size(), 3u);
    EXPECT_THAT(share.listed, ElementsAre(kRoot));
}

TEST(FilesSmbWalk, OrderMatchesAPlainRecursiveWalk)
{
    const std::vector<std::string> owners = {"D\\common", "D\\second", "E\\third", "", "S-1-5-21-9-9-9-500", "D\\rare"};
    for (unsigned seed = 1; seed <= 40; ++seed) {
        FakeShare share;
        std::mt19937 random(seed);
        share.AddDir(kRoot);
        std::function<void(const std::string&, int)> build = [&](const std::string& dir, int level) {
            int entries = static_cast<int>(random() % 8);
            for (int i = 0; i < entries; ++i) {
                std::string name = "e" + std::to_string(i);
                if (level < 4 && random() % 3 == 0) {
                    share.AddSubdir(dir, name);
                    std::string sub = dir + name + "/";
                    if (random() % 10 == 0)
                        share.Deny(sub);
                    build(sub, level + 1);
                } else {
                    std::size_t pick = 0;
                    while (pick + 1 < owners.size() && random() % 3 == 0)
                        ++pick;
                    int error = random() % 15 == 0 ? EACCES : 0;
                    share.AddFile(dir, {name, random() % 1000, owners[pick], error});
                }
            }
        };
        build(kRoot, 0);
        EXPECT_EQ(WalkFake(share).owners, share.Reference(kRoot)) << "seed " << seed;
    }
}

TEST(FilesSmbWalk, EachSidIsNamedOnceAfterTheWalk)
{
    FakeShare share;
    share.AddDir(kRoot);
    const std::vector<std::string> owners = {"D\\one", "D\\two", "E\\three"};
    for (int d = 0; d < 4; ++d) {
        std::string dir = kRoot + "d" + std::to_string(d) + "/";
        share.AddSubdir(kRoot, "d" + std::to_string(d));
        for (int f = 0; f < 30; ++f)
            share.AddFile(dir, {"f" + std::to_string(f), static_cast<std::uint64_t>(f), owners[(d + f) % 3]});
    }
    WalkResult result = WalkFake(share);
    EXPECT_EQ(share.queried.size(), 120u);  // one owner query per file
    EXPECT_EQ(share.named.size(), 3u);      // one name lookup per distinct owner
    EXPECT_EQ(result.owners, share.Reference(kRoot));
}

// Two SIDs that no lookup names are one NullSid owner, where the first of them stood;
// one account name from two domains is one owner.
TEST(FilesSmbWalk, OwnersThatAreNamedAlikeAreMergedWhereTheFirstStood)
{
    FakeShare share;
    share.AddDir(kRoot);
    share.AddFile(kRoot, {"a", 1, "S-1-5-21-1-2-3-1001"});
    share.AddFile(kRoot, {"b", 2, "D\\x"});
    share.AddFile(kRoot, {"c", 4, "S-1-5-21-1-2-3-1002"});
    share.AddFile(kRoot, {"d", 8, "E\\x"});
    share.AddFile(kRoot, {"e", 16, "D\\y"});
    EXPECT_THAT(WalkFake(share).owners, ElementsAre(OwnerTotal{KindOwner(OwnerKind::NullSid), 5},
                                                    OwnerTotal{NameOwner("x"), 10}, OwnerTotal{NameOwner("y"), 16}));
}

TEST(FilesSmbWalk, SeveralConnectionsGiveTheOneConnectionResult)
{
    const std::vector<std::string> owners = {"D\\common",          "D\\second", "E\\third", "",
                                             "S-1-5-21-9-9-9-500", "D\\rare",   "DOM\\"};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        FakeShare share;
        std::mt19937 random(seed);
        share.AddDir(kRoot);
        std::size_t files = 0;
        std::function<void(const std::string&, int)> build = [&](const std::string& dir, int level) {
            int entries = static_cast<int>(random() % 40);
            for (int i = 0; i < entries; ++i) {
                std::string name = "e" + std::to_string(i);
                if (level < 3 && random() % 8 == 0) {
                    share.AddSubdir(dir, name);
                    build(dir + name + "/", level + 1);
                } else {
                    std::size_t pick = 0;
                    while (pick + 1 < owners.size() && random() % 3 == 0)
                        ++pick;
                    int error = random() % 15 == 0 ? EACCES : 0;
                    share.AddFile(dir, {name, random() % 1000, owners[pick], error});
                    ++files;
                }
            }
        };
        build(kRoot, 0);
        std::vector<FakeConnection*> made;
        WalkResult result = WalkFake(share, {}, nullptr, 3, &made);
        EXPECT_EQ(result.owners, share.Reference(kRoot)) << "seed " << seed;
        EXPECT_EQ(result.files, files);
        EXPECT_EQ(share.queried.size(), files) << "each file's owner is read once";
        EXPECT_EQ(made.size(), 2u);
    }
}

TEST(FilesSmbWalk, StopEndsAWalkOverSeveralConnections)
{
    FakeShare share;
    share.AddDir(kRoot);
    for (int i = 0; i < 500; ++i)
        share.AddFile(kRoot, {"f" + std::to_string(i), 1, "D\\u"});
    share.AddSubdir(kRoot, "never");
    std::atomic<bool> stop{false};
    share.afterQuery = [&] {
        if (share.queried.size() == 10)
            stop = true;
    };
    WalkResult result = WalkFake(share, {}, &stop, 4);
    EXPECT_TRUE(result.stopped);
    EXPECT_LT(share.queried.size(), 20u);  // each connection ends after its query under way
    EXPECT_THAT(share.listed, ElementsAre(kRoot));
}

// --- libsmbclient

TEST(FilesSmbWalk, ServerThatIsNotThereIsOneDeniedListing)
{
    // Nothing listens on the loopback's SMB ports here, so the connection is refused.
    files::WalkOptions options;
    options.credentials = {"nobody", "WORKGROUP", "wrong"};
    std::atomic<bool> stop{false};
    auto started = std::chrono::steady_clock::now();
    WalkResult result = files::WalkOwners("\\\\127.0.0.1\\share\\dir\\", options, stop);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_THAT(result.owners, ElementsAre(OwnerTotal{KindOwner(OwnerKind::DirlistDenied), 1}));
}

}  // namespace
}  // namespace files_test
