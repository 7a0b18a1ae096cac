#include "platform/threads/owned_threads.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

namespace threads {
namespace {

thread_local std::stop_token t_stop;

// Never destroyed: threads that outlive main() still count themselves out.
struct Registry {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};

Registry& TheRegistry()
{
    static Registry* registry = new Registry;
    return *registry;
}

}  // namespace

std::stop_token CurrentStop()
{
    return t_stop;
}

bool StopRequested()
{
    return t_stop.stop_requested();
}

StopScope::StopScope(std::stop_token stop) : m_previous(std::move(t_stop))
{
    t_stop = std::move(stop);
}

StopScope::~StopScope()
{
    t_stop = std::move(m_previous);
}

void ThreadStarted()
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    ++r.running;
}

void ThreadEnded()
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    --r.running;
    r.ended.notify_all();
}

int RunningOwnedThreads()
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    return r.running;
}

bool WaitForOwnedThreads(std::chrono::milliseconds limit)
{
    Registry& r = TheRegistry();
    std::unique_lock lock(r.mutex);
    return r.ended.wait_for(lock, limit, [&] { return r.running == 0; });
}

int EndProgram(int status, std::chrono::milliseconds limit)
{
    if (!WaitForOwnedThreads(limit)) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

bool StartOwned(std::function<void()> body)
{
    ThreadStarted();
    try {
        std::thread([body = std::move(body), stop = CurrentStop()]() mutable {
            {
                StopScope scope(stop);
                try {
                    body();
                } catch (...) {
                    // Nothing the thread was doing can be finished; it ends here.
                }
                body = nullptr;  // what it holds goes before the thread counts as ended
            }
            ThreadEnded();
        }).detach();
    } catch (const std::system_error&) {
        ThreadEnded();
        return false;
    }
    return true;
}

}  // namespace threads
