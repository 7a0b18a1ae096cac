// Helpers for the owner-walk tests: scratch trees, a walk with dropped privileges,
// and a plain recursive reference walk that gives the expected owners and order.
#pragma once

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/files/owner_walk.h"

namespace files {

inline const char* KindName(OwnerKind kind)
{
    switch (kind) {
    case OwnerKind::Name:
        return "Name";
    case OwnerKind::DirlistDenied:
        return "DirlistDenied";
    case OwnerKind::AccessDenied:
        return "AccessDenied";
    case OwnerKind::ErrorNumber:
        return "ErrorNumber";
    case OwnerKind::Unknown:
        return "Unknown";
    case OwnerKind::NullSid:
        return "NullSid";
    case OwnerKind::AccountDeleted:
        return "AccountDeleted";
    }
    return "?";
}

inline void PrintTo(const Owner& owner, std::ostream* out)
{
    *out << KindName(owner.kind);
    if (owner.kind == OwnerKind::Name)
        *out << "(" << owner.name << ")";
    if (owner.kind == OwnerKind::ErrorNumber)
        *out << "(" << owner.error << ")";
}

inline void PrintTo(const OwnerTotal& total, std::ostream* out)
{
    PrintTo(total.owner, out);
    *out << "=" << total.bytes;
}

}  // namespace files

namespace files_test {

using files::Owner;
using files::OwnerKind;
using files::OwnerTotal;
using files::WalkResult;

inline constexpr uid_t kNobody = 65534;

inline bool IsRoot()
{
    return geteuid() == 0;
}

inline Owner NameOwner(const std::string& name)
{
    return {OwnerKind::Name, name, 0};
}
inline Owner KindOwner(OwnerKind kind, int error = 0)
{
    return {kind, {}, error};
}

// The owner the account database gives for `uid`, looked up independently of the walk.
inline Owner OwnerOfUid(uid_t uid)
{
    errno = 0;
    const passwd* entry = getpwuid(uid);
    if (entry)
        return NameOwner(entry->pw_name);
    return KindOwner(OwnerKind::AccountDeleted);
}

// A uid the account database doesn't know, at or above `from`.
inline uid_t UnusedUid(uid_t from)
{
    for (uid_t uid = from;; ++uid)
        if (!getpwuid(uid))
            return uid;
}

inline void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what + ": " + std::strerror(errno));
}

