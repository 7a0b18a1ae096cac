// SMB walk: the same order rules as the local walk on one thread. A directory is
// listed completely, the owners of its files are read (over several connections at
// once when the walk has them), and its subdirectories are walked afterwards by URL,
// so no handle stays open across levels.
//
// A file's owner is read as its SID (three requests: open, query security, close);
// the walk turns each distinct SID into a name once, after the tree has been walked,
// and merges the owners that turn out to be the same (one account name in two
// domains, several SIDs no lookup names) at the place the first of them was met.
#include "platform/files/smb_walk.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "platform/files/walk_order.h"
#include "platform/threads/owned_threads.h"

namespace files::detail {
namespace {

struct SmbFrame {
    std::string url;  // ends with '/'
    std::vector<std::string> subdirs;
    std::size_t next = 0;
    std::vector<PendingOwner> pending;
    std::size_t pendingNext = 0;
};

// One file's owner query and its answer.
struct OwnerQuery {
    std::string url;
    bool done = false;
    bool ok = false;
    std::string sid;
    int error = 0;
};

bool IsFile(const SmbEntry& entry)
{
    return !entry.directory && !entry.name.empty() && entry.name != "." && entry.name != "..";
}

void Ask(SmbClient& client, OwnerQuery& query)
{
    query.ok = client.OwnerSid(query.url, query.sid, query.error);
    query.done = true;
}

// Reads a directory's owner queries over the calling thread's connection and the
// helpers' connections, each helper thread using its own connection only.
class OwnerReaders {
public:
    OwnerReaders(SmbClient& own, std::vector<std::unique_ptr<SmbClient>> helpers, const std::atomic<bool>& stop)
        : m_own(own), m_clients(std::move(helpers)), m_stop(stop)
    {
        std::stop_token token = threads::CurrentStop();
        for (auto& client : m_clients) {
            try {
                m_threads.emplace_back([this, &client, token] {
                    threads::StopScope scope(token);
                    HelperLoop(*client);
                });
            } catch (const std::system_error&) {
                break;  // the system refuses more threads: fewer connections do the work
            }
        }
        m_clients.resize(m_threads.size());  // shrinking: the threads' clients stay in place
    }
    ~OwnerReaders()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }
    OwnerReaders(const OwnerReaders&) = delete;
    OwnerReaders& operator=(const OwnerReaders&) = delete;

    // Answers the queries in any order; when the stop mark is set, the rest stay undone.
    void Read(std::vector<OwnerQuery>& queries)
    {
        if (m_threads.empty() || queries.size() < 2) {
            for (OwnerQuery& query : queries) {
                if (Stopped())
                    break;
                Ask(m_own, query);
            }
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_batch = &queries;
            m_next = 0;
            ++m_generation;
        }
        m_wake.notify_all();
        Work(m_own, queries);
        std::unique_lock lock(m_mutex);
        m_next = SIZE_MAX / 2;  // a helper that wakes late finds nothing left
        m_idle.wait(lock, [this] { return m_busy == 0; });
        m_batch = nullptr;
    }

private:
    bool Stopped() const { return m_stop.load(std::memory_order_relaxed); }

    void Work(SmbClient& client, std::vector<OwnerQuery>& queries)
    {
        while (!Stopped()) {
            std::size_t i = m_next.fetch_add(1);
            if (i >= queries.size())
                break;
            Ask(client, queries[i]);
        }
    }

    void HelperLoop(SmbClient& client)
    {
        std::uint64_t seen = 0;
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_quit || (m_generation != seen && m_batch); });
            if (m_quit)
                return;
            seen = m_generation;
            std::vector<OwnerQuery>& queries = *m_batch;
            ++m_busy;
            lock.unlock();
            Work(client, queries);
            lock.lock();
            if (--m_busy == 0)
                m_idle.notify_all();
        }
    }

    SmbClient& m_own;
    std::vector<std::unique_ptr<SmbClient>> m_clients;
    const std::atomic<bool>& m_stop;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_idle;
    std::vector<OwnerQuery>* m_batch = nullptr;
    std::atomic<std::size_t> m_next{0};
    std::uint64_t m_generation = 0;
    int m_busy = 0;
    bool m_quit = false;
};

