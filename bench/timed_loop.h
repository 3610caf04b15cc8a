// The loop the probes run: untimed warm-up cycles, then timed cycles, each time printed on a
// line of its own in milliseconds for the benchmark to collect.
#pragma once

#include <cstdint>
#include <cstdio>

#include "stopwatch.h"

namespace bench {

// cycle answers false when the cycle did not do what it should; the loop then stops and
// answers false too.
template <typename Cycle>
bool RunTimedLoop(std::int64_t warmUpCycles, std::int64_t cycles, Cycle&& cycle) {
    for (std::int64_t i = 0; i < warmUpCycles; ++i) {
        if (!cycle()) return false;
    }
    for (std::int64_t i = 0; i < cycles; ++i) {
        const Stopwatch watch;
        const bool ok = cycle();
        const double ms = watch.ElapsedMs();
        if (!ok) return false;
        std::printf("%.4f\n", ms);
    }
    return true;
}

}  // namespace bench
