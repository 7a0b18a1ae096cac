// Local walk: every directory is opened relative to its parent's descriptor and read
// completely before any of its subdirectories is entered, so a thread keeps only the
// names of the subdirectories still to walk per level, and descriptors for its
// deepest few levels. A level whose descriptor was closed is reopened by name from
// the nearest open level above it, checked by device and inode.
//
// With more than one thread, an idle thread takes the second half of the remaining
// subdirectories of the shallowest level of a busy one, as a task of its own. The
// task inherits the owners the busy thread had pending between those subdirectories,
// and the busy thread records a reference to the task where the taken names stood,
// so merging the tasks' orders reproduces the one-thread order exactly.
#include "platform/files/local_walk.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/walk_order.h"

namespace files::detail {

Owner OwnerFromPasswdLookup(int rc, const passwd* found)
{
    if (found) {
        if (found->pw_name && found->pw_name[0])
            return {OwnerKind::Name, found->pw_name, 0};
        return {OwnerKind::NullSid, {}, 0};
    }
    if (rc == 0 || rc == ENOENT || rc == ESRCH)
        return {OwnerKind::AccountDeleted, {}, 0};
    return {OwnerKind::NullSid, {}, 0};
}

namespace {

constexpr std::size_t kOpenLevelsPerThread = 32;

// Open levels each thread may keep: 32, or less when the process's descriptor limit
// is low, so that the threads together use at most a quarter of it.
std::size_t OpenLevelsPerThread(std::size_t threads)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kOpenLevelsPerThread;
    std::size_t share = static_cast<std::size_t>(limit.rlim_cur) / 4 / threads;
    return std::clamp<std::size_t>(share, 2, kOpenLevelsPerThread);
}

constexpr int kOpenDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

Owner LookUpUid(uid_t uid)
{
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 1024 ? static_cast<std::size_t>(hint) : 16384);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        int rc = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return OwnerFromPasswdLookup(rc, found);
    }
}

struct DirId {
    dev_t dev = 0;
    ino_t ino = 0;
    friend bool operator==(const DirId&, const DirId&) = default;
};

bool ReadDirId(int fd, DirId& id)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

// One level of a thread's walk: a directory that has been read completely.
struct Frame {
    DIR* dir = nullptr;   // owns the descriptor; null while closed to save descriptors
    bool pinned = false;  // a task's first level: its descriptor is the task's anchor
    std::string name;     // name in the level above, for reopening
    DirId id;
    std::vector<std::string> subdirs;   // names; stolen tails are cut off
    std::size_t next = 0;               // first subdirectory not yet walked
    std::vector<std::uint32_t> stolen;  // tasks that took tails; the last one comes first
    std::vector<PendingOwner> pending;
    std::size_t pendingNext = 0;

    void Reset()
    {
        if (dir)
            closedir(dir);
        dir = nullptr;
        pinned = false;
        name.clear();
        subdirs.clear();
        next = 0;
        stolen.clear();
        pending.clear();
        pendingNext = 0;
    }
};

// Work one thread hands to another: the tail of one directory's subdirectories.
struct StolenWork {
    int fd = -1;
    DirId id;
    std::vector<std::string> subdirs;
    std::vector<PendingOwner> pending;
    std::vector<DirId> ancestors;
    std::uint32_t task = 0;
};

class Walker;

// Account names by uid, looked up once per walk whatever thread meets the uid.
class UidNames {
public:
    explicit UidNames(OwnerRegistry& registry) : m_registry(registry) { }
    std::uint32_t Id(uid_t uid)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_ids.find(uid);
        if (it != m_ids.end())
            return it->second;
        std::uint32_t id = m_registry.Intern(LookUpUid(uid));
        m_ids.emplace(uid, id);
        return id;
    }

private:
    OwnerRegistry& m_registry;
    std::mutex m_mutex;
    std::unordered_map<uid_t, std::uint32_t> m_ids;
};

