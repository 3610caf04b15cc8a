// The three exports and the module state behind them, driven through the built DLL.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "support/dttscsdk_dll.h"
#include "support/machine.h"
#include "support/scoped_environment.h"
#include "support/scoped_registry.h"
#include "support/sdk_journal.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::DttscsdkDll;
using tsctest::LogWatcher;
using tsctest::ScopedEnvironmentVariable;

class Exports : public ::testing::Test {
  protected:
    ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    ScopedEnvironmentVariable path_{L"PATH", tsctest::GetEnv(L"PATH")};
};

TEST_F(Exports, UpdateAndUninitializeBeforeAnyStartDoNothing) {
    DttscsdkDll dll;
    LogWatcher log;
    const auto pathBefore = tsctest::GetEnv(L"PATH");
    EXPECT_FALSE(dll.UpdatePath());
    dll.Uninitialize();
    EXPECT_EQ(tsctest::GetEnv(L"PATH"), pathBefore);
    EXPECT_TRUE(log.NewLines().empty());
}

struct PathCase {
    const wchar_t* name;
    const wchar_t* path;
    bool refused;
};

class PathNamingSharedComponents : public Exports,
                                   public ::testing::WithParamInterface<PathCase> {};

// A PATH that already names the shared components (anywhere, case-sensitively) refuses the
// start before anything else happens.
TEST_P(PathNamingSharedComponents, RefusesBeforeAnySessionAttempt) {
    tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    ScopedEnvironmentVariable path(L"PATH", std::wstring(GetParam().path));
    LogWatcher log;
    DttscsdkDll dll;

    const bool started = dll.Initialize();
    if (GetParam().refused) {
        EXPECT_FALSE(started);
        EXPECT_TRUE(log.NewLines().empty());
        EXPECT_TRUE(journal.Calls().empty());
        EXPECT_FALSE(dll.UpdatePath()) << "not initialized";
    } else {
        ASSERT_FALSE(log.NewLines().empty()) << "a session attempt writes the log";
        EXPECT_EQ(log.NewLines()[0], tsctest::kSeparatorLine);
        dll.Uninitialize();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathNamingSharedComponents,
    ::testing::Values(
        PathCase{L"InTheMiddleOfAnEntry",
                 L"C:\\windows;D:\\Program Files\\Tesmora Shared\\Components\\3.1\\bin;C:\\x",
                 true},
        PathCase{L"AsTheWholeValue", L"Tesmora Shared\\Components", true},
        PathCase{L"InOtherLetterCase", L"C:\\windows;D:\\TESMORA SHARED\\components\\3.1", false},
        PathCase{L"WithForwardSlash", L"C:\\windows;D:\\Tesmora Shared/Components", false}),
    [](const auto& info) {
        std::wstring name = info.param.name;
        return std::string(name.begin(), name.end());
    });

// When the folder cannot be resolved, the start answers false but a teardown is still owed:
// a repeated start is refused at once, and only the teardown makes a new start possible.
TEST_F(Exports, FailedFolderStepLeavesTheSessionToTearDown) {
    tsctest::HealthyMachine machine;
    machine.ReleaseKey().DeleteKey();
    DttscsdkDll dll;

    EXPECT_FALSE(dll.Initialize());
    {
        LogWatcher log;
        EXPECT_FALSE(dll.Initialize());
        EXPECT_TRUE(log.NewLines().empty()) << "a second start does nothing at all";
    }
    EXPECT_FALSE(dll.UpdatePath()) << "no folder to put in PATH";

    dll.Uninitialize();
    LogWatcher log;
    EXPECT_FALSE(dll.Initialize());
    ASSERT_FALSE(log.NewLines().empty());
    EXPECT_EQ(log.NewLines()[0], tsctest::kSeparatorLine) << "the whole sequence runs anew";
    dll.Uninitialize();
}

// Each load of the DLL starts from a fresh module state.
TEST_F(Exports, ReloadingTheLibraryStartsAfresh) {
    tsctest::HealthyMachine machine;
    machine.ReleaseKey().DeleteKey();
    {
        DttscsdkDll dll;
        EXPECT_FALSE(dll.Initialize());  // session step passed, teardown owed
    }
    DttscsdkDll dll;
    LogWatcher log;
    EXPECT_FALSE(dll.Initialize());
    ASSERT_FALSE(log.NewLines().empty()) << "not refused as 'already initialized'";
    dll.Uninitialize();
}

// Unloading without dtutUninitializeTSC makes no call into the SDK: the folder stays locked,
// the session open and the SDK library loaded until the process ends.
TEST_F(Exports, UnloadingMakesNoCallIntoTheSdk) {
    tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    {
        DttscsdkDll dll;
        ASSERT_TRUE(dll.Initialize());
        ASSERT_TRUE(dll.Unload());
    }
    const HMODULE sdk = GetModuleHandleW(machine.SdkPath().c_str());
    EXPECT_NE(sdk, nullptr) << "the SDK library stays loaded";
    const auto exports = journal.Exports();
    ASSERT_EQ(exports.size(), 3u);
    EXPECT_EQ(exports[0], "Initialize");
    EXPECT_EQ(exports[1], "ReleaseMemory");
    EXPECT_EQ(exports[2], "LockDirectory");

    // Close the orphaned session ourselves, so that its lock does not outlive the test's folder.
    const std::string releaseCall = journal.Calls()[1];  // ReleaseMemory\t<session id>\t...
    const size_t idStart = releaseCall.find('\t') + 1;
    const std::string sessionId =
        releaseCall.substr(idStart, releaseCall.find('\t', idStart) - idStart);
    using UninitializeFunc = std::int32_t (*)(const char*);
    const auto uninitialize = reinterpret_cast<UninitializeFunc>(
        reinterpret_cast<void*>(GetProcAddress(sdk, "Uninitialize")));
    ASSERT_NE(uninitialize, nullptr);
    EXPECT_EQ(uninitialize(sessionId.c_str()), 0);
    FreeLibrary(sdk);
}

}  // namespace
