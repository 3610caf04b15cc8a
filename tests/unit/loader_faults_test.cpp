// The SDK load under faults the exports alone cannot produce (failing heap, expansion, status
// queries, environment lookup, known-folder lookup, snapshot, file hold, memory running out) and
// at the moment between the checks and the load. Driven through the statically linked exports;
// the status shows in the diagnostics.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <type_traits>

#include "dttscsdk/dttscsdk.h"
#include "loader/loader_seams.h"
#include "location/location_seams.h"
#include "location/system_error_text.h"
#include "support/diagnostic_recorder.h"
#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/scoped_seam.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"
#include "wrapper/wrapper_seams.h"

namespace {

using tsctest::Scene;
using Lines = std::vector<std::string>;

std::string FailureLine(const std::string& what, const std::wstring& path, std::uint32_t code) {
    return "[ERROR] " + what + tsctest::Utf8(path) + ", error " + std::to_string(code) + ": " +
           SystemErrorText(code);
}

// Runs a check when the scene ends, after the start and its teardown.
struct AtEnd {
    std::function<void()> check;
    ~AtEnd() { check(); }
};

// Points a seam elsewhere while the scene lasts.
template <typename Pointer>
void Replace(Scene& scene, Pointer& seam, std::type_identity_t<Pointer> replacement) {
    scene.Keep<tsctest::ScopedSeam<Pointer>>(seam, replacement);
}

// Status queries fail with `code` for `path`, or run out of memory once at query `throwAt`
// (0 is the self-update lock file, 1 the SDK path, 2 the install root, 3 the version folder);
// every other query is real.
struct QueryFault {
    std::wstring path;
    std::uint32_t code = 0;
    int throwAt = -1;
} queryFault;
std::uint32_t (*const realStatusQuery)(const std::wstring&) = tsc::seams::statusQuery;

void FailQueries(Scene& scene, QueryFault fault) {
    queryFault = std::move(fault);
    Replace(scene, tsc::seams::statusQuery, [](const std::wstring& path) {
        if (queryFault.throwAt-- == 0) throw std::bad_alloc();
        return path == queryFault.path ? queryFault.code : realStatusQuery(path);
    });
}

void FailKnownFolder(Scene& scene) {
    Replace(scene, tsc::seams::knownFolderPath, [](REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR* path) {
        *path = nullptr;
        return E_FAIL;
    });
}

// After a failure the next session of the process works, and is closed.
void NextSessionWorks() {
    const tsctest::SdkJournal journal;
    EXPECT_TRUE(dtutInitializeTSC());
    EXPECT_TRUE(dtutUpdatePathForTSC());
    dtutUninitializeTSC();
    EXPECT_EQ(journal.Exports(), (Lines{"Initialize", "ReleaseMemory", "LockDirectory",
                                        "UnLockDirectory", "Uninitialize"}));
}

struct FaultCase : tsctest::Row {
    void (*arrange)(Scene&);
    Lines lines;          // after the session line
    int status;           // the wrapper's status, 0 when the load succeeds
    bool started = true;  // false: memory ran out beneath the export
};

class LoaderFault : public ::testing::TestWithParam<FaultCase> {};

// Whatever fails, the start goes on to the folder and answers true; the wrapper's status
// reaches the host as a warning. Memory exhaustion never reaches the host: the export answers
// false.
TEST_P(LoaderFault, LinesStatusAndLoad) {
    Scene scene;
    GetParam().arrange(scene);
    Lines expected = GetParam().lines;
    expected.insert(expected.begin(), tsctest::kSessionLine);
    const tsctest::DiagnosticRecorder recorder;
    const tsctest::LogWatcher log;
    EXPECT_EQ(dtutInitializeTSC(), GetParam().started);
    EXPECT_EQ(tsctest::IsModuleLoaded(scene.machine.SdkPath()),
              expected.back() == tsctest::kLoadedLine);
    dtutUninitializeTSC();
    EXPECT_EQ(tsctest::LoadLines(log.NewMessages()), expected);
    const std::string warning = "Failed to intialize QUIL SDK wrapper status code:";
    const auto& said = recorder.messages();
    const bool warned =
        !said.empty() && said[0].level == "WARN" && said[0].message.starts_with(warning);
    EXPECT_EQ(warned ? std::stoi(said[0].message.substr(warning.size())) : 0, GetParam().status);
}

void RunOutOfMemoryAtQuery(Scene& s, int query) {
    s.Keep<AtEnd>(NextSessionWorks);
    FailQueries(s, {L"", 0, query});
}

const std::wstring kSdk = tsctest::FixturePath(L"quilsdk.dll");
const std::wstring kLockFile = tsctest::ScopedLockFile::Path();
const std::wstring kMissingTemp = tsctest::TempRoot() + L"\\no-temp";
const std::string kE = "[ERROR] QUILAPIWrapperImpl::";
const std::string kFailed = tsctest::kLoadFailedLine;
const std::string kSdkLine = tsctest::SdkPathLine(kSdk);
const Lines kLoads = {kSdkLine, tsctest::kLoadedLine};
std::string Denied(const std::wstring& path) {
    return FailureLine("Load: exists failed for path = ", path, ERROR_ACCESS_DENIED);
}

// clang-format off
const FaultCase kFaults[] = {
    {"ReadBlockCannotBeAllocated", [](Scene& s) { Replace(s, tsc::seams::allocateBlock, [](std::size_t) -> void* { return nullptr; }); },
        {kE + "ReadStringFromRegistry: Failed to allocate memory for buffer to read registry!", tsctest::kReadFailedLine, tsctest::kPathEmptyLine, kFailed}, 3},
    // Only the caller's line: growing the block fails silently.
    {"ReadBlockCannotGrow", [](Scene& s) {
        s.machine.QuilKey().SetString(L"QUILSDKLocation", kSdk + std::wstring(150, L' '));
        Replace(s, tsc::seams::reallocateBlock, [](void*, std::size_t) -> void* { return nullptr; }); },
        {tsctest::kReadFailedLine, tsctest::kPathEmptyLine, kFailed}, 3},
    {"ExpansionFails", [](Scene& s) { Replace(s, tsc::seams::expandDllPath, [](LPCWSTR, LPWSTR, DWORD) -> DWORD { return 0; }); },
        {kE + "GetDllPath: Failed to expand dll path!", tsctest::kPathEmptyLine, kFailed}, 3},
    // A network path that is not found means nothing is there; any other failure of the query is
    // neither "there" nor "absent": the load fails.
    {"NetworkPathNotFound", [](Scene& s) { FailQueries(s, {kSdk, ERROR_BAD_NETPATH}); },
        {kE + "GetDllPath: expanded Dll Path does not exist!", tsctest::kPathEmptyLine, kFailed}, 3},
    {"SdkPathQueryDenied",  [](Scene& s) { FailQueries(s, {kSdk, ERROR_ACCESS_DENIED}); },      {Denied(kSdk), kFailed}, 3},
    {"LockFileQueryDenied", [](Scene& s) { FailQueries(s, {kLockFile, ERROR_ACCESS_DENIED}); }, {Denied(kLockFile), kFailed}, 3},
    // A failed lookup hands back no value: the bypass variable is not set, the session starts.
    {"BypassVariableLookupFails", [](Scene& s) {
        Replace(s, tsc::seams::environmentLookup, [](LPCWSTR name, LPWSTR buffer, DWORD size) -> DWORD {
            if (std::wstring_view(name) != L"TSC_INITIALIZE_BYPASSED") return GetEnvironmentVariableW(name, buffer, size);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0; }); }, kLoads, 0},
    // Without the known folder, the lock file in the temporary folder decides, and the one in
    // the installer's data folder is not looked at.
    {"KnownFolderFailsAndTempLockFileNamesALiveProcess", [](Scene& s) {
        FailKnownFolder(s);
        s.Keep<tsctest::ScopedFile>(std::filesystem::temp_directory_path() / L"TsQUILInstaller.run.lock", tsctest::OwnProcessId()); },
        {"[INFO] Load: Self-update is running", kFailed}, 8},
    {"KnownFolderFailsAndOnlyTheDataFolderHasALockFile", [](Scene& s) {
        FailKnownFolder(s);
        s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId()); }, kLoads, 0},
    {"KnownFolderFailsAndTheTempFolderIsMissing", [](Scene& s) {
        FailKnownFolder(s);
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TMP", kMissingTemp);
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TEMP", kMissingTemp); },
        {FailureLine("Load: temp_directory_path failed for path = ", kMissingTemp + L"\\", ERROR_FILE_NOT_FOUND), kFailed}, 3},
    {"SnapshotCannotBeTaken", [](Scene& s) {
        s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId());
        Replace(s, tsc::seams::createProcessSnapshot, [](DWORD, DWORD) { SetLastError(ERROR_NOT_ENOUGH_MEMORY); return INVALID_HANDLE_VALUE; }); },
        kLoads, 0},
    // A trusted file whose embedded signature cannot be read for the publisher check.
    {"SignatureCannotBeReadForThePublisher", [](Scene& s) {
        Replace(s, tsc::seams::queryEmbeddedSignature, [](DWORD, const void*, DWORD, DWORD, DWORD, DWORD*, DWORD*, DWORD*,
                                                          HCERTSTORE*, HCRYPTMSG*, const void**) -> BOOL {
            SetLastError(static_cast<DWORD>(CRYPT_E_NO_MATCH));
            return FALSE; }); },
        {kSdkLine, "[ERROR] CryptQueryObject returned false!", tsctest::SignatureInvalidLine(kSdk), kFailed}, 9},
    // Without the hold, a file that passed its checks is still not loaded.
    {"FileCannotBeHeld", [](Scene& s) {
        Replace(s, tsc::seams::openForHold, [](LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE; }); },
        {kSdkLine, FailureLine("Load: Cannot keep the file unchanged until it is loaded, path = ", kSdk, ERROR_SHARING_VIOLATION), kFailed}, 3},
    // The process list is looked at only when a lock file exists.
    {"NoLockFileTakesNoSnapshot", [](Scene& s) {
        static int snapshots = 0;
        Replace(s, tsc::seams::createProcessSnapshot, [](DWORD, DWORD) { ++snapshots; return INVALID_HANDLE_VALUE; });
        s.Keep<AtEnd>([] { EXPECT_EQ(snapshots, 0); }); }, kLoads, 0},
    // The block grows by 256 bytes per retry, whatever size the registry says it needs; the
    // text ends at its first NUL even when more data follows.
    {"ReadBlockGrowsInStepsOf256Bytes", [](Scene& s) {
        std::wstring value = kSdk + L'\0';
        value.resize(300, L'x');
        s.machine.QuilKey().SetBinary(L"QUILSDKLocation", tsctest::TextBytes(value, 600), REG_SZ);
        static std::vector<std::size_t> sizes;
        Replace(s, tsc::seams::reallocateBlock, [](void* block, std::size_t size) { sizes.push_back(size); return std::realloc(block, size); });
        s.Keep<AtEnd>([] { EXPECT_EQ(sizes, (std::vector<std::size_t>{512, 768})); }); }, kLoads, 0},
    {"MemoryRunsOutAtTheLockFileQuery", [](Scene& s) { RunOutOfMemoryAtQuery(s, 0); }, {},     0, false},
    {"MemoryRunsOutAtTheSdkPathQuery",  [](Scene& s) { RunOutOfMemoryAtQuery(s, 1); }, {},     0, false},
    {"MemoryRunsOutAtTheRootQuery",     [](Scene& s) { RunOutOfMemoryAtQuery(s, 2); }, kLoads, 0, false},
    {"MemoryRunsOutAtTheVersionQuery",  [](Scene& s) { RunOutOfMemoryAtQuery(s, 3); }, kLoads, 0, false},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Faults, LoaderFault, ::testing::ValuesIn(kFaults), tsctest::RowName);

