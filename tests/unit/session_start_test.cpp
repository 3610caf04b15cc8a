// Session start as the host sees it through the diagnostic sink.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "dttscsdk/dttscsdk.h"
#include "support/diagnostic_recorder.h"
#include "support/machine.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/scoped_registry.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::Diagnostic;

class Bypass : public ::testing::TestWithParam<std::wstring> {};

// Any value switches the start off, even "0" or an empty one.
TEST_P(Bypass, AnyValueSkipsTheSessionWithOneInfoMessage) {
    tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", GetParam());
    tsctest::DiagnosticRecorder recorder;
    tsctest::LogWatcher log;

    EXPECT_FALSE(dtutInitializeTSC());
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0], (Diagnostic{"INFO", "Intialize is bypassed"}));
    EXPECT_TRUE(log.NewLines().empty()) << "the wrapper is not called";

    // Nothing was started, so there is nothing to update or tear down.
    EXPECT_FALSE(dtutUpdatePathForTSC());
    dtutUninitializeTSC();
    EXPECT_EQ(recorder.messages().size(), 1u);
    EXPECT_TRUE(log.NewLines().empty());
}

INSTANTIATE_TEST_SUITE_P(Values, Bypass, ::testing::Values(L"1", L"0", L"false", L""),
                         [](const auto& info) { return "Value" + std::to_string(info.index); });

// A session that cannot be opened is reported as a warning with the wrapper's status, and the
// start goes on to the folder.
TEST(SessionStart, FailedSessionWarnsWithTheStatusAndGoesOn) {
    tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", std::nullopt);
    tsctest::HealthyMachine machine;
    machine.ReleaseKey().DeleteKey();
    // A self-update naming this very process refuses every load, with status 8.
    tsctest::ScopedDirectory lockFolder(tsctest::kLockFileFolder);
    tsctest::ScopedFile lockFile(
        std::wstring(tsctest::kLockFileFolder) + L"\\TsQUILInstaller.run.lock",
        std::to_string(GetCurrentProcessId()));
    tsctest::DiagnosticRecorder recorder;

    EXPECT_FALSE(dtutInitializeTSC());
    ASSERT_GE(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0],
              (Diagnostic{"WARN", "Failed to intialize QUIL SDK wrapper status code:8"}));
    dtutUninitializeTSC();
}

}  // namespace
