// Elapsed time from the monotonic clock (the performance counter, on Windows), in
// milliseconds, and the loop the probes run with it.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace bench {

class Stopwatch {
  public:
    double ElapsedMs() const {
        return std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
    }

  private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_ = Clock::now();
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