// The start fails once memory runs out after the SDK answered (at the time stamp of the next log
// line), and the text the SDK handed out still goes back to it; the process goes on.
const tsctest::SdkJournal* journal = nullptr;
TEST(Robustness, SdkTextGoesBackWhenMemoryRunsOutAfterTheSdkAnswered) {
    const tsctest::HealthyMachine machine;
    const tsctest::SdkJournal sdk;
    journal = &sdk;
    {
        const tsctest::ScopedSeam time(
            tsc::seams::localTime, +[](struct tm* local, const __time64_t* time) {
                if (!journal->Exports().empty()) throw std::bad_alloc();
                return _localtime64_s(local, time);
            });
        EXPECT_FALSE(dtutInitializeTSC());
    }
    EXPECT_EQ(sdk.Calls(),
              (Lines{"Initialize\tTSC\t2026\tneutral\t=> 0", "ReleaseMemory\t\tset\t=> 0"}));
    NextSessionWorks();
}

// What this process (open for writing, rename, delete) and another (overwrite, rename, delete)
// achieve against the SDK file while the hook runs.
std::vector<DWORD> ownErrors;
DWORD copyExit = 0;
std::string bytesAfterOthers;

void TryToChangeTheFile(const std::wstring& path) {
    const auto error = [](bool done) { return done ? DWORD{0} : GetLastError(); };
    const std::wstring aside = path + L".aside";
    ownErrors = {error(tsctest::OpenForWriting(path).get() != INVALID_HANDLE_VALUE),
                 error(MoveFileExW(path.c_str(), aside.c_str(), 0)),
                 error(DeleteFileW(path.c_str()))};
    copyExit = tsctest::RunShellCommand(L"copy /y \"" + tsctest::FixturePath(L"quilsdk_other.dll") +
                                        L"\" \"" + path + L"\" >nul 2>nul");
    tsctest::RunShellCommand(L"move /y \"" + path + L"\" \"" + aside + L"\" >nul 2>nul");
    tsctest::RunShellCommand(L"del /f /q \"" + path + L"\" >nul 2>nul");
    bytesAfterOthers = tsctest::ReadFileBytes(path).value_or("(gone)");
}

