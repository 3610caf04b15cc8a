// Faults that a real machine meets and Wine does not produce: a file system that refuses
// byte-range locks, an environment lookup that fails, memory that runs out once the SDK has
// handed out its text.
#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "dttscsdk/dttscsdk.h"
#include "location/location_seams.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/scoped_files.h"
#include "support/scoped_seam.h"
#include "support/sdk_journal.h"
#include "support/wrapper_log.h"
#include "wrapper/quil_api_wrapper_impl.h"
#include "wrapper/wrapper_seams.h"

namespace {

using Lines = std::vector<std::string>;

int lockCalls = 0;
const tsctest::SdkJournal* journal = nullptr;

// A file system without byte-range locks (some network shares and filter drivers).
BOOL WINAPI LockRefused(HANDLE, DWORD, DWORD, DWORD, DWORD, LPOVERLAPPED) {
    ++lockCalls;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

DWORD WINAPI BypassLookupFails(LPCWSTR name, LPWSTR buffer, DWORD size) {
    if (std::wstring_view(name) != L"TSC_INITIALIZE_BYPASSED") {
        return GetEnvironmentVariableW(name, buffer, size);
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

// The time stamp of the first log line after the SDK's Initialize answered: the session id's.
errno_t ExhaustedOnceTheSdkAnswered(struct tm* local, const __time64_t* time) {
    if (!journal->Exports().empty()) throw std::bad_alloc();
    return _localtime64_s(local, time);
}

// Only a lock held by another writer is waited for: a refused lock means one try, and the line
// is written at once, whole.
TEST(Robustness, LogLineIsWrittenAtOnceWhenTheFileSystemRefusesLocks) {
    const tsctest::ScopedDirectory logFolder(tsctest::WrapperLogFolder());
    QUILAPIWrapperImpl::GetInstance().StartLogFile();
    const tsctest::LogWatcher log;
    lockCalls = 0;
    {
        const tsctest::ScopedSeam lock(tsc::seams::lockFile, &LockRefused);
        QUILAPIWrapperImpl::GetInstance().LogInfo("Initialize: x");
    }
    EXPECT_EQ(lockCalls, 1);
    EXPECT_EQ(log.NewMessages(), (Lines{"[INFO] QUILAPIWrapperImpl::Initialize: x"}));
}

// A lookup that fails hands back no value: the bypass variable is not set, the session starts.
TEST(Robustness, FailedLookupOfTheBypassVariableDoesNotBypassTheSession) {
    const tsctest::HealthyMachine machine;
    {
        const tsctest::ScopedSeam lookup(tsc::seams::environmentLookup, &BypassLookupFails);
        EXPECT_TRUE(dtutInitializeTSC());
    }
    dtutUninitializeTSC();
}

// The start fails, and the text the SDK handed out still goes back to it; the process goes on.
TEST(Robustness, SdkTextGoesBackWhenMemoryRunsOutAfterTheSdkAnswered) {
    const tsctest::HealthyMachine machine;
    const tsctest::SdkJournal sdk;
    journal = &sdk;
    {
        const tsctest::ScopedSeam time(tsc::seams::localTime, &ExhaustedOnceTheSdkAnswered);
        EXPECT_FALSE(dtutInitializeTSC());
    }
    EXPECT_EQ(sdk.Calls(),
              (Lines{"Initialize\tTSC\t2026\tneutral\t=> 0", "ReleaseMemory\t\tset\t=> 0"}));
    EXPECT_TRUE(dtutInitializeTSC());
    dtutUninitializeTSC();
}

}  // namespace
