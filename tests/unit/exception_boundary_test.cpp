// Memory exhaustion beneath an export never reaches the host: the export answers false and
// the process goes on, able to start a session afterwards.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "dttscsdk/dttscsdk.h"
#include "location/location_seams.h"
#include "support/machine.h"
#include "support/scoped_seam.h"
#include "support/sdk_journal.h"

namespace {

int queriesBeforeFailure = 0;
std::uint32_t (*realStatusQuery)(const std::wstring&) = nullptr;

class ExceptionBoundary : public ::testing::TestWithParam<int> {};

// Query 0 is the self-update lock file, 1 the SDK path, 2 the install root, 3 the version folder.
TEST_P(ExceptionBoundary, FailureAtAnyFileQueryAnswersFalseAndTheNextSessionWorks) {
    tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    queriesBeforeFailure = GetParam();
    {
        // Fails the n-th file-status query (counting from 0) as an exhausted heap would.
        tsctest::ScopedSeam seam(
            tsc::seams::statusQuery, +[](const std::wstring& path) {
                if (queriesBeforeFailure-- == 0) throw std::bad_alloc();
                return realStatusQuery(path);
            });
        realStatusQuery = seam.original();
        EXPECT_FALSE(dtutInitializeTSC());
        dtutUninitializeTSC();
    }
    EXPECT_TRUE(dtutInitializeTSC());
    EXPECT_TRUE(dtutUpdatePathForTSC());
    dtutUninitializeTSC();
    const auto exports = journal.Exports();
    ASSERT_FALSE(exports.empty());
    EXPECT_EQ(exports.back(), "Uninitialize") << "the session that worked was closed";
}

INSTANTIATE_TEST_SUITE_P(Queries, ExceptionBoundary, ::testing::Values(0, 1, 2, 3));

}  // namespace
