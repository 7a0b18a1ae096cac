// Threads the program owns. Every thread it starts is counted here until it ends, so
// that the program never tears down what a running thread still uses; and each thread
// carries the stop token of the work it does, which its network calls look at between
// requests.
#pragma once

#include <chrono>
#include <functional>
#include <stop_token>

namespace threads {

// The stop token of the work the calling thread does; one that is never stopped
// outside any StopScope.
std::stop_token CurrentStop();
bool StopRequested();

// Makes `stop` the calling thread's token while it lives, then restores the previous one.
class StopScope {
public:
    explicit StopScope(std::stop_token stop);
    ~StopScope();
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

private:
    std::stop_token m_previous;
};

// Runs `body` on a new detached thread that is counted while it runs and carries the
// starter's stop token. What escapes `body` is caught there (the thread then just ends).
// False when the system refuses the thread; `body` is not run then.
bool StartOwned(std::function<void()> body);

// Counting for threads started by other means (the browse workers): one ThreadEnded
// for every ThreadStarted, as the thread's last act.
void ThreadStarted();
void ThreadEnded();

int RunningOwnedThreads();
// Waits until no owned thread runs, or `limit` has passed; true when none runs.
bool WaitForOwnedThreads(std::chrono::milliseconds limit);

// The end of the program: waits up to `limit` for its threads and returns `status` when
// none runs. One still inside a library past the bound is left behind: the process then
// ends at once with `status`, without the static teardown that library may still use.
int EndProgram(int status, std::chrono::milliseconds limit);

}  // namespace threads
