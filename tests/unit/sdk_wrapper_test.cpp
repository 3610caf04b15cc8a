// Every transition of the SDK wrapper's state (library loaded or not, session open or not),
// driven on the process-wide wrapper with the signed stand-in SDK and its fail-on-demand
// variables, and checked by status, log lines, the calls the SDK received, and the state after.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/scoped_seam.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"
#include "wrapper/quil_api_wrapper_impl.h"
#include "wrapper/wrapper_seams.h"

namespace {

using Lines = std::vector<std::string>;
QUILAPIWrapperImpl& Wrapper() { return QUILAPIWrapperImpl::GetInstance(); }

const std::string kSep = tsctest::kSeparatorLine;
const std::string kSession = tsctest::kSessionLine;
const std::string kLoaded = tsctest::kLoadedLine;
const std::string kFailed = tsctest::kLoadFailedLine;
const std::string kPath = "[INFO] Load: QUIL SDK path = {sdk}";
const std::string kId = "[INFO] QUILAPIWrapperImpl::Initialize: session id = {id}";
const std::string kNoId = "[INFO] QUILAPIWrapperImpl::Initialize: session id = ";
const std::string kUnloaded =
    "[INFO] QUILAPIWrapperImpl::Uninitialize: QUIL SDK unloaded successfully";
const std::string kE = "[ERROR] QUILAPIWrapperImpl::";
const std::string kNotInit = kE + "Uninitialize: Not initialized!";
const std::string kNoUninit = kE + "Uninitialize: Failed to obtain UninitializeFunc handle!";
const std::string kNoLock = kE + "LockDirectory: Failed to obtain LockDirectoryFunc handle!";
const std::string kNoUnlock = kE + "UnLockDirectory: Failed to obtain UnLockDirectoryFunc handle!";
const std::string kLockEmpty = kE + "LockDirectory: Argument \"directoryToLock \" is empty!";
const std::string kUnlockEmpty = kE + "UnLockDirectory: Argument \"directoryToLock \" is empty!";
const Lines kOpened = {"Initialize", "ReleaseMemory"};
const Lines kLock = {"LockDirectory"}, kUnlock = {"UnLockDirectory"}, kUninit = {"Uninitialize"};
std::string Api(const std::string& op, int code) {
    return kE + op + ": API returned error code " + std::to_string(code);
}

// Loaded: library loaded, no session. Orphaned: library unloaded, session still open.
// Forgotten: library still mapped after a failed unload, but no longer known to the wrapper.
enum State { Idle, Loaded, Open, Orphaned, Forgotten };
enum Op { Init, InitNoPlc, Uninit, UninitUnloadFails, Lock, LockEmpty, Unlock, UnlockEmpty };

struct TransitionCase : tsctest::Row {
    State from;
    Op op;
    const wchar_t* fixture;  // X for quilsdk_X.dll; null for the trusted quilsdk.dll
    const wchar_t* standin;  // "SETTING=value" for QUILSDK_STANDIN_SETTING while the op runs
    std::int32_t status;
    Lines lines;  // "{sdk}" and "{id}" stand for the SDK path and the session id
    Lines calls;  // the SDK exports called, in order
    State to;
};

std::wstring Fixture(const wchar_t* name) {
    return name == nullptr ? L"quilsdk.dll" : L"quilsdk_" + std::wstring(name) + L".dll";
}

std::string Filled(std::string text, const std::string& sdk, const std::string& id) {
    for (const auto& [key, value] : {std::pair{"{sdk}", sdk}, std::pair{"{id}", id}}) {
        if (const size_t at = text.find(key); at != std::string::npos) text.replace(at, 5, value);
    }
    return text;
}

// clang-format off
std::int32_t RunOp(Op op, const std::string& folder) {
    switch (op) {
        case Init:        return Wrapper().Initialize("TSC", "2026", "neutral");
        case InitNoPlc:   return Wrapper().Initialize("", "2026", "neutral");
        case Uninit:      return Wrapper().Uninitialize();
        case Lock:        return Wrapper().LockDirectory(folder);
        case LockEmpty:   return Wrapper().LockDirectory("");
        case Unlock:      return Wrapper().UnLockDirectory(folder);
        case UnlockEmpty: return Wrapper().UnLockDirectory("");
        case UninitUnloadFails: {
            tsctest::ScopedSeam unload(tsc::seams::freeLibrary, +[](HMODULE) -> BOOL WINAPI { return FALSE; });
            return Wrapper().Uninitialize();
        }
    }
    return -1;
}
// clang-format on

void Reach(State state) {
    if (state == Idle) return;
    if (state == Loaded) {
        tsctest::ScopedEnvironmentVariable fail(L"QUILSDK_STANDIN_RESULT_Initialize", L"77");
        ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 77);
        return;
    }
    ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 0);
    if (state == Orphaned) {
        tsctest::ScopedEnvironmentVariable fail(L"QUILSDK_STANDIN_RESULT_Uninitialize", L"-5");
        ASSERT_EQ(Wrapper().Uninitialize(), -5);
    }
    if (state == Forgotten) {
        ASSERT_EQ(RunOp(UninitUnloadFails, ""), 1);
    }
}

