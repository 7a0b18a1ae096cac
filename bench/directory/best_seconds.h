// The best of several timed runs, for the controller benchmarks.
#pragma once

#include <chrono>
#include <functional>

namespace vxbench {

// The best of `rounds` runs of `work`, in seconds.
inline double BestSeconds(int rounds, const std::function<void()>& work)
{
    double best = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (i == 0 || seconds < best)
            best = seconds;
    }
    return best;
}

}  // namespace vxbench
