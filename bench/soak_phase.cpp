#include "soak_phase.h"

#include <cstdio>

#include "support/handle_count.h"

namespace bench {
namespace {

constexpr std::int64_t kFailuresToGiveUp = 10;

std::int64_t HandleCountNow() {
    const auto count = tsctest::ProcessHandleCount();
    return count ? static_cast<std::int64_t>(*count) : -1;
}

std::int64_t PrivateBytesNow() {
    const auto bytes = tsctest::ProcessPrivateBytes();
    return bytes ? static_cast<std::int64_t>(*bytes) : -1;
}

std::int64_t HeapBytesNow() {
    const auto bytes = tsctest::ProcessHeapBytesInUse();
    return bytes ? static_cast<std::int64_t>(*bytes) : -1;
}

}  // namespace

PhaseResult RunPhase(const std::string& name, std::int64_t warmUpCycles, std::int64_t cycles,
                     const std::function<bool()>& cycle) {
    PhaseResult result;
    result.name = name;
    result.cycles = cycles;
    std::fprintf(stderr, "soak: %s ...\n", name.c_str());
    // Caches filled on first use (providers, the loader's lists, the heap's arenas) are not
    // leaks: the counting starts once they are warm.
    for (std::int64_t i = 0; i < warmUpCycles; ++i) {
        if (!cycle()) ++result.failures;
    }
    result.handlesAfterWarmUp = HandleCountNow();
    result.privateBytesAfterWarmUp = PrivateBytesNow();
    result.heapBytesAfterWarmUp = HeapBytesNow();
    // A phase whose cycles keep failing measures nothing useful: it stops early.
    for (std::int64_t i = 0; i < cycles && result.failures < kFailuresToGiveUp; ++i) {
        if (!cycle()) ++result.failures;
    }
    result.handlesAtEnd = HandleCountNow();
    result.privateBytesAtEnd = PrivateBytesNow();
    result.heapBytesAtEnd = HeapBytesNow();
    return result;
}

}  // namespace bench
