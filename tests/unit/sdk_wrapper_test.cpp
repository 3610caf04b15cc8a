// The cells of the SDK wrapper's state table (library loaded or not, session open or not) that a
// host cannot reach through the exports, which never pass an empty argument and never act on a
// session the wrapper has forgotten; the other cells are rows of the DLL's session table. Driven
// on the process-wide wrapper with the signed stand-in SDK and checked by status, log lines, the
// calls the SDK received, and the state after.
#include <gtest/gtest.h>

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
const std::string kE = "[ERROR] QUILAPIWrapperImpl::";
const std::string kNotInit = kE + "Uninitialize: Not initialized!";
const std::string kNoLock = kE + "LockDirectory: Failed to obtain LockDirectoryFunc handle!";
const std::string kLockEmpty = kE + "LockDirectory: Argument \"directoryToLock \" is empty!";

// Loaded: library loaded, no session. Orphaned: library unloaded, session still open.
// Forgotten: library still mapped after a failed unload, but no longer known to the wrapper.
enum State { Idle, Loaded, Open, Orphaned, Forgotten };
enum Op { Init, InitNoPlc, Uninit, UninitUnloadFails, Lock, LockEmpty, Unlock, UnlockEmpty };

struct TransitionCase : tsctest::Row {
    State from;
    Op op;
    std::int32_t status;
    Lines lines;
    Lines calls;  // the SDK exports called, in order
    State to;
};

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
        const tsctest::ScopedEnvironmentVariable fail(L"QUILSDK_STANDIN_RESULT_Initialize", L"77");
        ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 77);
        return;
    }
    ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 0);
    if (state == Orphaned) {
        const tsctest::ScopedEnvironmentVariable fail(L"QUILSDK_STANDIN_RESULT_Uninitialize",
                                                      L"-5");
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
    tsctest::HealthyMachine machine_;
    std::string folder_ = tsctest::Utf8(machine_.Folder()) + "\\";
};

TEST_P(SdkWrapperTransition, StatusLinesCallsAndState) {
    const TransitionCase& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(Reach(row.from));
    tsctest::LogWatcher log;
    tsctest::SdkJournal journal;
    EXPECT_EQ(RunOp(row.op, folder_), row.status);
    EXPECT_EQ(log.NewMessages(), row.lines);
    EXPECT_EQ(journal.Exports(), row.calls);
    EXPECT_EQ(tsctest::IsModuleLoaded(machine_.SdkPath()), row.to == Loaded || row.to == Open);
    EXPECT_EQ(!Wrapper().SessionId().empty(), row.to == Open || row.to == Orphaned);
}

// clang-format off
const TransitionCase kRows[] = {
    {"IdleInitializeWithoutPlc", Idle, InitNoPlc, 5,
         {kSep, kE + "Initialize: Either \"plc\" or \"release\" argument absent!"}, {}, Idle},
    {"IdleUninitialize",         Idle, Uninit,      7, {kSep, kNotInit},     {}, Idle},
    {"IdleLock",                 Idle, Lock,        4, {kSep, kNoLock},      {}, Idle},
    {"IdleLockEmpty",            Idle, LockEmpty,   5, {kSep, kLockEmpty},   {}, Idle},
    {"IdleUnlock",               Idle, Unlock,      4, {kSep, kE + "UnLockDirectory: Failed to obtain UnLockDirectoryFunc handle!"}, {}, Idle},
    {"IdleUnlockEmpty",          Idle, UnlockEmpty, 5, {kSep, kE + "UnLockDirectory: Argument \"directoryToLock \" is empty!"}, {}, Idle},
    // From loaded: lock and unlock pass the empty session id on, which the stand-in refuses with 20.
    {"LoadedUninitialize",       Loaded, Uninit,  7, {kNotInit},                   {},      Loaded},
    {"LoadedLock",               Loaded, Lock,   20, {kE + "LockDirectory: API returned error code 20"},   {"LockDirectory"},   Loaded},
    {"LoadedUnlock",             Loaded, Unlock, 20, {kE + "UnLockDirectory: API returned error code 20"}, {"UnLockDirectory"}, Loaded},
    {"OpenInitialize",           Open, Init,      2, {},           {}, Open},
    {"OpenLockEmpty",            Open, LockEmpty, 5, {kLockEmpty}, {}, Open},
    // The unload is only reported as failed, so the library does stay mapped here.
    {"OpenUninitializeUnloadFails", Open, UninitUnloadFails, 1, {kE + "Uninitialize: Unload failed!"}, {"Uninitialize"}, Loaded},
    {"OrphanedLockEmpty",        Orphaned, LockEmpty, 5, {kLockEmpty}, {}, Orphaned},
    {"ForgottenLock",            Forgotten, Lock,     4, {kNoLock},    {}, Loaded},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Rows, SdkWrapperTransition, ::testing::ValuesIn(kRows), tsctest::RowName);

}  // namespace
