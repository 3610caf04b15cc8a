// The soak's verdict: growth is charged to the library only beyond what its baselines keep.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "soak_report.h"

namespace {

using bench::PhaseResult;

PhaseResult Phase(const std::string& name, std::int64_t cycles, std::int64_t handleGrowth,
                  std::int64_t byteGrowth, std::int64_t failures = 0) {
    PhaseResult phase;
    phase.name = name;
    phase.cycles = cycles;
    phase.failures = failures;
    phase.handlesAfterWarmUp = 100;
    phase.handlesAtEnd = 100 + handleGrowth;
    phase.heapBytesAfterWarmUp = 1 << 20;
    phase.heapBytesAtEnd = (1 << 20) + byteGrowth;
    // Private bytes are shown, never judged: a wild figure must not change the verdict.
    phase.privateBytesAfterWarmUp = 0;
    phase.privateBytesAtEnd = 1'000'000'000;
    return phase;
}

struct VerdictCase {
    const char* name;
    PhaseResult library;
    std::vector<PhaseResult> baselines;
    bool within;
};

void PrintTo(const VerdictCase& c, std::ostream* out) { *out << c.name; }

class SoakVerdict : public ::testing::TestWithParam<VerdictCase> {};

// Tolerance: 2 handles, 64 heap bytes per cycle.
TEST_P(SoakVerdict, ChargesOnlyGrowthBeyondTheBaselines) {
    bench::SoakReport report(2, 64);
    report.Compare(GetParam().library, GetParam().baselines);
    EXPECT_EQ(report.WithinBaseline(), GetParam().within);
}

PhaseResult Unmeasured(bool handles) {
    PhaseResult phase = Phase("library", 100, 0, 0);
    (handles ? phase.handlesAtEnd : phase.heapBytesAtEnd) = -1;
    return phase;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoakVerdict,
    ::testing::Values(
        VerdictCase{"SameGrowthAsTheBaseline",
                    Phase("library", 1000, 2000, 4'000'000),
                    {Phase("bare", 1000, 2000, 4'000'000)},
                    true},
        VerdictCase{"OneHandleMorePerCycle",
                    Phase("library", 1000, 3000, 0),
                    {Phase("bare", 1000, 2000, 0)},
                    false},
        VerdictCase{"ToleratedHandles", Phase("library", 1000, 2, 0), {}, true},
        VerdictCase{"OneHandleBeyondTheTolerance", Phase("library", 1000, 3, 0), {}, false},
        // 1,000 refusals against 10,000 bare cycles: the baseline counts per cycle.
        VerdictCase{"BaselineScaledToTheCycles",
                    Phase("refusal", 1000, 200, 0),
                    {Phase("bare", 10000, 2000, 0)},
                    true},
        VerdictCase{"BaselineNotScaledUp",
                    Phase("refusal", 1000, 2000, 0),
                    {Phase("bare", 10000, 2000, 0)},
                    false},
        VerdictCase{"BaselinesAddUp",
                    Phase("library", 100, 0, 100 * 8000),
                    {Phase("bare", 100, 0, 100 * 4000), Phase("runtime", 100, 0, 100 * 4000)},
                    true},
        VerdictCase{"ShrinkingBaselineExcusesNothing",
                    Phase("library", 100, 100, 0),
                    {Phase("bare", 100, -100, 0)},
                    false},
        VerdictCase{
            "BytesPerCycleBeyondTheTolerance", Phase("library", 1000, 0, 1000 * 65), {}, false},
        VerdictCase{
            "BytesPerCycleWithinTheTolerance", Phase("library", 1000, 0, 1000 * 64), {}, true},
        VerdictCase{"FailedCycles", Phase("library", 1000, 0, 0, 1), {}, false},
        VerdictCase{"UncountedHandles", Unmeasured(true), {}, false},
        VerdictCase{"UnmeasuredHeap", Unmeasured(false), {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
