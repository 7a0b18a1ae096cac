// Owner identities and first-met order shared by the local and the SMB walk.
//
// Every distinct owner gets a small id. A walk is split into tasks (one per thread's
// piece of the tree); each task records, in its own tree order, the ids it meets
// first and references to the tasks that walked subtrees lying inside its part.
// Expanding the references and keeping each id's first occurrence gives exactly the
// order a one-thread walk meets the owners in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/files/owner_walk.h"

namespace files::detail {

inline constexpr std::uint32_t kTaskRef = 0x80000000u;

// Owner -> id, shared by the threads of one walk.
class OwnerRegistry {
public:
    std::uint32_t Intern(const Owner& owner);
    Owner At(std::uint32_t id) const;
    std::size_t Size() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Owner> m_owners;
    std::map<std::tuple<int, std::string, int>, std::uint32_t> m_ids;
};

// One task's share of the order: owner ids and (kTaskRef | task index) entries.
using Sequence = std::vector<std::uint32_t>;

// Ids in first-met order: task 0 with every reference expanded where it stands.
std::vector<std::uint32_t> MergeFirstMet(const std::deque<Sequence>& tasks, std::size_t ownerCount);

// A file's owner met while a directory was listed, after `gap` of its subdirectories:
// it belongs in the order right before subdirectory number `gap` is walked.
struct PendingOwner {
    std::uint32_t gap;
    std::uint32_t id;
};

// Writes one thread's tasks' sequences. Within a task an id is written once; within
// one listing only its first file per owner is kept for later.
class OrderRecorder {
public:
    void StartTask(Sequence* sequence);
    void StartListing();
    void Reserve(std::uint32_t id);

    void NoteListed(std::uint32_t id, std::uint32_t gap, std::vector<PendingOwner>& pending)
    {
        if (m_taskMark[id] == m_taskSerial || m_listMark[id] == m_listSerial)
            return;
        m_listMark[id] = m_listSerial;
        if (gap == 0)
            Emit(id);
        else
            pending.push_back({gap, id});
    }
    void Emit(std::uint32_t id)
    {
        if (m_taskMark[id] == m_taskSerial)
            return;
        m_taskMark[id] = m_taskSerial;
        m_sequence->push_back(id);
    }
    void EmitTask(std::uint32_t task) { m_sequence->push_back(kTaskRef | task); }
    // Emits the pending owners whose gap is at most `gap`; `next` is the first not yet
    // emitted and moves past them.
    void Flush(std::vector<PendingOwner>& pending, std::size_t& next, std::size_t gap);

private:
    Sequence* m_sequence = nullptr;
    std::uint32_t m_taskSerial = 0;
    std::uint32_t m_listSerial = 0;
    std::vector<std::uint32_t> m_taskMark;
    std::vector<std::uint32_t> m_listMark;
};

// The result's owner list from the merged order and the per-id totals. Ids with a
// count that the order misses (a stopped walk) follow at the end.
std::vector<OwnerTotal> BuildTotals(const OwnerRegistry& registry, const std::vector<std::uint32_t>& order,
                                    const std::vector<std::uint64_t>& bytes, const std::vector<bool>& counted);

// Owner of a file whose examination failed with `error`.
Owner OwnerFromError(int error);

}  // namespace files::detail