// A scratch directory, readable by everyone so that a walk without privileges reaches
// it; removed with everything below it.
class TempTree {
public:
    TempTree()
    {
        std::string pattern = BaseDir() + "/vellox-files-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back(0);
        Check(mkdtemp(buffer.data()) != nullptr, "mkdtemp");
        m_path = buffer.data();
        Check(chmod(m_path.c_str(), 0755) == 0, "chmod");
    }
    ~TempTree()
    {
        // Modes first, so that a tree made unreadable on purpose can be removed too.
        std::string command = "chmod -R u+rwx '" + m_path + "' 2>/dev/null; rm -rf '" + m_path + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", m_path.c_str());
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

private:
    // $TMPDIR when set; else memory-backed /dev/shm, where making and removing large
    // trees is quick; else /tmp.
    static std::string BaseDir()
    {
        const char* base = std::getenv("TMPDIR");
        if (base && *base)
            return base;
        if (access("/dev/shm", W_OK | X_OK) == 0)
            return "/dev/shm";
        return "/tmp";
    }

    std::string m_path;
};

inline void MakeDir(const std::string& path, mode_t mode = 0755)
{
    Check(mkdir(path.c_str(), mode) == 0 || errno == EEXIST, "mkdir " + path);
    Check(chmod(path.c_str(), mode) == 0, "chmod " + path);
}

// A file of logical size `size` (sparse), owned by `uid` when running as root.
inline void MakeFileAt(int dirFd, const std::string& name, std::uint64_t size, uid_t uid = -1)
{
    int fd = openat(dirFd, name.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    Check(fd >= 0, "create " + name);
    Check(size == 0 || ftruncate(fd, static_cast<off_t>(size)) == 0, "truncate " + name);
    if (uid != static_cast<uid_t>(-1) && IsRoot())
        Check(fchown(fd, uid, 0) == 0, "chown " + name);
    close(fd);
}

inline void MakeFile(const std::string& path, std::uint64_t size, uid_t uid = -1)
{
    MakeFileAt(AT_FDCWD, path, size, uid);
}

inline WalkResult Walk(const std::string& root, unsigned threads = 1)
{
    std::atomic<bool> stop{false};
    files::WalkOptions options;
    options.threads = threads;
    return files::WalkOwners(root, options, stop);
}

inline std::string Serialize(const WalkResult& result)
{
    std::ostringstream out;
    out << result.stopped << ' ' << result.files << ' ' << result.directories << '\n';
    for (const OwnerTotal& total : result.owners)
        out << static_cast<int>(total.owner.kind) << ' ' << total.owner.error << ' ' << total.bytes << ' '
            << total.owner.name << '\n';
    return out.str();
}

inline WalkResult Deserialize(const std::string& text)
{
    std::istringstream in(text);
    WalkResult result;
    in >> result.stopped >> result.files >> result.directories;
    int kind;
    while (in >> kind) {
        OwnerTotal total;
        total.owner.kind = static_cast<OwnerKind>(kind);
        in >> total.owner.error >> total.bytes;
        in.get();
        std::getline(in, total.owner.name);
        result.owners.push_back(total);
    }
    return result;
}

// Runs `walk` in a child process with `setup` applied first (privileges dropped, a
// descriptor limit, a mount namespace) and hands back the child's result.
inline WalkResult WalkInChild(const std::function<bool()>& setup, const std::function<WalkResult()>& walk)
{
    int pipeFds[2];
    Check(pipe(pipeFds) == 0, "pipe");
    std::fflush(nullptr);
    pid_t child = fork();
    Check(child >= 0, "fork");
    if (child == 0) {
        close(pipeFds[0]);
        std::string text = setup() ? Serialize(walk()) : std::string("setup failed");
        std::size_t done = 0;
        while (done < text.size()) {
            ssize_t n = write(pipeFds[1], text.data() + done, text.size() - done);
            if (n <= 0)
                _exit(2);
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text == "setup failed")
        throw std::runtime_error("walk in child failed: " + text);
    return Deserialize(text);
}

// Root drops to nobody, so permission bits apply; anyone else walks as they are.
inline bool DropToNobody()
{
    if (!IsRoot())
        return true;
    return setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0 &&
           setresuid(kNobody, kNobody, kNobody) == 0;
}

inline WalkResult WalkUnprivileged(const std::string& root, unsigned threads = 1)
{
    return WalkInChild(DropToNobody, [&] { return Walk(root, threads); });
}

// The expected result, by the plainest walk there is: recursion by path, each entry
// in the order the directory lists it, totals added as AddOwnerBytes would.
class ReferenceWalk {
public:
    explicit ReferenceWalk(const std::string& root) { Walk(root); }
    const std::vector<OwnerTotal>& owners() const { return m_owners; }

private:
    void Add(const Owner& owner, std::uint64_t bytes)
    {
        for (OwnerTotal& total : m_owners) {
            if (total.owner == owner) {
                total.bytes += bytes;
                return;
            }
        }
        m_owners.push_back({owner, bytes});
    }
    void Walk(const std::string& dir)
    {
        DIR* stream = opendir(dir.c_str());
        if (!stream) {
            Add(KindOwner(OwnerKind::DirlistDenied), 1);
            return;
        }
        while (dirent* entry = readdir(stream)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "/" + name;
            struct stat st;
            // The listing tells a directory from a file, as a directory listing shows it,
            // even where the entry itself can't be examined.
            if (entry->d_type == DT_DIR)
                Walk(path);
            else if (lstat(path.c_str(), &st) != 0)
                Add(errno == EACCES ? KindOwner(OwnerKind::AccessDenied) : KindOwner(OwnerKind::ErrorNumber, errno), 0);
            else if (S_ISDIR(st.st_mode))
                Walk(path);
            else
                Add(OwnerOfUid(st.st_uid), static_cast<std::uint64_t>(st.st_size));
        }
        closedir(stream);
    }

    std::vector<OwnerTotal> m_owners;
};

// The reference walk's result as nobody sees the tree (see DropToNobody).
inline std::vector<OwnerTotal> ReferenceWalkAs(const std::string& root)
{
    return WalkInChild(DropToNobody,
                       [&] {
                           WalkResult result;
                           result.owners = ReferenceWalk(root).owners();
                           return result;
                       })
        .owners;
}

// A random tree: directories to `depth`, files with owners drawn so that the rarer
// owners first turn up deep down and late, between subdirectories.
struct RandomTreeShape {
    unsigned seed = 1;
    int depth = 5;
    int maxSubdirs = 4;
    int maxFiles = 6;
    std::vector<uid_t> uids;  // the first is common, the others ever rarer
    // When nonzero: per mille of files owned by one of the other uids, drawn evenly, so
    // that every owner is rare and first turns up anywhere in the tree.
    unsigned evenRarePerMille = 0;
};

inline void BuildRandomTree(const std::string& root, const RandomTreeShape& shape)
{
    std::mt19937 random(shape.seed);
    std::function<void(const std::string&, int)> build = [&](const std::string& dir, int level) {
        int files = static_cast<int>(random() % static_cast<unsigned>(shape.maxFiles + 1));
        int subdirs =
            level >= shape.depth ? 0 : static_cast<int>(random() % static_cast<unsigned>(shape.maxSubdirs + 1));
        // Entries are made in a random mix, so that file systems that list in creation
        // order (or its reverse) still interleave files and subdirectories.
        std::vector<int> order;
        for (int i = 0; i < files; ++i)
            order.push_back(i);
        for (int i = 0; i < subdirs; ++i)
            order.push_back(-1 - i);
        std::shuffle(order.begin(), order.end(), random);
        int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        Check(dirFd >= 0, "open " + dir);
        for (int entry : order) {
            if (entry < 0) {
                MakeDir(dir + "/d" + std::to_string(-1 - entry));
                continue;
            }
            std::size_t pick = 0;
            if (shape.evenRarePerMille == 0) {
                while (pick + 1 < shape.uids.size() && random() % 3 == 0)
                    ++pick;
            } else if (shape.uids.size() > 1 && random() % 1000 < shape.evenRarePerMille) {
                pick = 1 + random() % (shape.uids.size() - 1);
            }
            uid_t uid = shape.uids.empty() ? static_cast<uid_t>(-1) : shape.uids[pick];
            MakeFileAt(dirFd, "f" + std::to_string(entry), random() % 5000, uid);
        }
        close(dirFd);
        for (int i = 0; i < subdirs; ++i)
            build(dir + "/d" + std::to_string(i), level + 1);
    };
    build(root, 0);
}

// Every account of the database with a distinct name, by uid, at most `limit`.
inline std::vector<uid_t> AllAccountUids(std::size_t limit)
{
    std::vector<uid_t> uids;
    setpwent();
    while (const passwd* entry = getpwent())
        uids.push_back(entry->pw_uid);
    endpwent();
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    if (uids.size() > limit)
        uids.resize(limit);
    return uids;
}

// Accounts present on every Debian system, in a fixed order, plus one without account.
inline std::vector<uid_t> TestUids()
{
    std::vector<uid_t> uids;
    for (uid_t uid : {0u, 1u, 2u, 3u, 65534u})
        if (getpwuid(uid))
            uids.push_back(uid);
    uids.push_back(UnusedUid(47000));
    return uids;
}

}  // namespace files_test
