#include "browse/result_table.h"

#include "res/browse_strings.h"

#include <utility>

const std::string g_separatorLine(223, '=');

namespace {

std::atomic<std::uint64_t> g_entriesTaken{0};

void CountEntry()
{
    g_entriesTaken.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

std::uint64_t EntriesTaken()
{
    return g_entriesTaken.load(std::memory_order_relaxed);
}

ResultTable::ResultTable()
{
    ownerNames.reserve(kInitialTableSize);
    ownerBytes.reserve(kInitialTableSize);
    groupLines.reserve(kInitialTableSize);
    userLines.reserve(kInitialTableSize);
    networkTable.reserve(kInitialTableSize);
    ownerIndex.reserve(kInitialTableSize);
}

void AddOwnerBytes(std::uint64_t bytes, const std::string& owner, ResultTable& table, std::size_t capacity)
{
    if (auto found = table.ownerIndex.find(owner); found != table.ownerIndex.end()) {
        table.ownerBytes[found->second] += bytes;
        return;
    }
    if (table.ownerNames.size() >= capacity) {
        table.ownersFull = true;
        return;
    }
    table.ownerIndex.emplace(owner, table.ownerNames.size());
    table.ownerNames.push_back(owner);
    table.ownerBytes.push_back(bytes);
    CountEntry();
}

bool AddResultLine(std::vector<std::string>& lines, std::string line, std::size_t capacity)
{
    if (lines.size() < capacity) {
        lines.push_back(std::move(line));
        CountEntry();
        return true;
    }
    if (lines.size() == capacity)
        lines.emplace_back(res::STR_MORE_ENTRIES);
    return false;
}

void EndLines(std::vector<std::string>& lines)
{
    lines.emplace_back(res::STR_END_OF_DATA);
}

bool AddNetworkEntry(ResultTable& table, std::string entry, std::size_t capacity)
{
    if (table.networkTable.size() >= capacity) {
        table.networkFull = true;
        return false;
    }
    table.networkTable.push_back(std::move(entry));
    CountEntry();
    return true;
}

namespace {

bool IsCountedKind(WorkerKind kind)
{
    const auto index = static_cast<std::int32_t>(kind);
    return index >= 0 && index < kWorkerKindCount;
}

}  // namespace

CPendingWork::CPendingWork(Completion onComplete) : m_onComplete(std::move(onComplete)) { }

void CPendingWork::ResetPendingWork(WorkerKind kind)
{
    if (IsCountedKind(kind))
        m_counters[static_cast<std::size_t>(kind)].store(0);
}

void CPendingWork::EnterWork(WorkerKind kind)
{
    if (IsCountedKind(kind))
        m_counters[static_cast<std::size_t>(kind)].fetch_add(1);
}

void CPendingWork::LeaveWork(WorkerKind kind)
{
    const bool last = !IsCountedKind(kind) || m_counters[static_cast<std::size_t>(kind)].fetch_sub(1) == 1;
    if (last && m_onComplete)
        m_onComplete(kind);
}

int CPendingWork::Pending(WorkerKind kind) const
{
    return IsCountedKind(kind) ? m_counters[static_cast<std::size_t>(kind)].load() : 0;
}