struct Shared {
    Shared(const std::atomic<bool>& stopMark, std::size_t threads, const LocalWalkHooks& walkHooks)
        : stop(stopMark), openLevels(OpenLevelsPerThread(threads)), hooks(walkHooks)
    {
    }

    std::uint32_t NewTask()
    {
        std::lock_guard lock(tasksMutex);
        tasks.emplace_back();
        return static_cast<std::uint32_t>(tasks.size() - 1);
    }
    Sequence* TaskSequence(std::uint32_t task)
    {
        std::lock_guard lock(tasksMutex);
        return &tasks[task];
    }
    bool Stopped() const { return stop.load(std::memory_order_relaxed); }

    const std::atomic<bool>& stop;
    const std::size_t openLevels;
    const LocalWalkHooks& hooks;
    OwnerRegistry registry;
    UidNames names{registry};
    std::mutex tasksMutex;
    std::deque<Sequence> tasks;  // elements stay in place while tasks are added
    std::atomic<int> busy{0};    // tasks being walked; 0 means no work is left anywhere
    std::vector<Walker*> walkers;
};

class Walker {
public:
    Walker(Shared& shared, std::size_t index) : m_shared(shared), m_index(index) { }
    ~Walker() { ReleaseFrames(); }
    Walker(const Walker&) = delete;
    Walker& operator=(const Walker&) = delete;

    void WalkRoot(const std::string& root);
    void HelpUntilDone();
    bool GiveWork(StolenWork& work);

    std::vector<std::uint64_t> bytes;
    std::vector<bool> counted;
    std::uint64_t files = 0;
    std::uint64_t directories = 0;

private:
    Frame& Slot(std::size_t level);
    void Install(StolenWork& work);
    void RunTask();
    void List(Frame& frame);
    void Listed()
    {
        if (m_shared.hooks.afterListing)
            m_shared.hooks.afterListing(m_index);
    }
    void Descend(std::size_t parent, const std::string& name);
    void CountReplaced(int parentFd, const std::string& name);
    int LevelFd(std::size_t level);
    int OpenDirAt(int fd, const std::string& name);
    bool CloseShallowest(int keepFd);
    void CloseShallowestLocked(int keepFd);
    bool IsAncestor(const DirId& id) const;
    void ReleaseFrames();

    void CountFile(std::uint32_t id, std::uint64_t size, Frame& frame)
    {
        bytes[id] += size;
        ++files;
        m_order.NoteListed(id, static_cast<std::uint32_t>(frame.subdirs.size()), frame.pending);
    }
    void CountHere(std::uint32_t id, std::uint64_t amount)
    {
        bytes[id] += amount;
        m_order.Emit(id);
    }
    std::uint32_t UidId(uid_t uid);
    std::uint32_t ErrorId(int error);
    std::uint32_t DeniedId();
    std::uint32_t Track(std::uint32_t id);

    Shared& m_shared;
    const std::size_t m_index;
    std::mutex m_mutex;  // guards the visible levels [0, m_depth) against other threads
    std::vector<std::unique_ptr<Frame>> m_frames;
    std::size_t m_depth = 0;
    std::size_t m_open = 0;          // open levels that aren't pinned
    std::vector<DirId> m_inherited;  // directories above this task's first level
    OrderRecorder m_order;

    bool m_haveLastUid = false;
    uid_t m_lastUid = 0;
    std::uint32_t m_lastUidId = 0;
    std::unordered_map<uid_t, std::uint32_t> m_uidIds;
    std::unordered_map<int, std::uint32_t> m_errorIds;
    std::optional<std::uint32_t> m_deniedId;
};

std::uint32_t Walker::Track(std::uint32_t id)
{
    if (id >= bytes.size()) {
        bytes.resize(id + 1, 0);
        counted.resize(id + 1, false);
    }
    counted[id] = true;
    m_order.Reserve(id);
    return id;
}