class SmbWalker {
public:
    SmbWalker(SmbClient& client, OwnerReaders& readers, const WalkOptions& options, const std::atomic<bool>& stop)
        : m_client(client), m_readers(readers), m_options(options), m_stop(stop)
    {
    }

    WalkResult Walk(const std::string& url);

private:
    bool Stopped() const { return m_stop.load(std::memory_order_relaxed); }
    bool List(SmbFrame& frame, const std::string& url);
    std::uint32_t FileOwnerId(const OwnerQuery& query);
    std::uint32_t KindId(OwnerKind kind, int error = 0);
    std::uint32_t Track(std::uint32_t id);
    std::vector<OwnerTotal> NameTheSids(std::vector<OwnerTotal> totals);

    SmbClient& m_client;
    OwnerReaders& m_readers;
    const WalkOptions& m_options;
    const std::atomic<bool>& m_stop;
    OwnerRegistry m_registry;
    std::deque<Sequence> m_tasks{1};
    OrderRecorder m_order;
    std::vector<std::uint64_t> m_bytes;
    std::vector<bool> m_counted;
    std::unordered_map<std::string, std::uint32_t> m_textIds;
    // Each distinct SID met, with the first file met that it owns.
    std::unordered_map<std::string, std::string> m_sidFiles;
    std::deque<SmbFrame> m_frames;  // references stay valid while levels are added
    std::vector<SmbEntry> m_entries;
    std::vector<OwnerQuery> m_queries;
    std::uint64_t m_files = 0;
    std::uint64_t m_directories = 0;
};

// Until it is named, a SID owner is kept as NullSid with the SID as its name; a real
// NullSid owner has no name, so the two never meet.
Owner SidPlaceholder(const std::string& sid)
{
    return {OwnerKind::NullSid, sid, 0};
}
bool IsSidPlaceholder(const Owner& owner)
{
    return owner.kind == OwnerKind::NullSid && !owner.name.empty();
}

std::uint32_t SmbWalker::Track(std::uint32_t id)
{
    if (id >= m_bytes.size()) {
        m_bytes.resize(id + 1, 0);
        m_counted.resize(id + 1, false);
    }
    m_counted[id] = true;
    m_order.Reserve(id);
    return id;
}

std::uint32_t SmbWalker::KindId(OwnerKind kind, int error)
{
    return Track(m_registry.Intern({kind, {}, error}));
}

std::uint32_t SmbWalker::FileOwnerId(const OwnerQuery& query)
{
    if (!query.ok) {
        if (query.error == EACCES || query.error == EPERM)
            return KindId(OwnerKind::AccessDenied);
        return KindId(OwnerKind::ErrorNumber, query.error);
    }
    const std::string& text = query.sid;
    auto known = m_textIds.find(text);
    if (known != m_textIds.end())
        return known->second;
    std::uint32_t id;
    if (LooksLikeSid(text)) {
        id = Track(m_registry.Intern(SidPlaceholder(text)));
        m_sidFiles.emplace(text, query.url);
    } else {
        // A server that gives a name here is taken at its word.
        DescriptorOwner parsed = OwnerFromDescriptorText(text);
        if (!parsed.valid) {
            // Shown for every such file, as each one is a separate fault on the server.
            if (m_options.onInvalidDescriptor)
                m_options.onInvalidDescriptor(query.url);
            return KindId(OwnerKind::Unknown);
        }
        id = Track(m_registry.Intern(parsed.owner));
    }
    m_textIds.emplace(text, id);
    return id;
}

