#include "platform/files/walk_order.h"

#include <cerrno>
#include <utility>

namespace files::detail {

std::uint32_t OwnerRegistry::Intern(const Owner& owner)
{
    std::lock_guard lock(m_mutex);
    auto key = std::make_tuple(static_cast<int>(owner.kind), owner.name, owner.error);
    auto [it, added] = m_ids.try_emplace(std::move(key), static_cast<std::uint32_t>(m_owners.size()));
    if (added)
        m_owners.push_back(owner);
    return it->second;
}

Owner OwnerRegistry::At(std::uint32_t id) const
{
    std::lock_guard lock(m_mutex);
    return m_owners.at(id);
}

std::size_t OwnerRegistry::Size() const
{
    std::lock_guard lock(m_mutex);
    return m_owners.size();
}

std::vector<std::uint32_t> MergeFirstMet(const std::deque<Sequence>& tasks, std::size_t ownerCount)
{
    std::vector<std::uint32_t> order;
    if (tasks.empty())
        return order;
    std::vector<bool> seen(ownerCount, false);
    // Explicit stack of (task, position): references may nest as deep as steals did.
    std::vector<std::pair<std::uint32_t, std::size_t>> stack{{0, 0}};
    while (!stack.empty()) {
        auto& [task, pos] = stack.back();
        const Sequence& seq = tasks[task];
        if (pos == seq.size()) {
            stack.pop_back();
            continue;
        }
        std::uint32_t entry = seq[pos++];
        if (entry & kTaskRef) {
            std::uint32_t ref = entry & ~kTaskRef;
            if (ref < tasks.size())
                stack.emplace_back(ref, 0);
        } else if (entry < ownerCount && !seen[entry]) {
            seen[entry] = true;
            order.push_back(entry);
        }
    }
    return order;
}

void OrderRecorder::StartTask(Sequence* sequence)
{
    m_sequence = sequence;
    ++m_taskSerial;
}

void OrderRecorder::StartListing()
{
    ++m_listSerial;
}

void OrderRecorder::Reserve(std::uint32_t id)
{
    if (id >= m_taskMark.size()) {
        m_taskMark.resize(id + 1, 0);
        m_listMark.resize(id + 1, 0);
    }
}

void OrderRecorder::Flush(std::vector<PendingOwner>& pending, std::size_t& next, std::size_t gap)
{
    while (next < pending.size() && pending[next].gap <= gap)
        Emit(pending[next++].id);
}

std::vector<OwnerTotal> BuildTotals(const OwnerRegistry& registry, const std::vector<std::uint32_t>& order,
                                    const std::vector<std::uint64_t>& bytes, const std::vector<bool>& counted)
{
    std::vector<OwnerTotal> totals;
    std::vector<bool> listed(counted.size(), false);
    auto add = [&](std::uint32_t id) {
        if (id >= counted.size() || !counted[id] || listed[id])
            return;
        listed[id] = true;
        totals.push_back({registry.At(id), bytes[id]});
    };
    for (std::uint32_t id : order)
        add(id);
    for (std::uint32_t id = 0; id < counted.size(); ++id)
        add(id);
    return totals;
}

Owner OwnerFromError(int error)
{
    if (error == EACCES)
        return {OwnerKind::AccessDenied, {}, 0};
    return {OwnerKind::ErrorNumber, {}, error};
}

}  // namespace files::detail
