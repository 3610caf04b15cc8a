// The three exports and the module state behind them, driven through the built DLL.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/machine.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::DttscsdkDll;
using tsctest::LogWatcher;

// Whether the log shows that a start ran its whole sequence anew.
bool RanAnew(const LogWatcher& log) {
    const auto lines = log.NewLines();
    return !lines.empty() && lines[0] == tsctest::kSeparatorLine;
}

TEST(Exports, UpdateAndUninitializeBeforeAnyStartDoNothing) {
    const tsctest::HealthyMachine machine;
    const DttscsdkDll dll;
    LogWatcher log;
    const auto pathBefore = tsctest::GetEnv(L"PATH");
    EXPECT_FALSE(dll.UpdatePath());
    dll.Uninitialize();
    EXPECT_EQ(tsctest::GetEnv(L"PATH"), pathBefore);
    EXPECT_TRUE(log.NewLines().empty());
}

struct PathCase : tsctest::Row {
    const wchar_t* path;
    bool refused;
};

class PathNamingSharedComponents : public ::testing::TestWithParam<PathCase> {};

// A PATH that already names the shared components (anywhere, case-sensitively) refuses the
// start before anything else happens.
TEST_P(PathNamingSharedComponents, RefusesBeforeAnySessionAttempt) {
    const tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    tsctest::SetEnv(L"PATH", GetParam().path);
    LogWatcher log;
    const DttscsdkDll dll;

    EXPECT_EQ(dll.Initialize(), !GetParam().refused);
    EXPECT_EQ(RanAnew(log), !GetParam().refused) << "a session attempt writes the log";
    EXPECT_EQ(journal.Calls().empty(), GetParam().refused);
    EXPECT_EQ(dll.UpdatePath(), !GetParam().refused);
    dll.Uninitialize();
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Paths, PathNamingSharedComponents, ::testing::Values(
    PathCase{"InTheMiddleOfAnEntry", L"C:\\windows;D:\\Program Files\\Tesmora Shared\\Components\\3.1\\bin;C:\\x", true},
    PathCase{"AsTheWholeValue",      L"Tesmora Shared\\Components",                           true},
    PathCase{"InOtherLetterCase",    L"C:\\windows;D:\\TESMORA SHARED\\components\\3.1",      false},
    PathCase{"WithForwardSlash",     L"C:\\windows;D:\\Tesmora Shared/Components",            false}),
    tsctest::RowName);
// clang-format on

// When the folder cannot be resolved, the start answers false but a teardown is still owed:
// a repeated start is refused at once, and only the teardown, or a fresh load of the library,
// makes a new start possible.
TEST(Exports, FailedFolderStepLeavesTheSessionToTearDown) {
    tsctest::HealthyMachine machine;
    machine.ReleaseKey().DeleteKey();
    auto dll = std::make_unique<DttscsdkDll>();
    EXPECT_FALSE(dll->Initialize());
    {
        LogWatcher log;
        EXPECT_FALSE(dll->Initialize());
        EXPECT_TRUE(log.NewLines().empty()) << "a second start does nothing at all";
    }
    EXPECT_FALSE(dll->UpdatePath()) << "no folder to put in PATH";
    dll->Uninitialize();
    {
        LogWatcher log;
        EXPECT_FALSE(dll->Initialize());
        EXPECT_TRUE(RanAnew(log)) << "after the teardown";
    }
    dll.reset();  // the teardown is still owed, by a module state that is gone now
    dll = std::make_unique<DttscsdkDll>();
    LogWatcher log;
    EXPECT_FALSE(dll->Initialize());
    EXPECT_TRUE(RanAnew(log)) << "after a reload";
    dll->Uninitialize();
}

// Unloading without dtutUninitializeTSC makes no call into the SDK: the folder stays locked,
// the session open and the SDK library loaded until the process ends.
TEST(Exports, UnloadingMakesNoCallIntoTheSdk) {
    tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    {
        DttscsdkDll dll;
        ASSERT_TRUE(dll.Initialize());
        ASSERT_TRUE(dll.Unload());
    }
    const HMODULE sdk = GetModuleHandleW(machine.SdkPath().c_str());
    ASSERT_NE(sdk, nullptr) << "the SDK library stays loaded";
    EXPECT_EQ(journal.Exports(),
              (std::vector<std::string>{"Initialize", "ReleaseMemory", "LockDirectory"}));

    // Close the orphaned session ourselves, so that its lock does not outlive the test's folder.
    using UninitializeFunc = std::int32_t (*)(const char*);
    const auto uninitialize = reinterpret_cast<UninitializeFunc>(
        reinterpret_cast<void*>(GetProcAddress(sdk, "Uninitialize")));
    ASSERT_NE(uninitialize, nullptr);
    EXPECT_EQ(uninitialize(journal.SessionId().c_str()), 0);
    FreeLibrary(sdk);
}

}  // namespace
