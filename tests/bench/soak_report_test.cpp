// The soak's verdict: growth is charged to the library only beyond what its baselines keep.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "soak_report.h"
#include "support/table.h"

namespace {

using bench::PhaseResult;

constexpr std::int64_t kUnmeasured = INT64_MIN;

// Growth of the phase's first and second half; kUnmeasured for a count that could not be taken.
using Halves = std::pair<std::int64_t, std::int64_t>;

PhaseResult Phase(std::int64_t cycles, Halves handles, Halves bytes, std::int64_t failures = 0) {
    const auto after = [](std::int64_t at, std::int64_t growth) {
        return growth == kUnmeasured ? -1 : at + growth;
    };
    const std::int64_t middleHandles = after(100, handles.first);
    const std::int64_t middleBytes = after(1 << 20, bytes.first);
    // Private bytes are shown, never judged: a wild figure must not change the verdict.
    return {
        "phase",
        cycles,
        failures,
        {100, 1 << 20, 0},
        {middleHandles, middleBytes, 0},
        {after(middleHandles, handles.second), after(middleBytes, bytes.second), 1'000'000'000}};
}

struct VerdictCase : tsctest::Row {
    PhaseResult library;
    std::vector<PhaseResult> baselines;
    bool within;
};

class SoakVerdict : public ::testing::TestWithParam<VerdictCase> {};

// Tolerance: 2 handles, 64 heap bytes per cycle.
TEST_P(SoakVerdict, ChargesOnlyGrowthBeyondTheBaselines) {
    bench::SoakReport report(2, 64);
    report.Compare(GetParam().library, GetParam().baselines);
    EXPECT_EQ(report.WithinBaseline(), GetParam().within);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SoakVerdict, ::testing::Values(
    VerdictCase{"SameGrowthAsTheBaseline",     Phase(1000, {1000, 1000}, {2'000'000, 2'000'000}), {Phase(1000, {1000, 1000}, {2'000'000, 2'000'000})}, true},
    VerdictCase{"OneHandleMorePerCycle",       Phase(1000, {1500, 1500}, {0, 0}), {Phase(1000, {1000, 1000}, {0, 0})}, false},
    VerdictCase{"ToleratedHandles",            Phase(1000, {1, 1}, {0, 0}),       {},                                  true},
    VerdictCase{"HandlesBeyondTheTolerance",   Phase(1000, {2, 2}, {0, 0}),       {},                                  false},
    // What the platform sets up once shows in one half only.
    VerdictCase{"GrowthInOneHalfOnly",         Phase(1000, {0, 9}, {0, 9'000'000}), {},                                true},
    VerdictCase{"GrowthInTheFirstHalfOnly",    Phase(1000, {9, 0}, {9'000'000, 0}), {},                                true},
    // 1,000 refusals against 10,000 bare cycles: the baseline counts per cycle.
    VerdictCase{"BaselineScaledToTheCycles",   Phase(1000, {100, 100}, {0, 0}),   {Phase(10000, {1000, 1000}, {0, 0})}, true},
    VerdictCase{"BaselineNotScaledUp",         Phase(1000, {1000, 1000}, {0, 0}), {Phase(10000, {1000, 1000}, {0, 0})}, false},
    VerdictCase{"BaselinesAddUp",              Phase(100, {0, 0}, {400'000, 400'000}), {Phase(100, {0, 0}, {200'000, 200'000}), Phase(100, {0, 0}, {200'000, 200'000})}, true},
    VerdictCase{"ShrinkingBaselineExcusesNothing", Phase(100, {50, 50}, {0, 0}),  {Phase(100, {-50, -50}, {0, 0})},      false},
    VerdictCase{"BytesPerCycleWithinTheTolerance", Phase(1000, {0, 0}, {32'000, 32'000}), {},                          true},
    VerdictCase{"BytesPerCycleBeyondTheTolerance", Phase(1000, {0, 0}, {32'500, 32'500}), {},                          false},
    VerdictCase{"FailedCycles",                Phase(1000, {0, 0}, {0, 0}, 1),    {},                                  false},
    VerdictCase{"UncountedHandles",            Phase(100, {0, kUnmeasured}, {0, 0}), {},                               false},
    VerdictCase{"UnmeasuredHeap",              Phase(100, {0, 0}, {kUnmeasured, 0}), {},                               false}),
    tsctest::RowName);
// clang-format on

}  // namespace
