#include "app/worker_thread.h"

#include "platform/threads/owned_threads.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <limits.h>
#include <mutex>

namespace {

std::atomic<int> g_runningWorkers{0};

}  // namespace

int NiceDeltaForPriority(int browsePriority)
{
    switch (browsePriority) {
    case 0:
        return 10;
    case 1:
        return 5;
    case 3:
        return -5;
    case 4:
        return -10;
    default:
        return 0;
    }
}

bool SetThreadNiceDelta(pid_t tid, int delta)
{
    if (delta == 0)
        return true;
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (current == -1 && errno != 0)
        return false;
    const int wanted = std::clamp(current + delta, -20, 19);
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), wanted) == 0;
}

struct PendingThread::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    pid_t tid = 0;
    bool released = false;
    bool run = false;
    std::function<void()> body;
};

namespace {

void* ThreadEntry(void* arg)
{
    auto* holder = static_cast<std::shared_ptr<PendingThread::Shared>*>(arg);
    std::shared_ptr<PendingThread::Shared> shared = std::move(*holder);
    delete holder;
    bool run = false;
    {
        std::unique_lock lock(shared->mutex);
        shared->tid = gettid();
        shared->changed.notify_all();
        shared->changed.wait(lock, [&] { return shared->released; });
        run = shared->run;
    }
    if (run) {
        try {
            shared->body();
        } catch (...) {
            // The body reports its own failures; whatever escapes it ends only this thread.
        }
    }
    shared->body = nullptr;
    g_runningWorkers.fetch_sub(1);
    threads::ThreadEnded();
    return nullptr;
}

// At least `bytes`, in whole pages: the system takes only page multiples.
std::size_t StackSizeFor(std::size_t bytes)
{
    const long page = sysconf(_SC_PAGESIZE);
    const std::size_t pageBytes = page > 0 ? static_cast<std::size_t>(page) : 4096;
    const std::size_t size = std::max<std::size_t>(bytes, PTHREAD_STACK_MIN);
    return (size + pageBytes - 1) / pageBytes * pageBytes;
}

}  // namespace

PendingThread::PendingThread() : m_shared(std::make_shared<Shared>()) { }

PendingThread::~PendingThread()
{
    if (!m_bReleased)
        Release(false);
}

bool PendingThread::Start(std::size_t stackBytes, std::function<void()> body)
{
    m_shared->body = std::move(body);
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0)
        return false;
    bool ok = pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED) == 0 &&
              pthread_attr_setstacksize(&attr, StackSizeFor(stackBytes)) == 0;
    if (ok) {
        auto* holder = new std::shared_ptr<Shared>(m_shared);
        g_runningWorkers.fetch_add(1);
        threads::ThreadStarted();
        pthread_t thread;
        ok = pthread_create(&thread, &attr, &ThreadEntry, holder) == 0;
        if (!ok) {
            g_runningWorkers.fetch_sub(1);
            threads::ThreadEnded();
            delete holder;
        }
    }
    pthread_attr_destroy(&attr);
    if (!ok) {
        m_shared->body = nullptr;
        return false;
    }
    m_bReleased = false;
    std::unique_lock lock(m_shared->mutex);
    m_shared->changed.wait(lock, [&] { return m_shared->tid != 0; });
    return true;
}

pid_t PendingThread::Tid() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->tid;
}

void PendingThread::Release(bool run)
{
    if (m_bReleased)
        return;
    m_bReleased = true;
    std::lock_guard lock(m_shared->mutex);
    m_shared->released = true;
    m_shared->run = run;
    m_shared->changed.notify_all();
}

int RunningWorkerThreads()
{
    return g_runningWorkers.load();
}
