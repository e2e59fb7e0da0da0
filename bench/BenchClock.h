#pragma once
// Timing for the benchmarks: milliseconds from the performance counter, and
// the median of several runs.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace cx::bench {

inline double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

inline double Median(std::vector<double> t) {
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// The median of `runs` runs of `work`, in milliseconds.
inline double Time(const std::function<void()>& work, int runs = 5) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        double start = Now();
        work();
        t.push_back(Now() - start);
    }
    return Median(t);
}

}  // namespace cx::bench
