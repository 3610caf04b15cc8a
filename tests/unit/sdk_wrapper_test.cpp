// Every transition of the SDK wrapper's state (library loaded or not, session open or not),
// driven on the process-wide wrapper with the signed stand-in SDK and its fail-on-demand
// variables, and checked by status, log lines, the calls the SDK received, and whether the
// library is still loaded.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/scoped_environment.h"
#include "support/scoped_seam.h"
#include "support/sdk_journal.h"
#include "support/wrapper_log.h"
#include "wrapper/quil_api_wrapper_impl.h"
#include "wrapper/wrapper_seams.h"

namespace {

QUILAPIWrapperImpl& Wrapper() { return QUILAPIWrapperImpl::GetInstance(); }

const std::string kSeparator = tsctest::kSeparatorLine;
const std::string kSession =
    "[INFO] QUILAPIWrapperImpl::Initialize: plc = \"TSC\", release = \"2026\", language = "
    "\"neutral\"";
const std::string kPath = "[INFO] Load: QUIL SDK path = {sdk}";
const std::string kLoaded = "[INFO] QUILAPIWrapperImpl::Initialize: QUIL SDK loaded successfully";
const std::string kId = "[INFO] QUILAPIWrapperImpl::Initialize: session id = {id}";
const std::string kNoId = "[INFO] QUILAPIWrapperImpl::Initialize: session id = ";
const std::string kUnloaded =
    "[INFO] QUILAPIWrapperImpl::Uninitialize: QUIL SDK unloaded successfully";
const std::string kNotInitialized = "[ERROR] QUILAPIWrapperImpl::Uninitialize: Not initialized!";
const std::string kNoUninitialize =
    "[ERROR] QUILAPIWrapperImpl::Uninitialize: Failed to obtain UninitializeFunc handle!";
const std::string kNoLock =
    "[ERROR] QUILAPIWrapperImpl::LockDirectory: Failed to obtain LockDirectoryFunc handle!";
const std::string kNoUnlock =
    "[ERROR] QUILAPIWrapperImpl::UnLockDirectory: Failed to obtain UnLockDirectoryFunc handle!";
const std::string kLockEmpty =
    "[ERROR] QUILAPIWrapperImpl::LockDirectory: Argument \"directoryToLock \" is empty!";
const std::string kUnlockEmpty =
    "[ERROR] QUILAPIWrapperImpl::UnLockDirectory: Argument \"directoryToLock \" is empty!";

enum class State { Idle, Loaded, Open, Orphaned };
enum class Op {
    Initialize,
    InitializeWithoutPlc,
    Uninitialize,
    Lock,
    LockEmpty,
    Unlock,
    UnlockEmpty
};

struct Variable {
    const wchar_t* name;
    const wchar_t* value;
};

struct TransitionCase {
    const char* name;
    State from;
    Op op;
    const wchar_t* fixture;
    std::vector<Variable> variables;  // stand-in variables while the operation runs
    bool unloadFails;
    std::int32_t status;
    std::vector<std::string> lines;  // "{sdk}" and "{id}" stand for the SDK path and session id
    std::vector<std::string> calls;  // the SDK exports called, in order
    bool loadedAfter;
    bool openAfter;
};

BOOL WINAPI FailingFreeLibrary(HMODULE) { return FALSE; }

void PrintTo(const TransitionCase& row, std::ostream* out) { *out << row.name; }

std::string Replaced(std::string text, const std::string& key, const std::string& value) {
    const size_t at = text.find(key);
    return at == std::string::npos ? text : text.replace(at, key.size(), value);
}

std::int32_t RunOperation(Op op, const std::string& folder) {
    switch (op) {
        case Op::Initialize:
            return Wrapper().Initialize("TSC", "2026", "neutral");
        case Op::InitializeWithoutPlc:
            return Wrapper().Initialize("", "2026", "neutral");
        case Op::Uninitialize:
            return Wrapper().Uninitialize();
        case Op::Lock:
            return Wrapper().LockDirectory(folder);
        case Op::LockEmpty:
            return Wrapper().LockDirectory("");
        case Op::Unlock:
            return Wrapper().UnLockDirectory(folder);
        case Op::UnlockEmpty:
            return Wrapper().UnLockDirectory("");
    }
    return -1;
}

void Reach(State state) {
    if (state == State::Idle) return;
    if (state == State::Loaded) {
        tsctest::ScopedEnvironmentVariable fail(L"QUILSDK_STANDIN_RESULT_Initialize", L"77");
        ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 77);
        return;
    }
    ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 0);
    if (state == State::Orphaned) {
        tsctest::ScopedEnvironmentVariable fail(L"QUILSDK_STANDIN_RESULT_Uninitialize", L"-5");
        ASSERT_EQ(Wrapper().Uninitialize(), -5);
    }
}

