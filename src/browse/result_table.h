// The result of one browse: the tables its worker fills and the list step reads, and
// the pending-work counters that tell when the worker's last unit of work has ended.
//
// Every browse owns its own ResultTable and CPendingWork; two browses never share them.
#pragma once

#include "browse/browse_types.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// Room every table starts with; the tables grow beyond it as needed.
inline constexpr std::size_t kInitialTableSize = 10'000;
// Most result lines (or owners, or network entries) one browse keeps. A producer that
// meets more stops adding and ends its lines with "More entries were found than can be
// listed.".
inline constexpr std::size_t kLineCapacity = 1'000'000;

// 223 '=' characters: the line under the header and after the last result line.
extern const std::string g_separatorLine;

struct ResultTable {
    ResultTable();

    // FILES: owners in the order first met, with their totals. Filled only through
    // AddOwnerBytes, which keeps ownerIndex in step.
    std::vector<std::string> ownerNames;
    std::vector<std::uint64_t> ownerBytes;
    // GROUPS and USERS: finished list lines, ended by one line "END_OF_DATA".
    std::vector<std::string> groupLines;
    std::vector<std::string> userLines;
    // NETWORK: one type letter followed by the text of the list line.
    std::vector<std::string> networkTable;

    // Set when an owner or network entry past kLineCapacity had to be left out.
    bool ownersFull = false;
    bool networkFull = false;

    // owner name -> index into ownerNames/ownerBytes.
    std::unordered_map<std::string, std::size_t> ownerIndex;
};

// Adds `bytes` to the total of `owner`, appending the owner when it is new. Once the
// table holds `capacity` owners a new owner is left out and ownersFull is set.
void AddOwnerBytes(std::uint64_t bytes, const std::string& owner, ResultTable& table,
                   std::size_t capacity = kLineCapacity);

// Appends a finished list line unless `capacity` lines are already there; the first
// line refused appends the "More entries..." line instead. Returns false once full.
bool AddResultLine(std::vector<std::string>& lines, std::string line, std::size_t capacity = kLineCapacity);

// Appends the "END_OF_DATA" line that closes groupLines and userLines.
void EndLines(std::vector<std::string>& lines);

// Entries the tables of this process have taken so far (result lines, new owners,
// network entries), over every browse; a report running one browse shows it as its
// progress while the browse runs.
std::uint64_t EntriesTaken();

// Appends a NETWORK entry (type letter + line text) unless the table is full, in which
// case networkFull is set. Returns false once full.
bool AddNetworkEntry(ResultTable& table, std::string entry, std::size_t capacity = kLineCapacity);

// The open units of work of one browse, one counter per WorkerKind. The LeaveWork that
// brings a counter back to 0 runs the completion on the calling thread, once per start.
class CPendingWork {
public:
    using Completion = std::function<void(WorkerKind)>;

    explicit CPendingWork(Completion onComplete);

    void ResetPendingWork(WorkerKind kind);
    void EnterWork(WorkerKind kind);
    // A kind outside the four counters has nothing to count: its completion runs at once.
    void LeaveWork(WorkerKind kind);
    int Pending(WorkerKind kind) const;

private:
    std::array<std::atomic<int>, kWorkerKindCount> m_counters{};
    Completion m_onComplete;
};
