// One phase of the soak: the same cycle many times in one process, with the process's handle
// count, heap bytes in use and private bytes taken after a warm-up, halfway and at the end.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

namespace bench {

struct PhaseResult {
    std::string name;
    std::int64_t cycles = 0;
    std::int64_t failures = 0;             // cycles whose outcome was not the expected one
    std::int64_t handlesAfterWarmUp = -1;  // -1: the count could not be taken
    std::int64_t handlesAtMiddle = -1;
    std::int64_t handlesAtEnd = -1;
    std::int64_t heapBytesAfterWarmUp = -1;
    std::int64_t heapBytesAtMiddle = -1;
    std::int64_t heapBytesAtEnd = -1;
    std::int64_t privateBytesAfterWarmUp = -1;
    std::int64_t privateBytesAtEnd = -1;

    // Growth over the phase, judged as twice the smaller growth of its two halves: a leak grows
    // in both, while something the platform sets up once and for good (a worker it starts late,
    // as it does while a fresh prefix is still starting its services) shows in one only.
    std::int64_t HandleGrowth() const {
        return SteadyGrowth(handlesAfterWarmUp, handlesAtMiddle, handlesAtEnd);
    }
    std::int64_t HeapGrowth() const {
        return SteadyGrowth(heapBytesAfterWarmUp, heapBytesAtMiddle, heapBytesAtEnd);
    }
    // Private bytes grow in whole pages and heap segments: shown over the whole phase, not judged.
    std::int64_t ByteGrowth() const { return privateBytesAtEnd - privateBytesAfterWarmUp; }
    bool Measured() const {
        return std::min({handlesAfterWarmUp, handlesAtMiddle, handlesAtEnd, heapBytesAfterWarmUp,
                         heapBytesAtMiddle, heapBytesAtEnd}) >= 0;
    }

  private:
    static std::int64_t SteadyGrowth(std::int64_t start, std::int64_t middle, std::int64_t end) {
        return 2 * std::min(middle - start, end - middle);
    }
};

// cycle answers whether that cycle's outcome was the expected one. The halves are equal when
// cycles is even.
PhaseResult RunPhase(const std::string& name, std::int64_t warmUpCycles, std::int64_t cycles,
                     const std::function<bool()>& cycle);

}  // namespace bench