class SdkWrapperTransition : public ::testing::TestWithParam<TransitionCase> {
  protected:
    void TearDown() override {
        // An open session is closed, so that the machine's folder is unlocked again.
        if (Wrapper().SessionId().empty()) return;
        Wrapper().UnLockDirectory(folder_);
        Wrapper().Uninitialize();
    }

    tsctest::HealthyMachine machine_{GetParam().fixture};
    std::string folder_ = tsctest::Utf8(machine_.Folder()) + "\\";
};

TEST_P(SdkWrapperTransition, StatusLinesCallsAndState) {
    const TransitionCase& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(Reach(row.from));
    const std::string idBefore = Wrapper().SessionId();
    tsctest::LogWatcher log;
    tsctest::SdkJournal journal;
    std::int32_t status = 0;
    {
        std::vector<std::unique_ptr<tsctest::ScopedEnvironmentVariable>> variables;
        for (const Variable& v : row.variables) {
            variables.push_back(
                std::make_unique<tsctest::ScopedEnvironmentVariable>(v.name, v.value));
        }
        std::optional<tsctest::ScopedSeam<decltype(tsc::seams::freeLibrary)>> unload;
        if (row.unloadFails) {
            unload.emplace(tsc::seams::freeLibrary, &FailingFreeLibrary);
        }
        status = RunOperation(row.op, folder_);
    }

    EXPECT_EQ(status, row.status);
    const std::string id = Wrapper().SessionId().empty() ? idBefore : Wrapper().SessionId();
    std::vector<std::string> expected;
    for (const std::string& line : row.lines) {
        expected.push_back(
            Replaced(Replaced(line, "{sdk}", tsctest::Utf8(machine_.SdkPath())), "{id}", id));
    }
    EXPECT_EQ(log.NewMessages(), expected);
    EXPECT_EQ(journal.Exports(), row.calls);
    EXPECT_EQ(tsctest::IsModuleLoaded(machine_.SdkPath()), row.loadedAfter);
    EXPECT_EQ(!Wrapper().SessionId().empty(), row.openAfter);
}

const std::wstring_view kOk = L"quilsdk.dll";
const std::vector<std::string> kOpened = {"Initialize", "ReleaseMemory"};

