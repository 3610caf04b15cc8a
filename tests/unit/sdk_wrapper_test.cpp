// The SDK wrapper where the exports cannot show it. The cells of its state table (library loaded
// or not, session open or not) that a host cannot reach, since the exports never pass an empty
// argument and never act on a session the wrapper has forgotten; the other cells are rows of the
// DLL's session table. Driven on the process-wide wrapper with the signed stand-in SDK and
// checked by status, log lines, the calls the SDK received, and the state after. And its log:
// the bytes of a line, an unknown local time, a file system that refuses byte-range locks, a
// missing folder, and the expansion of the folder at its length bound.
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

using namespace tsctest;
using Lines = std::vector<std::string>;
QUILAPIWrapperImpl& Wrapper() { return QUILAPIWrapperImpl::GetInstance(); }

const std::string kSep = kSeparatorLine;
const std::string kE = "[ERROR] QUILAPIWrapperImpl::";
const std::string kNotInit = kE + "Uninitialize: Not initialized!";
const std::string kNoLock = kE + "LockDirectory: Failed to obtain LockDirectoryFunc handle!";
const std::string kLockEmpty = kE + "LockDirectory: Argument \"directoryToLock \" is empty!";

// Loaded: library loaded, no session. Orphaned: library unloaded, session still open.
// Forgotten: library still mapped after a failed unload, but no longer known to the wrapper.
enum State { Idle, Loaded, Open, Orphaned, Forgotten };
using Op = std::int32_t (*)(const std::string& folder);  // the operation of a row
using S = const std::string&;                            // its folder argument

std::int32_t UninitializeUnloadFails(S = "") {
    const ScopedSeam unload(
        tsc::seams::freeLibrary, +[](HMODULE) -> BOOL { return FALSE; });
    return Wrapper().Uninitialize();
}

struct TransitionCase : Row {
    State from;
    Op op;
    std::int32_t status;
    Lines lines, calls;  // the log lines and the SDK exports called, in order
    State to;
};

void Reach(State state) {
    if (state == Idle) return;
    if (state == Loaded) {
        const ScopedEnvironmentVariable fail(L"QUILSDK_STANDIN_RESULT_Initialize", L"77");
        ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 77);
        return;
    }
    ASSERT_EQ(Wrapper().Initialize("TSC", "2026", "neutral"), 0);
    if (state == Orphaned) {
        const ScopedEnvironmentVariable fail(L"QUILSDK_STANDIN_RESULT_Uninitialize", L"-5");
        ASSERT_EQ(Wrapper().Uninitialize(), -5);
    }
    if (state == Forgotten) {
        ASSERT_EQ(UninitializeUnloadFails(), 1);
    }
}

class SdkWrapperTransition : public ::testing::TestWithParam<TransitionCase> {
  protected:
    void TearDown() override {  // an open session is closed, so that the folder is unlocked
        if (Wrapper().SessionId().empty()) return;
        Wrapper().UnLockDirectory(folder_);
        Wrapper().Uninitialize();
    }
    HealthyMachine machine_;
    std::string folder_ = Utf8(machine_.Folder()) + "\\";
};

TEST_P(SdkWrapperTransition, StatusLinesCallsAndState) {
    const TransitionCase& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(Reach(row.from));
    LogWatcher log;
    SdkJournal journal;
    EXPECT_EQ(row.op(folder_), row.status);
    EXPECT_EQ(log.NewMessages(), row.lines);
    EXPECT_EQ(journal.Exports(), row.calls);
    EXPECT_EQ(IsModuleLoaded(machine_.SdkPath()), row.to == Loaded || row.to == Open);
    EXPECT_EQ(!Wrapper().SessionId().empty(), row.to == Open || row.to == Orphaned);
}

// clang-format off
const TransitionCase kRows[] = {
    {"IdleInitializeWithoutPlc", Idle, [](S) { return Wrapper().Initialize("", "2026", "neutral"); }, 5,
                                      {kSep, kE + "Initialize: Either \"plc\" or \"release\" argument absent!"}, {}, Idle},
    {"IdleUninitialize",   Idle, [](S) { return Wrapper().Uninitialize(); },      7, {kSep, kNotInit},   {}, Idle},
    {"IdleLock",           Idle, [](S f) { return Wrapper().LockDirectory(f); },  4, {kSep, kNoLock},    {}, Idle},
    {"IdleLockEmpty",      Idle, [](S) { return Wrapper().LockDirectory(""); },   5, {kSep, kLockEmpty}, {}, Idle},
    // From loaded: a lock passes the empty session id on, which the stand-in refuses with 20.
    {"LoadedUninitialize", Loaded, [](S) { return Wrapper().Uninitialize(); },       7, {kNotInit}, {}, Loaded},
    {"LoadedLock",         Loaded, [](S f) { return Wrapper().LockDirectory(f); },  20, {kE + "LockDirectory: API returned error code 20"},   {"LockDirectory"},   Loaded},
    {"OpenInitialize",     Open, [](S) { return Wrapper().Initialize("TSC", "2026", "neutral"); }, 2, {}, {}, Open},
    {"OpenLockEmpty",      Open, [](S) { return Wrapper().LockDirectory(""); },      5, {kLockEmpty}, {}, Open},
    // The unload is only reported as failed, so the library does stay mapped here.
    {"OpenUninitializeUnloadFails", Open, UninitializeUnloadFails, 1, {kE + "Uninitialize: Unload failed!"}, {"Uninitialize"}, Loaded},
    {"ForgottenLock",      Forgotten, [](S f) { return Wrapper().LockDirectory(f); }, 4, {kNoLock},   {}, Loaded},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Rows, SdkWrapperTransition, ::testing::ValuesIn(kRows), RowName);

