// The bypass of the session start, as the host sees it through the exports and the diagnostic
// sink.
#include <gtest/gtest.h>

#include <string>

#include "dttscsdk/dttscsdk.h"
#include "support/diagnostic_recorder.h"
#include "support/scoped_environment.h"
#include "support/wrapper_log.h"

namespace {

class Bypass : public ::testing::TestWithParam<const wchar_t*> {};

// Any value switches the start off, even "0" or an empty one; nothing was started, so there is
// nothing to update or tear down.
TEST_P(Bypass, AnyValueSkipsTheSessionWithOneInfoMessage) {
    const tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", GetParam());
    tsctest::DiagnosticRecorder recorder;
    tsctest::LogWatcher log;

    EXPECT_FALSE(dtutInitializeTSC());
    EXPECT_FALSE(dtutUpdatePathForTSC());
    dtutUninitializeTSC();
    EXPECT_EQ(recorder.messages(),
              (std::vector<tsctest::Diagnostic>{{"INFO", "Intialize is bypassed"}}));
    EXPECT_TRUE(log.NewLines().empty()) << "the wrapper is not called";
}

INSTANTIATE_TEST_SUITE_P(Values, Bypass, ::testing::Values(L"1", L"0", L"false", L""));

}  // namespace
