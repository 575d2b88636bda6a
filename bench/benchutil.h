#pragma once
// Small helpers shared by the benchmark programs.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace soinsuu::bench {

// Median wall time of fn over the given number of runs, in milliseconds.
inline double medianMs(int runs, const std::function<void()>& fn)
{
    std::vector<double> times;
    times.reserve(std::size_t(runs));
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        const auto t1 = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline void report(const char* name, double value, const char* unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

} // namespace soinsuu::bench
