// Timing for the Windows benchmarks: the best per-call time over several
// batches, since the machine is shared and the minimum is the figure least
// disturbed by other work.
#ifndef KAL_BENCH_BEST_OF_H
#define KAL_BENCH_BEST_OF_H

#include <windows.h>

inline double secondsBetween(LARGE_INTEGER from, LARGE_INTEGER to)
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Seconds per call of step(); after each call, between() runs inside the
// timing (for work a real caller would do anyway, such as emptying a queue).
template <typename Step, typename Between>
double bestPerCall(int batches, int rounds, Step step, Between between)
{
    double best = 1e9;
    for (int batch = 0; batch < batches; ++batch) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < rounds; ++i) {
            step();
            between();
        }
        QueryPerformanceCounter(&end);
        const double each = secondsBetween(start, end) / rounds;
        best = each < best ? each : best;
    }
    return best;
}

#endif
