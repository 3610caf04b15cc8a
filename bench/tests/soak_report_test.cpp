// The soak's verdict: growth is charged to the library only beyond what its baselines keep.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "soak_report.h"

namespace {

using bench::PhaseResult;

constexpr std::int64_t kUnmeasured = INT64_MIN;

PhaseResult Phase(std::int64_t cycles, std::int64_t handleGrowth, std::int64_t byteGrowth,
                  std::int64_t failures = 0) {
    PhaseResult phase;
    phase.name = "phase";
    phase.cycles = cycles;
    phase.failures = failures;
    phase.handlesAfterWarmUp = 100;
    phase.handlesAtEnd = handleGrowth == kUnmeasured ? -1 : 100 + handleGrowth;
    phase.heapBytesAfterWarmUp = 1 << 20;
    phase.heapBytesAtEnd = byteGrowth == kUnmeasured ? -1 : (1 << 20) + byteGrowth;
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

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SoakVerdict, ::testing::Values(
    VerdictCase{"SameGrowthAsTheBaseline",     Phase(1000, 2000, 4'000'000), {Phase(1000, 2000, 4'000'000)}, true},
    VerdictCase{"OneHandleMorePerCycle",       Phase(1000, 3000, 0),         {Phase(1000, 2000, 0)},         false},
    VerdictCase{"ToleratedHandles",            Phase(1000, 2, 0),            {},                             true},
    VerdictCase{"OneHandleBeyondTheTolerance", Phase(1000, 3, 0),            {},                             false},
    // 1,000 refusals against 10,000 bare cycles: the baseline counts per cycle.
    VerdictCase{"BaselineScaledToTheCycles",   Phase(1000, 200, 0),          {Phase(10000, 2000, 0)},        true},
    VerdictCase{"BaselineNotScaledUp",         Phase(1000, 2000, 0),         {Phase(10000, 2000, 0)},        false},
    VerdictCase{"BaselinesAddUp",              Phase(100, 0, 800'000),       {Phase(100, 0, 400'000), Phase(100, 0, 400'000)}, true},
    VerdictCase{"ShrinkingBaselineExcusesNothing", Phase(100, 100, 0),       {Phase(100, -100, 0)},          false},
    VerdictCase{"BytesPerCycleWithinTheTolerance", Phase(1000, 0, 64'000),   {},                             true},
    VerdictCase{"BytesPerCycleBeyondTheTolerance", Phase(1000, 0, 65'000),   {},                             false},
    VerdictCase{"FailedCycles",                Phase(1000, 0, 0, 1),         {},                             false},
    VerdictCase{"UncountedHandles",            Phase(100, kUnmeasured, 0),   {},                             false},
    VerdictCase{"UnmeasuredHeap",              Phase(100, 0, kUnmeasured),   {},                             false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