class WrapperLog : public ::testing::Test {
  protected:
    ScopedDirectory logFolder_{WrapperLogFolder()};
    LogWatcher log_;
};

// The first line of a process follows a separator; text beyond ASCII is written as UTF-8
// without a byte-order mark (narrow messages byte for byte), and line feeds as CR LF.
TEST_F(WrapperLog, LinesAreUtf8WithCrLf) {
    Wrapper().LogInfo("Initialize: plc = \"\xC3\x9C\xE6\x97\xA5\"");  // "Ü日"
    Wrapper().WriteLogLine(L"[INFO] Load: QUIL SDK path = C:\\\u00C5\u5171\u6709\\sdk.dll");
    Wrapper().LogError("two\nparts");
    Wrapper().LogInfo("");
    EXPECT_EQ(log_.NewBytes().rfind(std::string(71, '=') + "\r\n[", 0), 0u) << log_.NewBytes();
    EXPECT_EQ(log_.NewMessages(),
              (Lines{kSep, "[INFO] QUILAPIWrapperImpl::Initialize: plc = \"\xC3\x9C\xE6\x97\xA5\"",
                     "[INFO] Load: QUIL SDK path = C:\\\xC3\x85\xE5\x85\xB1\xE6\x9C\x89\\sdk.dll",
                     "[ERROR] QUILAPIWrapperImpl::two", "parts", "[INFO] QUILAPIWrapperImpl::"}));
}

// Without a local time the brackets stay empty. Only a lock held by another writer is waited
// for: a refused lock (some network shares and filter drivers) means one try per line, and the
// line is written at once, whole.
int lockCalls = 0;
TEST_F(WrapperLog, UnknownTimeAndRefusedLockStillWriteEachLineAtOnce) {
    {
        const ScopedSeam time(
            tsc::seams::localTime,
            +[](struct tm*, const __time64_t*) -> errno_t { return EINVAL; });
        const ScopedSeam lock(
            tsc::seams::lockFile, +[](HANDLE, DWORD, DWORD, DWORD, DWORD, LPOVERLAPPED) -> BOOL {
                ++lockCalls;
                SetLastError(ERROR_NOT_SUPPORTED);
                return FALSE;
            });
        Wrapper().LogInfo("Initialize: x");
    }
    EXPECT_EQ(lockCalls, 2) << "one for the separator, one for the line";
    EXPECT_EQ(log_.NewLines(), (Lines{kSep, "[] [INFO] QUILAPIWrapperImpl::Initialize: x"}));
}

TEST_F(WrapperLog, MissingFolderIsNotCreated) {
    const ScopedMoveAside aside(WrapperLogFolder());
    Wrapper().LogError("LockDirectory: Failed to obtain LockDirectoryFunc handle!");
    EXPECT_EQ(GetFileAttributesW(WrapperLogFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

// The folder's expansion may fill the 260-character buffer, no more: a path is kept from an
// expansion of 259 characters, while a longer or failed one writes nothing and is tried again
// for every line.
struct ExpansionCase : Row {
    std::size_t length;  // of LOCALAPPDATA; 0: the expansion fails
    int expansions;      // for two lines
};

int expansions = 0;
bool expansionFails = false;
DWORD(WINAPI* const realExpand)(LPCWSTR, LPWSTR, DWORD) = tsc::seams::expandLogFolder;

class LogFolderExpansion : public WrapperLog,
                           public ::testing::WithParamInterface<ExpansionCase> {};

TEST_P(LogFolderExpansion, KeepsAPathOnlyWithinTheBuffer) {
    {
        const std::size_t length = GetParam().length;
        expansionFails = length == 0;
        const ScopedEnvironmentVariable folder(
            L"LOCALAPPDATA", L"C:\\" + std::wstring(length ? length - 3 : 1, L'x'));
        const ScopedSeam expand(
            tsc::seams::expandLogFolder, +[](LPCWSTR source, LPWSTR target, DWORD size) -> DWORD {
                ++expansions;
                return expansionFails ? 0 : realExpand(source, target, size);
            });
        Wrapper().LogInfo("Initialize: lost");
        Wrapper().LogInfo("Initialize: lost too");
    }
    EXPECT_EQ(expansions, GetParam().expansions);
    EXPECT_TRUE(log_.NewBytes().empty());
    if (GetParam().expansions == 2) {
        Wrapper().LogInfo("Initialize: kept");
        EXPECT_EQ(log_.NewMessages(), (Lines{kSep, "[INFO] QUILAPIWrapperImpl::Initialize: kept"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, LogFolderExpansion,
                         ::testing::Values(ExpansionCase{"Of259Characters", 259, 1},
                                           ExpansionCase{"Of260Characters", 260, 2},
                                           ExpansionCase{"Failed", 0, 2}),
                         RowName);

}  // namespace
