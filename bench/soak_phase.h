// One phase of the soak: the same cycle many times in one process, with the process's handle
// count, heap bytes in use and private bytes taken after a warm-up, halfway and at the end.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

namespace bench {

// What the process holds at one moment; -1 where a figure could not be taken.
struct Holdings {
    std::int64_t handles = -1;
    std::int64_t heapBytes = -1;     // in use in the process's heaps
    std::int64_t privateBytes = -1;  // committed
};

struct PhaseResult {
    std::string name;
    std::int64_t cycles = 0;
    std::int64_t failures = 0;  // cycles whose outcome was not the expected one
    Holdings warm;              // after the warm-up
    Holdings middle;            // after half the cycles
    Holdings end;               // after all

    // Growth over the phase, judged as twice the smaller growth of its two halves: a leak grows
    // in both, while something the platform sets up once and for good (a worker it starts late,
    // as it does while a fresh prefix is still starting its services) shows in one only.
    std::int64_t HandleGrowth() const { return SteadyGrowth(&Holdings::handles); }
    std::int64_t HeapGrowth() const { return SteadyGrowth(&Holdings::heapBytes); }
    // Private bytes grow in whole pages and heap segments: shown over the whole phase, not judged.
    std::int64_t ByteGrowth() const { return end.privateBytes - warm.privateBytes; }
    bool Measured() const {
        return std::min({warm.handles, middle.handles, end.handles, warm.heapBytes,
                         middle.heapBytes, end.heapBytes}) >= 0;
    }

  private:
    std::int64_t SteadyGrowth(std::int64_t Holdings::*figure) const {
        return 2 * std::min(middle.*figure - warm.*figure, end.*figure - middle.*figure);
    }
};

// cycle answers whether that cycle's outcome was the expected one. The halves are equal when
// cycles is even.
PhaseResult RunPhase(const std::string& name, std::int64_t warmUpCycles, std::int64_t cycles,
                     const std::function<bool()>& cycle);

}  // namespace bench