INSTANTIATE_TEST_SUITE_P(
    Rows, SdkWrapperTransition,
    ::testing::Values(
        // From idle: nothing loaded, no session.
        TransitionCase{"IdleInitializeOpens",
                       State::Idle,
                       Op::Initialize,
                       kOk.data(),
                       {},
                       false,
                       0,
                       {kSeparator, kSession, kPath, kLoaded, kId},
                       kOpened,
                       true,
                       true},
        TransitionCase{"IdleInitializeWithoutPlc",
                       State::Idle,
                       Op::InitializeWithoutPlc,
                       kOk.data(),
                       {},
                       false,
                       5,
                       {kSeparator,
                        "[ERROR] QUILAPIWrapperImpl::Initialize: Either \"plc\" or "
                        "\"release\" argument absent!"},
                       {},
                       false,
                       false},
        TransitionCase{"IdleInitializeRefusedFile",
                       State::Idle,
                       Op::Initialize,
                       L"quilsdk_other.dll",
                       {},
                       false,
                       9,
                       {kSeparator, kSession, kPath,
                        "[ERROR] CertFindCertificateInStore returned ERROR: 2148081668",
                        "[ERROR] IsSignatureValid: Signature invalid at path = {sdk}",
                        "[ERROR] QUILAPIWrapperImpl::Initialize: Failed to load SDK! "},
                       {},
                       false,
                       false},
        TransitionCase{"IdleInitializeSdkFails",
                       State::Idle,
                       Op::Initialize,
                       kOk.data(),
                       {{L"QUILSDK_STANDIN_RESULT_Initialize", L"77"}},
                       false,
                       77,
                       {kSeparator, kSession, kPath, kLoaded},
                       kOpened,
                       true,
                       false},
        // An SDK that reports success without handing out an id opens no session.
        TransitionCase{"IdleInitializeNullSessionId",
                       State::Idle,
                       Op::Initialize,
                       kOk.data(),
                       {{L"QUILSDK_STANDIN_SESSION_ID", L"null"}},
                       false,
                       0,
                       {kSeparator, kSession, kPath, kLoaded, kNoId},
                       kOpened,
                       true,
                       false},
        TransitionCase{"IdleInitializeEmptySessionId",
                       State::Idle,
                       Op::Initialize,
                       kOk.data(),
                       {{L"QUILSDK_STANDIN_SESSION_ID", L"empty"}},
                       false,
                       0,
                       {kSeparator, kSession, kPath, kLoaded, kNoId},
                       kOpened,
                       true,
                       false},
        TransitionCase{"IdleInitializeWithoutInitializeExport",
                       State::Idle,
                       Op::Initialize,
                       L"quilsdk_no_Initialize.dll",
                       {},
                       false,
                       4,
                       {kSeparator, kSession, kPath, kLoaded,
                        "[ERROR] QUILAPIWrapperImpl::Initialize: Failed to obtain InitializeFunc "
                        "handle!"},
                       {},
                       true,
                       false},
        TransitionCase{"IdleInitializeWithoutReleaseMemoryExport",
                       State::Idle,
                       Op::Initialize,
                       L"quilsdk_no_ReleaseMemory.dll",
                       {},
                       false,
                       0,
                       {kSeparator, kSession, kPath, kLoaded, kId,
                        "[ERROR] QUILAPIWrapperImpl::ReleaseMemory: Failed to obtain "
                        "ReleaseMemoryFunc handle!"},
                       {"Initialize"},
                       true,
                       true},
        TransitionCase{"IdleUninitialize",
                       State::Idle,
                       Op::Uninitialize,
                       kOk.data(),
                       {},
                       false,
                       7,
                       {kSeparator, kNotInitialized},
                       {},
                       false,
                       false},
        TransitionCase{"IdleLock",
                       State::Idle,
                       Op::Lock,
                       kOk.data(),
                       {},
                       false,
                       4,
                       {kSeparator, kNoLock},
                       {},
                       false,
                       false},
        TransitionCase{"IdleLockEmpty",
                       State::Idle,
                       Op::LockEmpty,
                       kOk.data(),
                       {},
                       false,
                       5,
                       {kSeparator, kLockEmpty},
                       {},
                       false,
                       false},
        TransitionCase{"IdleUnlock",
                       State::Idle,
                       Op::Unlock,
                       kOk.data(),
                       {},
                       false,
                       4,
                       {kSeparator, kNoUnlock},
                       {},
                       false,
                       false},
        TransitionCase{"IdleUnlockEmpty",
                       State::Idle,
                       Op::UnlockEmpty,
                       kOk.data(),
                       {},
                       false,
                       5,
                       {kSeparator, kUnlockEmpty},
                       {},
                       false,
                       false},
        // From loaded: library loaded, no session. No new load and no new checks.
        TransitionCase{"LoadedInitializeOpens",
                       State::Loaded,
                       Op::Initialize,
                       kOk.data(),
                       {},
                       false,
                       0,
                       {kSeparator, kSession, kLoaded, kId},
                       kOpened,
                       true,
                       true},
        TransitionCase{"LoadedUninitialize",
                       State::Loaded,
                       Op::Uninitialize,
                       kOk.data(),
                       {},
                       false,
                       7,
                       {kNotInitialized},
                       {},
                       true,
                       false},
        // The SDK is called with the empty session id and refuses it (stand-in code 20).
        TransitionCase{"LoadedLock",
                       State::Loaded,
                       Op::Lock,
                       kOk.data(),
                       {},
                       false,
                       20,
                       {"[ERROR] QUILAPIWrapperImpl::LockDirectory: API returned error code 20"},
                       {"LockDirectory"},
                       true,
                       false},
        TransitionCase{"LoadedUnlock",
                       State::Loaded,
                       Op::Unlock,
                       kOk.data(),
                       {},
                       false,
                       20,
                       {"[ERROR] QUILAPIWrapperImpl::UnLockDirectory: API returned error code 20"},
                       {"UnLockDirectory"},
                       true,
                       false},
        // From open: library loaded, session open.
        TransitionCase{"OpenInitialize",
                       State::Open,
                       Op::Initialize,
                       kOk.data(),
                       {},
                       false,
                       2,
                       {},
                       {},
                       true,
                       true},
        TransitionCase{"OpenUninitialize",
                       State::Open,
                       Op::Uninitialize,
                       kOk.data(),
                       {},
                       false,
                       0,
                       {kUnloaded},
                       {"Uninitialize"},
                       false,
                       false},
        TransitionCase{"OpenUninitializeSdkFails",
                       State::Open,
                       Op::Uninitialize,
                       kOk.data(),
                       {{L"QUILSDK_STANDIN_RESULT_Uninitialize", L"-5"}},
                       false,
                       -5,
                       {kUnloaded},
                       {"Uninitialize"},
                       false,
                       true},
        TransitionCase{"OpenUninitializeWithoutExport",
                       State::Open,
                       Op::Uninitialize,
                       L"quilsdk_no_Uninitialize.dll",
                       {},
                       false,
                       4,
                       {kNoUninitialize},
                       {},
                       true,
                       true},
        // The unload is only reported as failed, so the library does stay mapped here.
        TransitionCase{"OpenUninitializeUnloadFails",
                       State::Open,
                       Op::Uninitialize,
                       kOk.data(),
                       {},
                       true,
                       1,
                       {"[ERROR] QUILAPIWrapperImpl::Uninitialize: Unload failed!"},
                       {"Uninitialize"},
                       true,
                       false},
        TransitionCase{"OpenLock",
                       State::Open,
                       Op::Lock,
                       kOk.data(),
                       {},
                       false,
                       0,
                       {},
                       {"LockDirectory"},
                       true,
                       true},
        TransitionCase{"OpenLockSdkFails",
                       State::Open,
                       Op::Lock,
                       kOk.data(),
                       {{L"QUILSDK_STANDIN_RESULT_LockDirectory", L"-1"}},
                       false,
                       -1,
                       {"[ERROR] QUILAPIWrapperImpl::LockDirectory: API returned error code -1"},
                       {"LockDirectory"},
                       true,
                       true},
        TransitionCase{"OpenLockWithoutExport",
                       State::Open,
                       Op::Lock,
                       L"quilsdk_no_LockDirectory.dll",
                       {},
                       false,
                       4,
                       {kNoLock},
                       {},
                       true,
                       true},
        TransitionCase{"OpenLockEmpty",
                       State::Open,
                       Op::LockEmpty,
                       kOk.data(),
                       {},
                       false,
                       5,
                       {kLockEmpty},
                       {},
                       true,
                       true},
        TransitionCase{"OpenUnlock",
                       State::Open,
                       Op::Unlock,
                       kOk.data(),
                       {},
                       false,
                       0,
                       {},
                       {"UnLockDirectory"},
                       true,
                       true},
        TransitionCase{"OpenUnlockSdkFails",
                       State::Open,
                       Op::Unlock,
                       kOk.data(),
                       {{L"QUILSDK_STANDIN_RESULT_UnLockDirectory", L"-1"}},
                       false,
                       -1,
                       {"[ERROR] QUILAPIWrapperImpl::UnLockDirectory: API returned error code -1"},
                       {"UnLockDirectory"},
                       true,
                       true},
        TransitionCase{"OpenUnlockWithoutExport",
                       State::Open,
                       Op::Unlock,
                       L"quilsdk_no_UnLockDirectory.dll",
                       {},
                       false,
                       4,
                       {kNoUnlock},
                       {},
                       true,
                       true},
        // From orphaned: the library was unloaded while the session stayed open.
        TransitionCase{"OrphanedInitialize",
                       State::Orphaned,
                       Op::Initialize,
                       kOk.data(),
                       {},
                       false,
                       2,
                       {},
                       {},
                       false,
                       true},
        TransitionCase{"OrphanedUninitialize",
                       State::Orphaned,
                       Op::Uninitialize,
                       kOk.data(),
                       {},
                       false,
                       4,
                       {kNoUninitialize},
                       {},
                       false,
                       true},
        TransitionCase{"OrphanedLock",
                       State::Orphaned,
                       Op::Lock,
                       kOk.data(),
                       {},
                       false,
                       4,
                       {kNoLock},
                       {},
                       false,
                       true},
        TransitionCase{"OrphanedLockEmpty",
                       State::Orphaned,
                       Op::LockEmpty,
                       kOk.data(),
                       {},
                       false,
                       5,
                       {kLockEmpty},
                       {},
                       false,
                       true}),
    [](const auto& info) { return std::string(info.param.name); });

