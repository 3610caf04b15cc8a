// Elapsed wall-clock time from the performance counter, in milliseconds, and the loop the probes
// run with it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace bench {

class Stopwatch {
  public:
    Stopwatch() { QueryPerformanceCounter(&start_); }

    double ElapsedMs() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
               static_cast<double>(Frequency());
    }

  private:
    static LONGLONG Frequency() {
        static const LONGLONG frequency = [] {
            LARGE_INTEGER value;
            QueryPerformanceFrequency(&value);
            return value.QuadPart;
        }();
        return frequency;
    }

    LARGE_INTEGER start_;
};

// Untimed warm-up cycles, then timed cycles, each time printed on a line of its own in
// milliseconds for the benchmark to collect; `prepare` runs untimed before every cycle. cycle
// answers false when the cycle did not do what it should; the loop then stops and answers false.
template <typename Cycle, typename Prepare = void (*)()>
bool RunTimedLoop(
    std::int64_t warmUpCycles, std::int64_t cycles, Cycle&& cycle, Prepare&& prepare = [] {}) {
    for (std::int64_t i = 0; i < warmUpCycles + cycles; ++i) {
        prepare();
        const Stopwatch watch;
        const bool ok = cycle();
        const double ms = watch.ElapsedMs();
        if (!ok) return false;
        if (i >= warmUpCycles) std::printf("%.4f\n", ms);
    }
    return true;
}

}  // namespace bench