std::uint32_t Walker::UidId(uid_t uid)
{
    if (m_haveLastUid && uid == m_lastUid)
        return m_lastUidId;
    auto it = m_uidIds.find(uid);
    std::uint32_t id = it != m_uidIds.end() ? it->second : (m_uidIds[uid] = Track(m_shared.names.Id(uid)));
    m_haveLastUid = true;
    m_lastUid = uid;
    m_lastUidId = id;
    return id;
}

std::uint32_t Walker::ErrorId(int error)
{
    auto it = m_errorIds.find(error);
    if (it != m_errorIds.end())
        return it->second;
    std::uint32_t id = Track(m_shared.registry.Intern(OwnerFromError(error)));
    m_errorIds.emplace(error, id);
    return id;
}

std::uint32_t Walker::DeniedId()
{
    if (!m_deniedId)
        m_deniedId = Track(m_shared.registry.Intern({OwnerKind::DirlistDenied, {}, 0}));
    return *m_deniedId;
}

Frame& Walker::Slot(std::size_t level)
{
    if (level == m_frames.size()) {
        std::lock_guard lock(m_mutex);
        m_frames.push_back(std::make_unique<Frame>());
    }
    return *m_frames[level];
}

void Walker::ReleaseFrames()
{
    std::lock_guard lock(m_mutex);
    for (auto& frame : m_frames)
        frame->Reset();
    m_depth = 0;
    m_open = 0;
}

void Walker::WalkRoot(const std::string& root)
{
    m_order.StartTask(m_shared.TaskSequence(m_shared.NewTask()));
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DirId id;
    DIR* dir = nullptr;
    if (fd >= 0 && ReadDirId(fd, id))
        dir = fdopendir(fd);
    if (!dir) {
        if (fd >= 0)
            close(fd);
        CountHere(DeniedId(), 1);
    } else {
        Frame& frame = Slot(0);
        frame.dir = dir;
        frame.pinned = true;
        frame.id = id;
        List(frame);
        Listed();
        {
            std::lock_guard lock(m_mutex);
            m_depth = 1;
        }
        RunTask();
    }
    m_shared.busy.fetch_sub(1);
}

