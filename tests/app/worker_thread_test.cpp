// Worker threads: the stack size, the start gate and the nice values.
#include "app/worker_thread.h"

#include "platform/threads/owned_threads.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <limits>

namespace {

// A worker counts itself out of RunningWorkerThreads before it ends as an owned
// thread, so once no owned thread runs, no worker does.
bool WaitForNoWorkers()
{
    return threads::WaitForOwnedThreads(std::chrono::seconds(10)) && RunningWorkerThreads() == 0;
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
    // Start returns once the thread is waiting; a thread that ran its body instead
    // would be doing so while the checks below run, and the body notes whether the
    // starter had come to Release when it ran.
    std::atomic<bool> releasing{false};
    std::atomic<bool> ran{false};
    std::atomic<bool> ranReleased{false};
    PendingThread thread;
    ASSERT_TRUE(thread.Start(kWorkerStackBytes, [&] {
        ranReleased = releasing.load();
        ran = true;
    }));
    EXPECT_GT(thread.Tid(), 0);
    EXPECT_NE(thread.Tid(), gettid());
    EXPECT_FALSE(ran.load());
    EXPECT_EQ(RunningWorkerThreads(), 1);
    releasing = true;
    thread.Release();
    ASSERT_TRUE(WaitForNoWorkers());
    EXPECT_TRUE(ran.load());
    EXPECT_TRUE(ranReleased.load()) << "the body ran before Release";
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
    // No thread has this id (ids stay below pid_max, at most 2^22): any call about it
    // fails, so only a change of 0 that makes no call succeeds.
    constexpr pid_t kNoThread = std::numeric_limits<pid_t>::max();
    EXPECT_FALSE(SetThreadNiceDelta(kNoThread, 5));
    EXPECT_TRUE(SetThreadNiceDelta(kNoThread, 0));
}

}  // namespace
