#include "soak_phase.h"

#include <cstdio>
#include <optional>

#include "handle_count.h"

namespace bench {
namespace {

constexpr std::int64_t kFailuresToGiveUp = 10;

template <typename Count>
std::int64_t OrUnmeasured(const std::optional<Count>& count) {
    return count ? static_cast<std::int64_t>(*count) : -1;
}

Holdings Take() {
    return {OrUnmeasured(ProcessHandleCount()), OrUnmeasured(ProcessHeapBytesInUse()),
            OrUnmeasured(ProcessPrivateBytes())};
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
    // A phase whose cycles keep failing measures nothing useful: it stops early.
    const auto run = [&](std::int64_t count) {
        for (std::int64_t i = 0; i < count && result.failures < kFailuresToGiveUp; ++i) {
            if (!cycle()) ++result.failures;
        }
    };
    result.warm = Take();
    run(cycles / 2);
    result.middle = Take();
    run(cycles - cycles / 2);
    result.end = Take();
    return result;
}

}  // namespace bench
