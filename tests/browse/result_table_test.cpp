#include "browse/result_table.h"

#include "res/browse_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

// ---- owner totals ----

TEST(OwnerTotals, SumsPastFourGibibytesWithoutWrapping)
{
    ResultTable table;
    AddOwnerBytes(5 * kGiB, "alice", table);
    AddOwnerBytes(3 * kGiB + 7, "alice", table);
    ASSERT_EQ(table.ownerNames.size(), 1u);
    EXPECT_EQ(table.ownerBytes[0], 8 * kGiB + 7);
}

TEST(OwnerTotals, ManyOwnersAreEachTotalledInFirstMetOrder)
{
    ResultTable table;
    constexpr int kOwners = 2500;
    // Three passes over every owner, the later ones in reverse order.
    for (int pass = 0; pass < 3; ++pass) {
        for (int i = 0; i < kOwners; ++i) {
            const int owner = pass == 0 ? i : kOwners - 1 - i;
            AddOwnerBytes(static_cast<std::uint64_t>(owner) + 1, "user" + std::to_string(owner), table);
        }
    }
    ASSERT_EQ(table.ownerNames.size(), static_cast<std::size_t>(kOwners));
    for (int i = 0; i < kOwners; ++i) {
        EXPECT_EQ(table.ownerNames[i], "user" + std::to_string(i));
        EXPECT_EQ(table.ownerBytes[i], 3u * (static_cast<std::uint64_t>(i) + 1));
    }
    EXPECT_FALSE(table.ownersFull);
}

TEST(OwnerTotals, FullTableKeepsTotallingKnownOwnersAndMarksTheRest)
{
    ResultTable table;
    AddOwnerBytes(10, "a", table, 2);
    AddOwnerBytes(20, "b", table, 2);
    AddOwnerBytes(30, "c", table, 2);
    AddOwnerBytes(5, "a", table, 2);
    ASSERT_EQ(table.ownerNames, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(table.ownerBytes[0], 15u);
    EXPECT_EQ(table.ownerBytes[1], 20u);
    EXPECT_TRUE(table.ownersFull);
}

// ---- line capacity ----

TEST(LineCapacity, LinesPastTheCapacityEndWithOneMarkerLine)
{
    std::vector<std::string> lines;
    EXPECT_TRUE(AddResultLine(lines, "1", 3));
    EXPECT_TRUE(AddResultLine(lines, "2", 3));
    EXPECT_TRUE(AddResultLine(lines, "3", 3));
    EXPECT_FALSE(AddResultLine(lines, "4", 3));
    EXPECT_FALSE(AddResultLine(lines, "5", 3));
    EXPECT_EQ(lines, (std::vector<std::string>{"1", "2", "3", res::STR_MORE_ENTRIES}));
}

TEST(LineCapacity, ExactlyFullTableHasNoMarker)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(AddResultLine(lines, std::to_string(i), 3));
    EndLines(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"0", "1", "2", res::STR_END_OF_DATA}));
}

TEST(LineCapacity, DefaultCapacityIsOneMillionLines)
{
    std::vector<std::string> lines(kLineCapacity - 1, "x");
    EXPECT_TRUE(AddResultLine(lines, "last"));
    EXPECT_FALSE(AddResultLine(lines, "one too many"));
    ASSERT_EQ(lines.size(), kLineCapacity + 1);
    EXPECT_EQ(lines[kLineCapacity - 1], "last");
    EXPECT_EQ(lines.back(), res::STR_MORE_ENTRIES);
}

TEST(LineCapacity, NetworkEntriesPastTheCapacityMarkTheTable)
{
    ResultTable table;
    EXPECT_TRUE(AddNetworkEntry(table, "uProvider", 1));
    EXPECT_FALSE(AddNetworkEntry(table, "D\tDOMAIN", 1));
    EXPECT_EQ(table.networkTable, (std::vector<std::string>{"uProvider"}));
    EXPECT_TRUE(table.networkFull);
}

TEST(Separator, Is223EqualSigns)
{
    EXPECT_EQ(g_separatorLine, std::string(223, '='));
}

// ---- pending work ----

struct CompletionLog {
    std::vector<WorkerKind> kinds;
    CPendingWork::Completion Callback()
    {
        return [this](WorkerKind kind) { kinds.push_back(kind); };
    }
};

TEST(PendingWork, CompletesOnlyWhenTheOutermostUnitEnds)
{
    CompletionLog log;
    CPendingWork work(log.Callback());
    work.ResetPendingWork(WorkerKind::FILES);
    work.EnterWork(WorkerKind::FILES);
    work.EnterWork(WorkerKind::FILES);
    work.EnterWork(WorkerKind::FILES);
    work.LeaveWork(WorkerKind::FILES);
    work.LeaveWork(WorkerKind::FILES);
    EXPECT_TRUE(log.kinds.empty());
    EXPECT_EQ(work.Pending(WorkerKind::FILES), 1);
    work.LeaveWork(WorkerKind::FILES);
    EXPECT_EQ(log.kinds, (std::vector<WorkerKind>{WorkerKind::FILES}));
}

TEST(PendingWork, KindsCountSeparately)
{
    CompletionLog log;
    CPendingWork work(log.Callback());
    work.EnterWork(WorkerKind::USERS);
    work.EnterWork(WorkerKind::GROUPS);
    work.LeaveWork(WorkerKind::GROUPS);
    EXPECT_EQ(log.kinds, (std::vector<WorkerKind>{WorkerKind::GROUPS}));
    EXPECT_EQ(work.Pending(WorkerKind::USERS), 1);
}

TEST(PendingWork, TwoBrowsesNeverShareCounters)
{
    CompletionLog first;
    CompletionLog second;
    CPendingWork a(first.Callback());
    CPendingWork b(second.Callback());
    a.EnterWork(WorkerKind::NETWORK);
    b.EnterWork(WorkerKind::NETWORK);
    b.EnterWork(WorkerKind::NETWORK);
    a.LeaveWork(WorkerKind::NETWORK);
    EXPECT_EQ(first.kinds.size(), 1u);
    EXPECT_TRUE(second.kinds.empty());
    EXPECT_EQ(b.Pending(WorkerKind::NETWORK), 2);
}

TEST(PendingWork, ResetForgetsUnitsOfAnEarlierStart)
{
    CompletionLog log;
    CPendingWork work(log.Callback());
    work.EnterWork(WorkerKind::USERS);
    work.EnterWork(WorkerKind::USERS);
    work.ResetPendingWork(WorkerKind::USERS);
    work.EnterWork(WorkerKind::USERS);
    work.LeaveWork(WorkerKind::USERS);
    EXPECT_EQ(log.kinds.size(), 1u);
}

TEST(PendingWork, UnknownKindCompletesAtOnce)
{
    CompletionLog log;
    CPendingWork work(log.Callback());
    const auto unknown = static_cast<WorkerKind>(7);
    work.EnterWork(unknown);
    work.LeaveWork(unknown);
    EXPECT_EQ(log.kinds, (std::vector<WorkerKind>{unknown}));
}

TEST(PendingWork, UnitsOnSeveralThreadsCompleteExactlyOnce)
{
    std::atomic<int> completions{0};
    CPendingWork work([&](WorkerKind) { completions.fetch_add(1); });
    work.EnterWork(WorkerKind::FILES);  // the outermost unit
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                work.EnterWork(WorkerKind::FILES);
                work.LeaveWork(WorkerKind::FILES);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(completions.load(), 0);
    work.LeaveWork(WorkerKind::FILES);
    EXPECT_EQ(completions.load(), 1);
}

}  // namespace
