// Many sessions in one process leave no handles and no heap memory behind, on the success path
// and on each refusal, whether the host keeps the library loaded or loads it once per session:
// the soak at small counts, each library phase against its baselines in the same process.
#include <gtest/gtest.h>

#include "harness/paths.h"
#include "harness/program_run.h"

namespace {

// Puts this process, and so the programs it starts, in a job that ends them all when its last
// handle goes: a soak outliving a test killed at its time-out would change the registry under
// the tests that follow. This process stays in the job, so the job lets go before it is closed.
class KillOnCloseJob {
  public:
    KillOnCloseJob() : job_(CreateJobObjectW(nullptr, nullptr)) {
        EXPECT_TRUE(KillOnClose(JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE) &&
                    AssignProcessToJobObject(job_.get(), GetCurrentProcess()));
    }
    ~KillOnCloseJob() { KillOnClose(0); }

  private:
    bool KillOnClose(DWORD flag) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = flag;
        return SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                       sizeof(limits));
    }
    tsctest::UniqueHandle job_;
};

TEST(Leaks, SoakAtSmallCountsKeepsNothingBeyondItsBaselines) {
    const KillOnCloseJob job;
    const tsctest::ProgramRun soak =
        tsctest::RunProgram(tsctest::BinDir() + L"\\soak.exe",
                            L"--cycles 100 --loads 100 --refusal-cycles 100 --warm-up 10");
    ASSERT_TRUE(soak.started);
    EXPECT_EQ(soak.exitCode, 0u) << soak.output;
}

}  // namespace
