// One phase of the soak: the same cycle many times in one process, with the process's handle
// count and private bytes taken after a warm-up and again at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace bench {

struct PhaseResult {
    std::string name;
    std::int64_t cycles = 0;
    std::int64_t failures = 0;             // cycles whose outcome was not the expected one
    std::int64_t handlesAfterWarmUp = -1;  // -1: the count could not be taken
    std::int64_t handlesAtEnd = -1;
    std::int64_t privateBytesAfterWarmUp = -1;
    std::int64_t privateBytesAtEnd = -1;
    std::int64_t heapBytesAfterWarmUp = -1;
    std::int64_t heapBytesAtEnd = -1;

    std::int64_t HandleGrowth() const { return handlesAtEnd - handlesAfterWarmUp; }
    std::int64_t ByteGrowth() const { return privateBytesAtEnd - privateBytesAfterWarmUp; }
    std::int64_t HeapGrowth() const { return heapBytesAtEnd - heapBytesAfterWarmUp; }
    bool Measured() const {
        return handlesAfterWarmUp >= 0 && handlesAtEnd >= 0 && heapBytesAfterWarmUp >= 0 &&
               heapBytesAtEnd >= 0;
    }
};

// cycle answers whether that cycle's outcome was the expected one.
PhaseResult RunPhase(const std::string& name, std::int64_t warmUpCycles, std::int64_t cycles,
                     const std::function<bool()>& cycle);

}  // namespace bench
