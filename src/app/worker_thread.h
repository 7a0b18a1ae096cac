// Worker threads of the browse engine: a detached thread with a chosen stack size
// whose priority is set before its body runs, as per-thread nice values.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <memory>

// Stack size of every browse worker.
inline constexpr std::size_t kWorkerStackBytes = 500'000;

// Change of the worker's nice value for a browse_priority (0 lowest .. 4 highest);
// any other value gives 0, normal priority.
int NiceDeltaForPriority(int browsePriority);

// Applies a nice change to thread `tid`, relative to its present value (a new thread
// has its creator's). A delta of 0 succeeds without a call; raising the priority
// needs CAP_SYS_NICE and fails otherwise. Returns false on failure.
bool SetThreadNiceDelta(pid_t tid, int delta);

using ThreadPrioritySetter = std::function<bool(pid_t tid, int delta)>;

// A thread that has been created but waits for Release() before it runs its body,
// so its starter can set its priority and prepare the window first. Destroying a
// started but unreleased thread releases it with the body skipped.
class PendingThread {
public:
    PendingThread();
    ~PendingThread();
    PendingThread(const PendingThread&) = delete;
    PendingThread& operator=(const PendingThread&) = delete;

    // Creates the (detached) thread. False when the system refuses to create it.
    bool Start(std::size_t stackBytes, std::function<void()> body);
    // Kernel thread id of the started thread.
    pid_t Tid() const;
    // Lets the thread run its body (run = true) or end at once (run = false).
    void Release(bool run = true);

    // State shared with the thread itself.
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    bool m_bReleased = true;
};

// Worker threads started through PendingThread that have not ended yet.
int RunningWorkerThreads();
