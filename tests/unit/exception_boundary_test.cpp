// Memory exhaustion beneath an export never reaches the host: the export answers false and
// the process goes on, able to start a session afterwards.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <string>

#include "dttscsdk/dttscsdk.h"
#include "location/location_seams.h"
#include "support/machine.h"
#include "support/scoped_environment.h"
#include "support/sdk_journal.h"

namespace {

std::uint32_t (*const realStatusQuery)(const std::wstring&) = tsc::seams::statusQuery;
int queriesBeforeFailure = 0;

// Fails the n-th file-status query (counting from 0) as an exhausted heap would.
std::uint32_t FailingStatusQuery(const std::wstring& path) {
    if (queriesBeforeFailure-- == 0) throw std::bad_alloc();
    return realStatusQuery(path);
}

class ExceptionBoundary : public ::testing::TestWithParam<int> {
  protected:
    void TearDown() override { tsc::seams::statusQuery = realStatusQuery; }
    tsctest::ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    tsctest::ScopedEnvironmentVariable path_{L"PATH", L"C:\\windows\\system32;C:\\windows"};
};

// Query 0 is the self-update lock file, 1 the SDK path, 2 the install root, 3 the version folder.
TEST_P(ExceptionBoundary, FailureAtAnyFileQueryAnswersFalseAndTheNextSessionWorks) {
    tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    queriesBeforeFailure = GetParam();
    tsc::seams::statusQuery = &FailingStatusQuery;

    EXPECT_FALSE(dtutInitializeTSC());
    dtutUninitializeTSC();

    tsc::seams::statusQuery = realStatusQuery;
    EXPECT_TRUE(dtutInitializeTSC());
    EXPECT_TRUE(dtutUpdatePathForTSC());
    dtutUninitializeTSC();
    const auto exports = journal.Exports();
    ASSERT_GE(exports.size(), 2u);
    EXPECT_EQ(exports.back(), "Uninitialize") << "the session that worked was closed";
}

INSTANTIATE_TEST_SUITE_P(Queries, ExceptionBoundary, ::testing::Values(0, 1, 2, 3));

}  // namespace
