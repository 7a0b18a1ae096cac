// Worker threads: the stack size, the start gate and the nice values.
#include "app/worker_thread.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

bool WaitForNoWorkers()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (RunningWorkerThreads() > 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(WorkerThread, RunsWithTheWorkerStackSize)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the thread sanitizer enlarges every thread's stack for its own use";
#endif
    std::atomic<std::size_t> stack{0};
    {
        PendingThread thread;
        ASSERT_TRUE(thread.Start(kWorkerStackBytes, [&] {
            pthread_attr_t attr;
            if (pthread_getattr_np(pthread_self(), &attr) == 0) {
                std::size_t size = 0;
                pthread_attr_getstacksize(&attr, &size);
                pthread_attr_destroy(&attr);
                stack = size;
            }
        }));
        thread.Release();
    }
    ASSERT_TRUE(WaitForNoWorkers());
    EXPECT_GE(stack.load(), kWorkerStackBytes);
    EXPECT_LT(stack.load(), kWorkerStackBytes + 65536);
}

TEST(WorkerThread, BodyWaitsForTheRelease)
{
    std::atomic<bool> ran{false};
    PendingThread thread;
    ASSERT_TRUE(thread.Start(kWorkerStackBytes, [&] { ran = true; }));
    EXPECT_GT(thread.Tid(), 0);
    EXPECT_NE(thread.Tid(), gettid());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(ran.load());
    EXPECT_EQ(RunningWorkerThreads(), 1);
    thread.Release();
    ASSERT_TRUE(WaitForNoWorkers());
    EXPECT_TRUE(ran.load());
}

TEST(WorkerThread, UnreleasedThreadEndsWithoutItsBody)
{
    std::atomic<bool> ran{false};
    {
        PendingThread thread;
        ASSERT_TRUE(thread.Start(kWorkerStackBytes, [&] { ran = true; }));
    }
    ASSERT_TRUE(WaitForNoWorkers());
    EXPECT_FALSE(ran.load());
}

TEST(WorkerThread, PriorityChoicesMapToNiceChanges)
{
    EXPECT_EQ(NiceDeltaForPriority(0), 10);
    EXPECT_EQ(NiceDeltaForPriority(1), 5);
    EXPECT_EQ(NiceDeltaForPriority(2), 0);
    EXPECT_EQ(NiceDeltaForPriority(3), -5);
    EXPECT_EQ(NiceDeltaForPriority(4), -10);
    EXPECT_EQ(NiceDeltaForPriority(5), 0);
    EXPECT_EQ(NiceDeltaForPriority(-1), 0);
}

TEST(WorkerThread, LoweringThePriorityChangesOnlyThatThread)
{
    std::atomic<int> niceInside{-100};
    PendingThread thread;
    ASSERT_TRUE(thread.Start(kWorkerStackBytes, [&] { niceInside = getpriority(PRIO_PROCESS, 0); }));
    const int before = getpriority(PRIO_PROCESS, 0);
    ASSERT_TRUE(SetThreadNiceDelta(thread.Tid(), 5));
    thread.Release();
    ASSERT_TRUE(WaitForNoWorkers());
    EXPECT_EQ(niceInside.load(), std::min(before + 5, 19));
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), before);
}

TEST(WorkerThread, RaisingThePriorityNeedsThePrivilege)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may raise priorities";
    std::atomic<bool> ran{false};
    PendingThread thread;
    ASSERT_TRUE(thread.Start(kWorkerStackBytes, [&] { ran = true; }));
    EXPECT_FALSE(SetThreadNiceDelta(thread.Tid(), -10));
    thread.Release();
    ASSERT_TRUE(WaitForNoWorkers());
    EXPECT_TRUE(ran.load());
}

TEST(WorkerThread, NormalPriorityNeedsNoCall)
{
    EXPECT_TRUE(SetThreadNiceDelta(0, 0));
}

}  // namespace