class SdkWrapperTransition : public ::testing::TestWithParam<TransitionCase> {
  protected:
    void TearDown() override {  // an open session is closed, so that the folder is unlocked
        if (Wrapper().SessionId().empty()) return;
        Wrapper().UnLockDirectory(folder_);
        Wrapper().Uninitialize();
    }
    tsctest::HealthyMachine machine_{Fixture(GetParam().fixture)};
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
        const tsctest::StandinSetting standin(row.standin);
        status = RunOp(row.op, folder_);
    }

    EXPECT_EQ(status, row.status);
    const std::string id = Wrapper().SessionId().empty() ? idBefore : Wrapper().SessionId();
    Lines expected;
    for (const std::string& line : row.lines) {
        expected.push_back(Filled(line, tsctest::Utf8(machine_.SdkPath()), id));
    }
    EXPECT_EQ(log.NewMessages(), expected);
    EXPECT_EQ(journal.Exports(), row.calls);
    EXPECT_EQ(tsctest::IsModuleLoaded(machine_.SdkPath()), row.to == Loaded || row.to == Open);
    EXPECT_EQ(!Wrapper().SessionId().empty(), row.to == Open || row.to == Orphaned);
}

// clang-format off
const TransitionCase kRows[] = {
    // name                          from    op         fixture  stand-in setting        status
    //     log lines                                                                         SDK calls  state after
    {"IdleInitializeOpens",          Idle,   Init,      nullptr, nullptr,                   0,
         {kSep, kSession, kPath, kLoaded, kId},                                              kOpened,   Open},
    {"IdleInitializeWithoutPlc",     Idle,   InitNoPlc, nullptr, nullptr,                   5,
         {kSep, kE + "Initialize: Either \"plc\" or \"release\" argument absent!"},           {},        Idle},
    {"IdleInitializeRefusedFile",    Idle,   Init,      L"other", nullptr,                  9,
         {kSep, kSession, kPath, "[ERROR] CertFindCertificateInStore returned ERROR: 2148081668",
          "[ERROR] IsSignatureValid: Signature invalid at path = {sdk}", kFailed},           {},        Idle},
    {"IdleInitializeSdkFails",       Idle,   Init,      nullptr, L"RESULT_Initialize=77",  77,
         {kSep, kSession, kPath, kLoaded},                                                   kOpened,   Loaded},
    // An SDK that reports success without handing out an id (null or empty) opens no session.
    {"IdleInitializeNullSessionId",  Idle,   Init,      nullptr, L"SESSION_ID=null",        0,
         {kSep, kSession, kPath, kLoaded, kNoId},                                            kOpened,   Loaded},
    {"IdleInitializeEmptySessionId", Idle,   Init,      nullptr, L"SESSION_ID=empty",       0,
         {kSep, kSession, kPath, kLoaded, kNoId},                                            kOpened,   Loaded},
    {"IdleInitializeWithoutInitializeExport", Idle, Init, L"no_Initialize", nullptr,       4,
         {kSep, kSession, kPath, kLoaded, kE + "Initialize: Failed to obtain InitializeFunc handle!"}, {}, Loaded},
    {"IdleInitializeWithoutReleaseMemoryExport", Idle, Init, L"no_ReleaseMemory", nullptr, 0,
         {kSep, kSession, kPath, kLoaded, kId, kE + "ReleaseMemory: Failed to obtain ReleaseMemoryFunc handle!"},
                                                                                             {"Initialize"}, Open},
    {"IdleUninitialize",             Idle,   Uninit,      nullptr, nullptr, 7, {kSep, kNotInit},     {}, Idle},
    {"IdleLock",                     Idle,   Lock,        nullptr, nullptr, 4, {kSep, kNoLock},      {}, Idle},
    {"IdleLockEmpty",                Idle,   LockEmpty,   nullptr, nullptr, 5, {kSep, kLockEmpty},   {}, Idle},
    {"IdleUnlock",                   Idle,   Unlock,      nullptr, nullptr, 4, {kSep, kNoUnlock},    {}, Idle},
    {"IdleUnlockEmpty",              Idle,   UnlockEmpty, nullptr, nullptr, 5, {kSep, kUnlockEmpty}, {}, Idle},
    // From loaded: no new load and no new checks. Lock and unlock pass the empty session id on,
    // which the stand-in refuses with 20.
    {"LoadedInitializeOpens", Loaded, Init,   nullptr, nullptr,  0, {kSep, kSession, kLoaded, kId}, kOpened, Open},
    {"LoadedUninitialize",    Loaded, Uninit, nullptr, nullptr,  7, {kNotInit},                     {},      Loaded},
    {"LoadedLock",            Loaded, Lock,   nullptr, nullptr, 20, {Api("LockDirectory", 20)},     kLock,   Loaded},
    {"LoadedUnlock",          Loaded, Unlock, nullptr, nullptr, 20, {Api("UnLockDirectory", 20)},   kUnlock, Loaded},
    // From open.
    {"OpenInitialize",               Open,   Init,      nullptr, nullptr, 2, {},            {},      Open},
    {"OpenUninitialize",             Open,   Uninit,    nullptr, nullptr, 0, {kUnloaded},   kUninit, Idle},
    {"OpenLock",                     Open,   Lock,      nullptr, nullptr, 0, {},            kLock,   Open},
    {"OpenLockEmpty",                Open,   LockEmpty, nullptr, nullptr, 5, {kLockEmpty},  {},      Open},
    {"OpenUnlock",                   Open,   Unlock,    nullptr, nullptr, 0, {},            kUnlock, Open},
    {"OpenUninitializeSdkFails", Open, Uninit, nullptr, L"RESULT_Uninitialize=-5",    -5, {kUnloaded},  kUninit, Orphaned},
    {"OpenLockSdkFails",         Open, Lock,   nullptr, L"RESULT_LockDirectory=-1",   -1,
         {Api("LockDirectory", -1)},                                                         kLock,     Open},
    {"OpenUnlockSdkFails",       Open, Unlock, nullptr, L"RESULT_UnLockDirectory=-1", -1,
         {Api("UnLockDirectory", -1)},                                                       kUnlock,   Open},
    {"OpenUninitializeWithoutExport", Open,  Uninit, L"no_Uninitialize",    nullptr, 4, {kNoUninit}, {}, Open},
    {"OpenLockWithoutExport",        Open,   Lock,   L"no_LockDirectory",   nullptr, 4, {kNoLock},   {}, Open},
    {"OpenUnlockWithoutExport",      Open,   Unlock, L"no_UnLockDirectory", nullptr, 4, {kNoUnlock}, {}, Open},
    // The unload is only reported as failed, so the library does stay mapped here.
    {"OpenUninitializeUnloadFails",  Open,   UninitUnloadFails, nullptr, nullptr, 1,
         {kE + "Uninitialize: Unload failed!"},                                              kUninit,   Loaded},
    // From orphaned: nothing reaches the SDK any more.
    {"OrphanedInitialize",           Orphaned, Init,      nullptr, nullptr, 2, {},           {}, Orphaned},
    {"OrphanedUninitialize",         Orphaned, Uninit,    nullptr, nullptr, 4, {kNoUninit},  {}, Orphaned},
    {"OrphanedLock",                 Orphaned, Lock,      nullptr, nullptr, 4, {kNoLock},    {}, Orphaned},
    {"OrphanedLockEmpty",            Orphaned, LockEmpty, nullptr, nullptr, 5, {kLockEmpty}, {}, Orphaned},
    {"ForgottenLock",                Forgotten, Lock,     nullptr, nullptr, 4, {kNoLock},    {}, Loaded},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Rows, SdkWrapperTransition, ::testing::ValuesIn(kRows), tsctest::RowName);

// ReleaseMemory gets the id the wrapper copied, or an empty one when no session was opened,
// together with the text pointer the SDK set.
TEST(SdkWrapperMemory, ReleaseMemoryGetsTheCopiedIdOrAnEmptyOne) {
    tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    ASSERT_NO_FATAL_FAILURE(Reach(Loaded));
    ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 0);
    const std::string id = Wrapper().SessionId();
    EXPECT_EQ(
        journal.Calls(),
        (Lines{"Initialize\tTSC\t2026\tneutral\t=> 77", "ReleaseMemory\t\tnull\t=> 0",
               "Initialize\tTSC\t2026\tneutral\t=> 0", "ReleaseMemory\t" + id + "\tset\t=> 0"}));
    EXPECT_EQ(Wrapper().Uninitialize(), 0);
}

}  // namespace
