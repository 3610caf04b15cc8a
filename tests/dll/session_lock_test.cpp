// The folder lock of a session and its teardown, as the SDK receives them and as other
// processes feel them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/sdk_calls.h"
#include "support/sdk_journal.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::ScopedEnvironmentVariable;
using tsctest::Utf8;

class SessionLock : public ::testing::Test {
  protected:
    // The session id the SDK handed out, as ReleaseMemory received it back.
    std::string SessionId() const {
        for (const std::string& call : journal_.Calls()) {
            if (call.rfind("ReleaseMemory\t", 0) == 0) {
                return call.substr(14, call.find('\t', 14) - 14);
            }
        }
        return {};
    }

    ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    ScopedEnvironmentVariable override_{L"TSC_PATH_2026", std::nullopt};
    ScopedEnvironmentVariable path_{L"PATH", tsctest::GetEnv(L"PATH")};
    tsctest::HealthyMachine machine_;
    tsctest::SdkJournal journal_;
};

// The folder is locked for the session's whole life, with a trailing backslash, and only
// for it: other processes cannot rename it until teardown, which unlocks and then closes.
TEST_F(SessionLock, HoldsTheFolderAgainstOtherProcessesUntilTeardown) {
    tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    EXPECT_FALSE(tsctest::RenamableByAnotherProcess(machine_.Folder()));

    dll.Uninitialize();
    EXPECT_TRUE(tsctest::RenamableByAnotherProcess(machine_.Folder()));
    const std::string id = SessionId();
    const std::string lockText = Utf8(machine_.Folder()) + "\\";
    EXPECT_EQ(journal_.Calls(), (std::vector<std::string>{
                                    "Initialize\tTSC\t2026\tneutral\t=> 0",
                                    "ReleaseMemory\t" + id + "\tset\t=> 0",
                                    "LockDirectory\t" + id + "\t" + lockText + "\t=> 0",
                                    "UnLockDirectory\t" + id + "\t" + lockText + "\t=> 0",
                                    "Uninitialize\t" + id + "\t=> 0",
                                }));
}

// Folder names outside the basic Latin range reach the SDK as UTF-8 and PATH unchanged.
TEST_F(SessionLock, NonLatinFolderReachesTheSdkAsUtf8) {
    const std::wstring version = L"\u0412\u0435\u0440\u0441\u0438\u044f-\u7248\u672c-\u00e9";
    tsctest::ScopedDirectory folder(machine_.InstallRoot() + L"\\" + version);
    machine_.ReleaseKey().SetString(L"Version", version);
    tsctest::DttscsdkDll dll;

    ASSERT_TRUE(dll.Initialize());
    EXPECT_TRUE(dll.UpdatePath());
    const std::wstring path = tsctest::GetEnv(L"PATH").value_or(L"");
    dll.Uninitialize();

    EXPECT_EQ(path.substr(0, folder.path().size() + 1), folder.path() + L";");
    const std::vector<std::string> expected{Utf8(folder.path()) + "\\"};
    EXPECT_EQ(tsctest::FoldersPassedTo(journal_, "LockDirectory"), expected);
    EXPECT_EQ(tsctest::FoldersPassedTo(journal_, "UnLockDirectory"), expected);
}

// Locking is best effort: a refused lock leaves the start, the PATH update and the teardown
// as they would be with the lock.
TEST_F(SessionLock, RefusedLockStillHandsOutTheFolder) {
    ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_RESULT_LockDirectory", L"-5");
    tsctest::DttscsdkDll dll;

    EXPECT_TRUE(dll.Initialize());
    EXPECT_TRUE(dll.UpdatePath());
    dll.Uninitialize();
    EXPECT_EQ(journal_.Exports(),
              (std::vector<std::string>{"Initialize", "ReleaseMemory", "LockDirectory",
                                        "UnLockDirectory", "Uninitialize"}));
}

// A failed unlock does not keep the session open: it is closed and the SDK library unloaded.
TEST_F(SessionLock, FailedUnlockStillClosesTheSession) {
    ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_RESULT_UnLockDirectory", L"21");
    tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());

    dll.Uninitialize();
    const std::vector<std::string> calls = journal_.Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[3].substr(calls[3].rfind('\t')), "\t=> 21");
    EXPECT_EQ(calls[4], "Uninitialize\t" + SessionId() + "\t=> 0");
    EXPECT_FALSE(tsctest::IsModuleLoaded(machine_.SdkPath()));
}

// Without a session (here: the SDK file is not accepted) the folder still resolves, but
// nothing is locked and the teardown asks the SDK for nothing.
TEST_F(SessionLock, WithoutSessionTheFolderIsHandedOutUnlocked) {
    machine_.QuilKey().SetString(L"QUILSDKLocation", tsctest::FixturePath(L"quilsdk_unsigned.dll"));
    tsctest::DttscsdkDll dll;

    EXPECT_TRUE(dll.Initialize());
    EXPECT_TRUE(tsctest::RenamableByAnotherProcess(machine_.Folder()));
    EXPECT_TRUE(dll.UpdatePath());
    dll.Uninitialize();
    EXPECT_TRUE(journal_.Calls().empty());
}

// A session left open by a close the SDK refused counts as open for the next start: the
// lock is attempted, and fails because the SDK library was unloaded anyway.
TEST_F(SessionLock, SessionLeftOpenIsUsedByTheNextStart) {
    tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    {
        ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_RESULT_Uninitialize", L"20");
        dll.Uninitialize();
    }
    tsctest::LogWatcher log;

    EXPECT_TRUE(dll.Initialize());
    const std::vector<std::string> messages = log.NewMessages();
    EXPECT_EQ(messages, (std::vector<std::string>{"[ERROR] QUILAPIWrapperImpl::LockDirectory: "
                                                  "Failed to obtain LockDirectoryFunc handle!"}));
}

}  // namespace