bool SmbWalker::List(SmbFrame& frame, const std::string& url)
{
    int error = 0;
    if (!m_client.List(url, m_entries, error))
        return false;
    m_order.StartListing();
    ++m_directories;
    frame = SmbFrame{};
    frame.url = url;
    m_queries.clear();
    for (const SmbEntry& entry : m_entries)
        if (IsFile(entry)) {
            m_queries.emplace_back();
            m_queries.back().url = url + EncodeUrlComponent(entry.name);
        }
    m_readers.Read(m_queries);
    std::size_t file = 0;
    for (const SmbEntry& entry : m_entries) {
        if (Stopped())
            break;
        if (!IsFile(entry)) {
            if (entry.directory && !entry.name.empty() && entry.name != "." && entry.name != "..")
                frame.subdirs.push_back(entry.name);
            continue;
        }
        const OwnerQuery& query = m_queries[file++];
        if (!query.done)
            break;
        std::uint32_t id = FileOwnerId(query);
        m_bytes[id] += entry.size;
        ++m_files;
        m_order.NoteListed(id, static_cast<std::uint32_t>(frame.subdirs.size()), frame.pending);
    }
    return true;
}

// One name lookup per distinct SID, through a file that SID owns; then owners that
// are the same are merged where the first of them stands.
std::vector<OwnerTotal> SmbWalker::NameTheSids(std::vector<OwnerTotal> totals)
{
    std::unordered_map<std::string, Owner> named;
    for (const auto& [sid, url] : m_sidFiles) {
        Owner owner{OwnerKind::NullSid, {}, 0};
        std::string text;
        int error = 0;
        if (!Stopped() && m_client.OwnerText(url, text, error)) {
            DescriptorOwner parsed = OwnerFromDescriptorText(text);
            if (!parsed.valid && m_options.onInvalidDescriptor)
                m_options.onInvalidDescriptor(url);
            owner = parsed.owner;
        }
        named.emplace(sid, std::move(owner));
    }
    std::vector<OwnerTotal> merged;
    std::map<std::tuple<int, std::string, int>, std::size_t> at;
    for (OwnerTotal& total : totals) {
        if (IsSidPlaceholder(total.owner))
            total.owner = named.at(total.owner.name);
        auto key = std::make_tuple(static_cast<int>(total.owner.kind), total.owner.name, total.owner.error);
        auto [it, added] = at.try_emplace(std::move(key), merged.size());
        if (added)
            merged.push_back(std::move(total));
        else
            merged[it->second].bytes += total.bytes;
    }
    return merged;
}

WalkResult SmbWalker::Walk(const std::string& url)
{
    m_order.StartTask(&m_tasks[0]);
    auto denied = [this] {
        std::uint32_t id = KindId(OwnerKind::DirlistDenied);
        m_bytes[id] += 1;
        m_order.Emit(id);
    };
    std::size_t depth = 0;
    m_frames.emplace_back();
    if (List(m_frames[0], url))
        depth = 1;
    else
        denied();
    while (depth > 0 && !Stopped()) {
        SmbFrame& frame = m_frames[depth - 1];
        if (frame.next == frame.subdirs.size()) {
            m_order.Flush(frame.pending, frame.pendingNext, SIZE_MAX);
            --depth;
            continue;
        }
        m_order.Flush(frame.pending, frame.pendingNext, frame.next);
        std::string child = frame.url + EncodeUrlComponent(frame.subdirs[frame.next++]) + "/";
        if (m_frames.size() == depth)
            m_frames.emplace_back();
        if (List(m_frames[depth], child))
            ++depth;
        else
            denied();
    }
    WalkResult result;
    result.owners = NameTheSids(BuildTotals(m_registry, MergeFirstMet(m_tasks, m_registry.Size()), m_bytes, m_counted));
    result.stopped = m_stop.load();
    result.files = m_files;
    result.directories = m_directories;
    return result;
}

}  // namespace

WalkResult WalkSmbTree(const std::string& url, SmbClient& client, const WalkOptions& options,
                       const std::atomic<bool>& stop, unsigned connections, const SmbClientFactory& more)
{
    std::vector<std::unique_ptr<SmbClient>> helpers;
    // All connections are made before the first request, on this thread.
    for (unsigned i = 1; i < connections && more && !stop.load(); ++i) {
        std::unique_ptr<SmbClient> helper = more();
        if (!helper)
            break;
        helpers.push_back(std::move(helper));
    }
    OwnerReaders readers(client, std::move(helpers), stop);
    return SmbWalker(client, readers, options, stop).Walk(url);
}

}  // namespace files::detail