// From the first check until the load, the file that was checked cannot be overwritten,
// renamed or deleted, by this process or another; afterwards it is free again.
TEST(SdkFileHold, CheckedFileCannotChangeBeforeItIsLoaded) {
    const tsctest::ScopedDirectory folder(tsctest::TempRoot() + L"\\sdk");
    const std::wstring sdk = folder.path() + L"\\quilsdk.dll";
    const std::string bytes = tsctest::ReadFileBytes(tsctest::FixturePath(L"quilsdk.dll")).value();
    const tsctest::ScopedFile file(sdk, bytes);
    const tsctest::HealthyMachine machine(sdk);
    const tsctest::ScopedSeam hook(tsc::seams::beforeSdkLoad, &TryToChangeTheFile);

    ASSERT_TRUE(dtutInitializeTSC());
    EXPECT_TRUE(tsctest::IsModuleLoaded(sdk));
    EXPECT_EQ(ownErrors, std::vector<DWORD>(3, ERROR_SHARING_VIOLATION));
    EXPECT_NE(copyExit, 0u);
    EXPECT_TRUE(bytesAfterOthers == bytes) << "the file was changed or removed";
    // Once loaded, the hold is gone: the (merely loaded) file can be renamed again.
    EXPECT_TRUE(MoveFileExW(sdk.c_str(), (sdk + L".aside").c_str(), 0)) << GetLastError();
    MoveFileExW((sdk + L".aside").c_str(), sdk.c_str(), 0);
    dtutUninitializeTSC();
}

}  // namespace
