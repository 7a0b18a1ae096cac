#include "enum/network_walk.h"

#include "platform/threads/owned_threads.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using net::NetResource;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kBatch = 64;  // resources asked for per batch
constexpr int kMaxDepth = 4;        // provider, domain, server and its shares

// Every child of `container`, read batch by batch; none when it can't be opened.
std::vector<NetResource> Children(net::NetworkRouter& router, const NetResource* container, const std::stop_token& stop)
{
    net::Status status = net::NERR_Success;
    const std::unique_ptr<net::ResourceEnum> handle = router.OpenEnum(container, status);
    std::vector<NetResource> all;
    std::vector<NetResource> batch;
    while (handle && !stop.stop_requested() && handle->Next(kBatch, batch) == net::NERR_Success)
        all.insert(all.end(), batch.begin(), batch.end());
    return all;
}

// The answers of the share reads, shared with their threads, which may outlive the walk.
struct ShareAnswers {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::vector<std::optional<std::vector<NetResource>>> shares;
};

// A server asked for its shares: its deadline, and when it stops holding one of the
// places of the requests under way (a slow server waits beside the others, not in
// front of them).
struct Asking {
    std::size_t index;
    Clock::time_point deadline;
    Clock::time_point placeUntil;
};

constexpr std::chrono::milliseconds kPlaceHeld{500};

// The shares of `servers`, read side by side: at most `sharesAtOnce` requests start
// within any half second. A server still silent at its limit has no shares.
std::vector<std::vector<NetResource>> SharesOf(const std::shared_ptr<net::NetworkRouter>& router,
                                               const std::vector<const NetResource*>& servers,
                                               const NetworkWalkOptions& options, const std::stop_token& stop)
{
    auto answers = std::make_shared<ShareAnswers>();
    answers->shares.resize(servers.size());
    std::vector<std::vector<NetResource>> result(servers.size());
    std::vector<Asking> asking;
    std::size_t next = 0;
    std::unique_lock lock(answers->mutex);
    const auto placesTaken = [&](Clock::time_point now) {
        return static_cast<std::size_t>(
            std::count_if(asking.begin(), asking.end(), [&](const Asking& a) { return now < a.placeUntil; }));
    };
    while ((next < servers.size() || !asking.empty()) && !stop.stop_requested()) {
        for (; next < servers.size() && placesTaken(Clock::now()) < options.sharesAtOnce; ++next) {
            const auto now = Clock::now();
            asking.push_back({next, now + options.shareLimit, now + std::min(kPlaceHeld, options.shareLimit)});
            // Carries the browse's stop token: once stopped, its request is not sent.
            threads::StartOwned([router, answers, server = *servers[next], index = next] {
                const std::vector<NetResource> found = Children(*router, &server, threads::CurrentStop());
                std::lock_guard done(answers->mutex);
                answers->shares[index] = found;
                answers->changed.notify_all();
            });
        }
        // Wake for an answer, a deadline, or a place coming free.
        const auto now = Clock::now();
        Clock::time_point first = asking.front().deadline;
        for (const Asking& a : asking) {
            first = std::min(first, a.deadline);
            if (now < a.placeUntil && next < servers.size())
                first = std::min(first, a.placeUntil);
        }
        answers->changed.wait_until(lock, stop, first, [&] {
            return std::any_of(asking.begin(), asking.end(),
                               [&](const Asking& a) { return answers->shares[a.index].has_value(); });
        });
        const auto later = Clock::now();
        std::erase_if(asking, [&](const Asking& a) {
            if (answers->shares[a.index]) {
                result[a.index] = *answers->shares[a.index];
                return true;
            }
            return later >= a.deadline;  // silent too long: no shares
        });
    }
    return result;
}

std::string Entry(const NetResource& resource, int depth)
{
    std::string entry(1, NetworkLetter(resource));
    entry.append(static_cast<std::size_t>(depth), '\t');
    entry += resource.remoteName;
    return entry;
}

// One container's children and everything below them; false once the table is full.
bool Walk(const std::shared_ptr<net::NetworkRouter>& router, const NetResource* container, int depth,
          ResultTable& table, const NetworkWalkOptions& options, const std::stop_token& stop)
{
    const std::vector<NetResource> children = Children(*router, container, stop);
    std::vector<const NetResource*> servers;
    for (const NetResource& child : children)
        if ((child.usage & net::RESOURCEUSAGE_CONTAINER) && child.displayType == net::RESOURCEDISPLAYTYPE_SERVER)
            servers.push_back(&child);
    std::vector<std::vector<NetResource>> shares;
    if (options.wantShares && !servers.empty())
        shares = SharesOf(router, servers, options, stop);
    std::size_t server = 0;
    for (const NetResource& child : children) {
        if (stop.stop_requested())
            return true;
        if (!child.remoteName.empty() && !AddNetworkEntry(table, Entry(child, depth), options.capacity))
            return false;
        if (!(child.usage & net::RESOURCEUSAGE_CONTAINER))
            continue;
        if (child.displayType == net::RESOURCEDISPLAYTYPE_SERVER) {
            // A server's shares stand at its own depth.
            for (const NetResource& share : options.wantShares ? shares[server] : std::vector<NetResource>())
                if (!AddNetworkEntry(table, Entry(share, depth), options.capacity))
                    return false;
            ++server;
        } else if (depth + 1 < kMaxDepth && !Walk(router, &child, depth + 1, table, options, stop)) {
            return false;
        }
    }
    return true;
}

}  // namespace

char NetworkLetter(const NetResource& resource)
{
    if (resource.type == net::RESOURCETYPE_DISK)
        return 'd';
    if (resource.type == net::RESOURCETYPE_PRINT)
        return 'p';
    if (resource.displayType == net::RESOURCEDISPLAYTYPE_DOMAIN)
        return 'D';
    if (resource.displayType == net::RESOURCEDISPLAYTYPE_SERVER)
        return 'S';
    return 'u';
}

void WalkNetwork(std::shared_ptr<net::NetworkRouter> router, ResultTable& table, const NetworkWalkOptions& options,
                 const std::stop_token& stop)
{
    Walk(router, nullptr, 0, table, options, stop);
}
