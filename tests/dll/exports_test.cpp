// The three exports and the module state behind them, driven through the built DLL: what is
// refused before any session attempt, and what one session leaves to the next in the same load.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::DttscsdkDll;
using tsctest::LogWatcher;
using tsctest::ScopedEnvironmentVariable;
using Lines = std::vector<std::string>;

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

struct RefusalCase : tsctest::Row {
    const wchar_t* variable;
    const wchar_t* value;
    bool refused;
};

class StartRefused : public ::testing::TestWithParam<RefusalCase> {};

// A PATH that already names the shared components (anywhere, case-sensitively) or the bypass
// variable with any value, even "0" or an empty one, refuses the start before anything else
// happens: no log line, no SDK call, nothing to update or tear down.
TEST_P(StartRefused, BeforeAnySessionAttempt) {
    const tsctest::HealthyMachine machine;
    const DttscsdkDll dll;
    const bool refused = GetParam().refused;
    {
        tsctest::SdkJournal journal;
        const ScopedEnvironmentVariable variable(GetParam().variable, GetParam().value);
        LogWatcher log;
        EXPECT_EQ(dll.Initialize(), !refused);
        EXPECT_EQ(RanAnew(log), !refused) << "a session attempt writes the log";
        EXPECT_EQ(dll.UpdatePath(), !refused);
        if (refused) {
            EXPECT_TRUE(log.NewLines().empty());
            EXPECT_TRUE(journal.Calls().empty());
        }
    }
    // A refused start leaves nothing to tear down: without the cause, the next one works.
    EXPECT_EQ(dll.Initialize(), refused);
    dll.Uninitialize();
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, StartRefused, ::testing::Values(
    RefusalCase{"PathInTheMiddleOfAnEntry", L"PATH", L"C:\\windows;D:\\Program Files\\Tesmora Shared\\Components\\3.1\\bin;C:\\x", true},
    RefusalCase{"PathAsTheWholeValue",      L"PATH", L"Tesmora Shared\\Components",                      true},
    RefusalCase{"PathInOtherLetterCase",    L"PATH", L"C:\\windows;D:\\TESMORA SHARED\\components\\3.1", false},
    RefusalCase{"PathWithForwardSlash",     L"PATH", L"C:\\windows;D:\\Tesmora Shared/Components",       false},
    RefusalCase{"BypassZero",               L"TSC_INITIALIZE_BYPASSED", L"0",                            true},
    RefusalCase{"BypassEmpty",              L"TSC_INITIALIZE_BYPASSED", L"",                             true}),
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

// A start that fails after a successful session in the same load hands out nothing of the
// earlier session: no folder for PATH. The manager still holds the earlier folder, which the
// teardown unlocks.
TEST(Exports, AFailedStartAfterASessionHandsOutNothingOfIt) {
    tsctest::HealthyMachine machine;
    const ScopedEnvironmentVariable path(L"PATH", L"C:\\windows");
    const DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    ASSERT_TRUE(dll.UpdatePath());
    dll.Uninitialize();
    tsctest::SetEnv(L"PATH", L"C:\\windows");
    machine.ReleaseKey().DeleteKey();
    tsctest::SdkJournal journal;
    EXPECT_FALSE(dll.Initialize());
    EXPECT_FALSE(dll.UpdatePath());
    EXPECT_EQ(tsctest::GetEnv(L"PATH"), L"C:\\windows");
    dll.Uninitialize();
    const std::string id = journal.SessionId();
    const std::string folder = tsctest::Utf8(machine.Folder()) + "\\";
    EXPECT_EQ(journal.Calls(),
              (Lines{"Initialize\tTSC\t2026\tneutral\t=> 0", "ReleaseMemory\t" + id + "\tset\t=> 0",
                     "UnLockDirectory\t" + id + "\t" + folder + "\t=> 0",
                     "Uninitialize\t" + id + "\t=> 0"}));
}

// While the SDK library is still loaded from an earlier attempt (its session was refused, so
// the teardown had nothing to close), a start neither looks it up nor checks it again: neither
// a running self-update nor a recorded file that would be refused stops it.
TEST(Exports, AStartWhileTheSdkIsStillLoadedSkipsLookupAndChecks) {
    tsctest::HealthyMachine machine;
    const DttscsdkDll dll;
    {
        const ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_RESULT_Initialize", L"77");
        ASSERT_TRUE(dll.Initialize());
        dll.Uninitialize();
    }
    ASSERT_TRUE(tsctest::IsModuleLoaded(machine.SdkPath()));
    const tsctest::ScopedLockFile selfUpdate(tsctest::OwnProcessId());
    machine.QuilKey().SetString(L"QUILSDKLocation", tsctest::FixturePath(L"quilsdk_unsigned.dll"));
    tsctest::SdkJournal journal;
    LogWatcher log;
    EXPECT_TRUE(dll.Initialize());
    dll.Uninitialize();
    EXPECT_EQ(log.NewMessages(),
              (Lines{tsctest::kSeparatorLine, tsctest::kSessionLine, tsctest::kLoadedLine,
                     "[INFO] QUILAPIWrapperImpl::Initialize: session id = " + journal.SessionId(),
                     "[INFO] QUILAPIWrapperImpl::Uninitialize: QUIL SDK unloaded successfully"}));
    EXPECT_EQ(journal.Exports(), (Lines{"Initialize", "ReleaseMemory", "LockDirectory",
                                        "UnLockDirectory", "Uninitialize"}));
    EXPECT_FALSE(tsctest::IsModuleLoaded(machine.SdkPath()));
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
    EXPECT_EQ(journal.Exports(), (Lines{"Initialize", "ReleaseMemory", "LockDirectory"}));

    // Close the orphaned session ourselves, so that its lock does not outlive the test's folder.
    using UninitializeFunc = std::int32_t (*)(const char*);
    const auto uninitialize = reinterpret_cast<UninitializeFunc>(
        reinterpret_cast<void*>(GetProcAddress(sdk, "Uninitialize")));
    ASSERT_NE(uninitialize, nullptr);
    EXPECT_EQ(uninitialize(journal.SessionId().c_str()), 0);
    FreeLibrary(sdk);
}

}  // namespace
