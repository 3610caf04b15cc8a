// Many sessions in one process leave no handles and no heap memory behind, on the success path
// and on each refusal, whether the host keeps the library loaded or loads it once per session:
// the soak at small counts, each library phase against its baselines in the same process.
#include <gtest/gtest.h>

#include "harness/paths.h"
#include "harness/program_run.h"

namespace {

TEST(Leaks, SoakAtSmallCountsKeepsNothingBeyondItsBaselines) {
    const tsctest::ProgramRun soak =
        tsctest::RunProgram(tsctest::BinDir() + L"\\soak.exe",
                            L"--cycles 100 --loads 100 --refusal-cycles 100 --warm-up 10");
    ASSERT_TRUE(soak.started);
    EXPECT_EQ(soak.exitCode, 0u) << soak.output;
}

}  // namespace