// ReleaseMemory gets the id the wrapper copied, or an empty one when no session was opened,
// together with the text pointer the SDK set.
TEST(SdkWrapperMemory, ReleaseMemoryGetsTheCopiedIdOrAnEmptyOne) {
    tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    {
        tsctest::ScopedEnvironmentVariable fail(L"QUILSDK_STANDIN_RESULT_Initialize", L"77");
        ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 77);
    }
    ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 0);
    const std::string id = Wrapper().SessionId();
    const std::vector<std::string> expected = {
        "Initialize\tTSC\t2026\tneutral\t=> 77", "ReleaseMemory\t\tnull\t=> 0",
        "Initialize\tTSC\t2026\tneutral\t=> 0", "ReleaseMemory\t" + id + "\tset\t=> 0"};
    EXPECT_EQ(journal.Calls(), expected);
    EXPECT_EQ(Wrapper().Uninitialize(), 0);
}

// A failed unload still forgets the library: nothing can be called through it afterwards.
TEST(SdkWrapperUnload, FailedUnloadForgetsTheLibrary) {
    tsctest::HealthyMachine machine;
    ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 0);
    {
        tsctest::ScopedSeam unload(
            tsc::seams::freeLibrary, +[](HMODULE) -> BOOL WINAPI { return FALSE; });
        EXPECT_EQ(Wrapper().Uninitialize(), 1);
    }
    tsctest::SdkJournal journal;
    EXPECT_EQ(Wrapper().LockDirectory(tsctest::Utf8(machine.Folder()) + "\\"), 4);
    EXPECT_TRUE(journal.Calls().empty());
}

}  // namespace