void Walker::HelpUntilDone()
{
    while (!m_shared.Stopped()) {
        StolenWork work;
        bool got = false;
        for (Walker* other : m_shared.walkers) {
            if (other != this && other->GiveWork(work)) {
                got = true;
                break;
            }
        }
        if (got) {
            if (m_shared.hooks.afterSteal)
                m_shared.hooks.afterSteal();
            Install(work);
            RunTask();
            m_shared.busy.fetch_sub(1);
            continue;
        }
        if (m_shared.busy.load() == 0)
            return;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

bool Walker::GiveWork(StolenWork& work)
{
    std::lock_guard lock(m_mutex);
    for (std::size_t level = 0; level < m_depth; ++level) {
        Frame& frame = *m_frames[level];
        std::size_t remaining = frame.subdirs.size() - frame.next;
        if (remaining == 0 || !frame.dir)
            continue;
        int fd = fcntl(dirfd(frame.dir), F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            return false;
        std::size_t mid = frame.next + remaining / 2;
        work.fd = fd;
        work.id = frame.id;
        work.subdirs.assign(std::make_move_iterator(frame.subdirs.begin() + static_cast<std::ptrdiff_t>(mid)),
                            std::make_move_iterator(frame.subdirs.end()));
        frame.subdirs.resize(mid);
        auto split = std::find_if(frame.pending.begin() + static_cast<std::ptrdiff_t>(frame.pendingNext),
                                  frame.pending.end(), [mid](const PendingOwner& p) { return p.gap > mid; });
        for (auto it = split; it != frame.pending.end(); ++it)
            work.pending.push_back({static_cast<std::uint32_t>(it->gap - mid), it->id});
        frame.pending.erase(split, frame.pending.end());
        work.ancestors = m_inherited;
        for (std::size_t k = 0; k <= level; ++k)
            work.ancestors.push_back(m_frames[k]->id);
        work.task = m_shared.NewTask();
        frame.stolen.push_back(work.task);
        m_shared.busy.fetch_add(1);
        return true;
    }
    return false;
}

void Walker::Install(StolenWork& work)
{
    m_order.StartTask(m_shared.TaskSequence(work.task));
    m_inherited = std::move(work.ancestors);
    Frame& frame = Slot(0);
    frame.dir = fdopendir(work.fd);
    if (!frame.dir)
        close(work.fd);  // every subdirectory then counts as not listed
    frame.pinned = true;
    frame.id = work.id;
    frame.subdirs = std::move(work.subdirs);
    frame.pending = std::move(work.pending);
    for (const PendingOwner& p : frame.pending)
        Track(p.id);
    std::lock_guard lock(m_mutex);
    m_depth = 1;
}

void Walker::RunTask()
{
    while (m_depth > 0 && !m_shared.Stopped()) {
        std::size_t top = m_depth - 1;
        Frame& frame = *m_frames[top];
        std::string name;
        bool descend = false;
        {
            std::lock_guard lock(m_mutex);
            if (frame.next < frame.subdirs.size()) {
                m_order.Flush(frame.pending, frame.pendingNext, frame.next);
                name = std::move(frame.subdirs[frame.next++]);
                descend = true;
            } else {
                m_order.Flush(frame.pending, frame.pendingNext, SIZE_MAX);
                for (auto it = frame.stolen.rbegin(); it != frame.stolen.rend(); ++it)
                    m_order.EmitTask(*it);
                if (frame.dir && !frame.pinned)
                    --m_open;
                frame.Reset();
                --m_depth;
            }
        }
        if (descend)
            Descend(top, name);
    }
    if (m_depth > 0)
        ReleaseFrames();  // stopped: nothing of this task is handed out any more
}

void Walker::List(Frame& frame)
{
    m_order.StartListing();
    ++directories;
    int fd = dirfd(frame.dir);
    while (!m_shared.Stopped()) {
        dirent* entry = readdir(frame.dir);
        if (!entry)
            break;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        if (entry->d_type == DT_DIR) {
            frame.subdirs.emplace_back(name);
            continue;
        }
        struct stat st;
        if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            CountFile(ErrorId(errno), 0, frame);
        } else if (S_ISDIR(st.st_mode)) {
            frame.subdirs.emplace_back(name);
        } else {
            CountFile(UidId(st.st_uid), static_cast<std::uint64_t>(st.st_size), frame);
        }
    }
}

void Walker::Descend(std::size_t parent, const std::string& name)
{
    int parentFd = LevelFd(parent);
    int fd = parentFd < 0 ? -1 : OpenDirAt(parentFd, name);
    if (fd < 0) {
        if (parentFd >= 0 && (errno == ENOTDIR || errno == ELOOP))
            CountReplaced(parentFd, name);  // it stopped being a directory since it was listed
        else
            CountHere(DeniedId(), 1);
        return;
    }
    DirId id;
    if (!ReadDirId(fd, id)) {
        close(fd);
        CountHere(DeniedId(), 1);
        return;
    }
    if (IsAncestor(id)) {  // a mount that leads back up: that tree is being walked already
        close(fd);
        return;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        CountHere(DeniedId(), 1);
        return;
    }
    Frame& frame = Slot(m_depth);
    frame.dir = dir;
    frame.name = name;
    frame.id = id;
    List(frame);
    Listed();
    std::lock_guard lock(m_mutex);
    ++m_depth;
    ++m_open;
    if (m_open > m_shared.openLevels)
        CloseShallowestLocked(dirfd(dir));
}

void Walker::CountReplaced(int parentFd, const std::string& name)
{
    struct stat st;
    if (fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        CountHere(ErrorId(errno), 0);
        ++files;
    } else if (S_ISDIR(st.st_mode)) {
        CountHere(DeniedId(), 1);
    } else {
        CountHere(UidId(st.st_uid), static_cast<std::uint64_t>(st.st_size));
        ++files;
    }
}

int Walker::LevelFd(std::size_t level)
{
    Frame& frame = *m_frames[level];
    if (frame.dir)
        return dirfd(frame.dir);
    std::size_t open = level;
    while (open > 0 && !m_frames[open]->dir)
        --open;
    if (!m_frames[open]->dir) {
        errno = EBADF;
        return -1;
    }
    int fd = dirfd(m_frames[open]->dir);
    int owned = -1;
    for (std::size_t k = open + 1; k <= level; ++k) {
        int next = OpenDirAt(fd, m_frames[k]->name);
        int error = errno;
        if (owned >= 0)
            close(owned);
        if (next < 0) {
            errno = error;
            return -1;
        }
        DirId id;
        if (!ReadDirId(next, id) || !(id == m_frames[k]->id)) {
            close(next);
            errno = ESTALE;  // the tree changed under the walk
            return -1;
        }
        owned = fd = next;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return -1;
    }
    std::lock_guard lock(m_mutex);
    frame.dir = dir;
    ++m_open;
    if (m_open > m_shared.openLevels)
        CloseShallowestLocked(fd);
    return fd;
}

int Walker::OpenDirAt(int fd, const std::string& name)
{
    for (;;) {
        int opened = openat(fd, name.c_str(), kOpenDirFlags);
        if (opened >= 0)
            return opened;
        if ((errno != EMFILE && errno != ENFILE) || !CloseShallowest(fd))
            return -1;
    }
}

bool Walker::CloseShallowest(int keepFd)
{
    std::lock_guard lock(m_mutex);
    std::size_t before = m_open;
    CloseShallowestLocked(keepFd);
    return m_open < before;
}

void Walker::CloseShallowestLocked(int keepFd)
{
    for (std::size_t level = 0; level < m_depth; ++level) {
        Frame& frame = *m_frames[level];
        if (!frame.dir || frame.pinned || dirfd(frame.dir) == keepFd)
            continue;
        closedir(frame.dir);
        frame.dir = nullptr;
        --m_open;
        return;
    }
}

bool Walker::IsAncestor(const DirId& id) const
{
    for (std::size_t level = 0; level < m_depth; ++level)
        if (m_frames[level]->id == id)
            return true;
    return std::find(m_inherited.begin(), m_inherited.end(), id) != m_inherited.end();
}

}  // namespace

WalkResult WalkLocal(const std::string& root, unsigned threads, const std::atomic<bool>& stop,
                     const LocalWalkHooks& hooks)
{
    std::size_t count = std::clamp<unsigned>(threads, 1, 64);
    Shared shared(stop, count, hooks);
    std::vector<std::unique_ptr<Walker>> walkers;
    for (std::size_t i = 0; i < count; ++i)
        walkers.push_back(std::make_unique<Walker>(shared, i));
    for (auto& walker : walkers)
        shared.walkers.push_back(walker.get());
    shared.busy = 1;

    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < count; ++i) {
        try {
            helpers.emplace_back([walker = walkers[i].get()] { walker->HelpUntilDone(); });
        } catch (const std::system_error&) {
            break;  // fewer threads walk the same tree
        }
    }
    walkers[0]->WalkRoot(root);
    walkers[0]->HelpUntilDone();
    for (auto& helper : helpers)
        helper.join();

    std::size_t owners = shared.registry.Size();
    std::vector<std::uint64_t> bytes(owners, 0);
    std::vector<bool> counted(owners, false);
    WalkResult result;
    for (auto& walker : walkers) {
        for (std::size_t id = 0; id < walker->bytes.size(); ++id) {
            bytes[id] += walker->bytes[id];
            if (walker->counted[id])
                counted[id] = true;
        }
        result.files += walker->files;
        result.directories += walker->directories;
    }
    result.owners = BuildTotals(shared.registry, MergeFirstMet(shared.tasks, owners), bytes, counted);
    result.stopped = stop.load();
    return result;
}

}  // namespace files::detail
