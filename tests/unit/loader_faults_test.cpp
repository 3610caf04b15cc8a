// The SDK load under faults the exports alone cannot produce (failing heap, expansion, status
// queries, known-folder lookup, snapshot, file hold) and at the moment between the checks and
// the load. Driven through the statically linked exports; the status shows in the diagnostics.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <new>
#include <type_traits>
#include <string>
#include <vector>

#include "dttscsdk/dttscsdk.h"
#include "loader/loader_seams.h"
#include "location/location_seams.h"
#include "location/system_error_text.h"
#include "support/diagnostic_recorder.h"
#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/scoped_seam.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::Utf8;
using Lines = std::vector<std::string>;
template <typename Pointer>
using Seam = tsctest::ScopedSeam<Pointer>;

std::string FailureLine(const std::string& what, const std::wstring& path, std::uint32_t code) {
    return "[ERROR] " + what + Utf8(path) + ", error " + std::to_string(code) + ": " +
           SystemErrorText(code);
}

// One start and teardown through the exports, as the host makes them.
struct Start {
    bool started = false;
    bool loaded = false;
    Lines lines;     // from the session line to the load's outcome
    int status = 0;  // the wrapper's status the start reported first, as a warning; 0 for none
};

Start StartAndStop(const std::wstring& sdkPath) {
    tsctest::DiagnosticRecorder recorder;
    tsctest::LogWatcher log;
    Start start;
    start.started = dtutInitializeTSC();
    start.loaded = tsctest::IsModuleLoaded(sdkPath);
    dtutUninitializeTSC();
    start.lines = tsctest::LoadLines(log.NewMessages());
    const std::string prefix = "Failed to intialize QUIL SDK wrapper status code:";
    const auto& first = recorder.messages().at(0);
    if (first.level == "WARN" && first.message.rfind(prefix, 0) == 0) {
        start.status = std::stoi(first.message.substr(prefix.size()));
    }
    return start;
}

using tsctest::Scene;
Lines Loads(const Scene& s) {
    return {tsctest::SdkPathLine(s.machine.SdkPath()), tsctest::kLoadedLine};
}

// Runs a check when the scene ends, after the start.
struct AtEnd {
    std::function<void()> check;
    ~AtEnd() { check(); }
};

// Points a seam elsewhere while the scene lasts.
template <typename Pointer>
void Replace(Scene& scene, Pointer& seam, std::type_identity_t<Pointer> replacement) {
    scene.Keep<Seam<Pointer>>(seam, replacement);
}

// Status-query faults for one path only; every other path is queried for real.
std::wstring faultPath;
std::uint32_t faultCode = 0;
std::uint32_t (*const realStatusQuery)(const std::wstring&) = tsc::seams::statusQuery;

void FailStatusQuery(Scene& scene, const std::wstring& path, std::uint32_t code) {
    faultPath = path;
    faultCode = code;
    Replace(scene, tsc::seams::statusQuery, [](const std::wstring& queried) {
        return queried == faultPath ? faultCode : realStatusQuery(queried);
    });
}

void FailKnownFolder(Scene& scene) {
    Replace(scene, tsc::seams::knownFolderPath, [](REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR* path) {
        *path = nullptr;
        return E_FAIL;
    });
}

std::wstring TempLockFile() {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, buffer);
    return std::wstring(buffer) + L"TsQUILInstaller.run.lock";
}

struct FaultCase : tsctest::Row {
    // Arranges the fault and answers the lines expected after the session line.
    std::function<Lines(Scene&)> arrange;
    int status;  // the wrapper's status, 0 when the load succeeds
};

class LoaderFault : public ::testing::TestWithParam<FaultCase> {};

// Whatever fails, the start goes on to the folder and answers true; the wrapper's status
// reaches the host as a warning.
TEST_P(LoaderFault, LinesStatusAndLoad) {
    Scene scene;
    Lines expected = GetParam().arrange(scene);
    expected.insert(expected.begin(), tsctest::kSessionLine);

    const Start start = StartAndStop(scene.machine.SdkPath());
    EXPECT_TRUE(start.started);
    EXPECT_EQ(start.loaded, expected.back() == tsctest::kLoadedLine);
    EXPECT_EQ(start.lines, expected);
    EXPECT_EQ(start.status, GetParam().status);
}

const std::string kE = "[ERROR] QUILAPIWrapperImpl::";
const std::string kFailed = tsctest::kLoadFailedLine;
const Lines kNotFound = {tsctest::kPathEmptyLine, kFailed};  // the end of a failed lookup
Lines Denied(const std::wstring& path) {
    return {FailureLine("Load: exists failed for path = ", path, ERROR_ACCESS_DENIED), kFailed};
}

// clang-format off
const FaultCase kFaults[] = {
    {"ReadBlockCannotBeAllocated", [](Scene& s) -> Lines {
        Replace(s, tsc::seams::allocateBlock, [](std::size_t) -> void* { return nullptr; });
        return {kE + "ReadStringFromRegistry: Failed to allocate memory for buffer to read registry!",
                tsctest::kReadFailedLine, tsctest::kPathEmptyLine, kFailed}; }, 3},
    // Only the caller's line: growing the block fails silently.
    {"ReadBlockCannotGrow", [](Scene& s) -> Lines {
        s.machine.QuilKey().SetString(L"QUILSDKLocation", s.machine.SdkPath() + std::wstring(150, L' '));
        Replace(s, tsc::seams::reallocateBlock, [](void*, std::size_t) -> void* { return nullptr; });
        return {tsctest::kReadFailedLine, tsctest::kPathEmptyLine, kFailed}; }, 3},
    {"ExpansionFails", [](Scene& s) -> Lines {
        Replace(s, tsc::seams::expandDllPath, [](LPCWSTR, LPWSTR, DWORD) -> DWORD { return 0; });
        return {kE + "GetDllPath: Failed to expand dll path!", tsctest::kPathEmptyLine, kFailed}; }, 3},
    // A network path that is not found means nothing is there; any other failure of the query is
    // neither "there" nor "absent": the load fails.
    {"NetworkPathNotFound", [](Scene& s) -> Lines {
        FailStatusQuery(s, s.machine.SdkPath(), ERROR_BAD_NETPATH);
        return {kE + "GetDllPath: expanded Dll Path does not exist!", tsctest::kPathEmptyLine, kFailed}; }, 3},
    {"SdkPathQueryDenied", [](Scene& s) {
        FailStatusQuery(s, s.machine.SdkPath(), ERROR_ACCESS_DENIED);
        return Denied(s.machine.SdkPath()); }, 3},
    {"LockFileQueryDenied", [](Scene& s) {
        FailStatusQuery(s, tsctest::ScopedLockFile::Path(), ERROR_ACCESS_DENIED);
        return Denied(tsctest::ScopedLockFile::Path()); }, 3},
    // Without the known folder, the lock file in the temporary folder decides, and the one in
    // the installer's data folder is not looked at.
    {"KnownFolderFailsAndTempLockFileNamesALiveProcess", [](Scene& s) -> Lines {
        FailKnownFolder(s);
        s.Keep<tsctest::ScopedFile>(TempLockFile(), tsctest::OwnProcessId());
        return {"[INFO] Load: Self-update is running", kFailed}; }, 8},
    {"KnownFolderFailsAndOnlyTheDataFolderHasALockFile", [](Scene& s) {
        FailKnownFolder(s);
        s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId());
        return Loads(s); }, 0},
    {"KnownFolderFailsAndTheTempFolderIsMissing", [](Scene& s) -> Lines {
        FailKnownFolder(s);
        const std::wstring missing = tsctest::TempRoot() + L"\\no-temp";
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TMP", missing);
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TEMP", missing);
        return {FailureLine("Load: temp_directory_path failed for path = ", missing + L"\\", ERROR_FILE_NOT_FOUND),
                kFailed}; }, 3},
    {"SnapshotCannotBeTaken", [](Scene& s) {
        s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId());
        Replace(s, tsc::seams::createProcessSnapshot, [](DWORD, DWORD) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return INVALID_HANDLE_VALUE; });
        return Loads(s); }, 0},
    // A trusted file whose embedded signature cannot be read for the publisher check.
    {"SignatureCannotBeReadForThePublisher", [](Scene& s) -> Lines {
        Replace(s, tsc::seams::queryEmbeddedSignature, [](DWORD, const void*, DWORD, DWORD, DWORD, DWORD*, DWORD*,
                                                          DWORD*, HCERTSTORE*, HCRYPTMSG*, const void**) -> BOOL {
            SetLastError(static_cast<DWORD>(CRYPT_E_NO_MATCH));
            return FALSE; });
        const std::wstring& sdk = s.machine.SdkPath();
        return {tsctest::SdkPathLine(sdk), "[ERROR] CryptQueryObject returned false!",
                tsctest::SignatureInvalidLine(sdk), kFailed}; }, 9},
    // Without the hold, a file that passed its checks is still not loaded.
    {"FileCannotBeHeld", [](Scene& s) -> Lines {
        Replace(s, tsc::seams::openForHold, [](LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE; });
        const std::wstring& sdk = s.machine.SdkPath();
        return {tsctest::SdkPathLine(sdk), FailureLine("Load: Cannot keep the file unchanged until it is loaded, path = ",
                                                         sdk, ERROR_SHARING_VIOLATION), kFailed}; }, 3},
    // The process list is looked at only when a lock file exists.
    {"NoLockFileTakesNoSnapshot", [](Scene& s) {
        static int snapshots = 0;
        Replace(s, tsc::seams::createProcessSnapshot, [](DWORD, DWORD) { ++snapshots; return INVALID_HANDLE_VALUE; });
        s.Keep<AtEnd>([] { EXPECT_EQ(snapshots, 0); });
        return Loads(s); }, 0},
    // The block grows by 256 bytes per retry, whatever size the registry says it needs; the
    // text ends at its first NUL even when more data follows.
    {"ReadBlockGrowsInStepsOf256Bytes", [](Scene& s) {
        std::wstring value = s.machine.SdkPath() + L'\0';
        value.resize(300, L'x');
        s.machine.QuilKey().SetBinary(L"QUILSDKLocation", tsctest::TextBytes(value, 600), REG_SZ);
        static std::vector<std::size_t> sizes;
        Replace(s, tsc::seams::reallocateBlock, [](void* block, std::size_t size) { sizes.push_back(size); return std::realloc(block, size); });
        s.Keep<AtEnd>([] { EXPECT_EQ(sizes, (std::vector<std::size_t>{512, 768})); });
        return Loads(s); }, 0},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Faults, LoaderFault, ::testing::ValuesIn(kFaults), tsctest::RowName);

int queriesBeforeFailure = 0;
class ExceptionBoundary : public ::testing::TestWithParam<int> {};

// Memory exhaustion beneath an export never reaches the host: the export answers false, and the
// next session in the process works. Query 0 is the self-update lock file, 1 the SDK path, 2 the
// install root, 3 the version folder.
TEST_P(ExceptionBoundary, FailureAtAnyFileQueryAnswersFalseAndTheNextSessionWorks) {
    tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    queriesBeforeFailure = GetParam();
    {
        const Seam<decltype(tsc::seams::statusQuery)> seam(tsc::seams::statusQuery,
                                                           [](const std::wstring& path) {
                                                               if (queriesBeforeFailure-- == 0)
                                                                   throw std::bad_alloc();
                                                               return realStatusQuery(path);
                                                           });
        EXPECT_FALSE(dtutInitializeTSC());
        dtutUninitializeTSC();
    }
    EXPECT_TRUE(dtutInitializeTSC());
    EXPECT_TRUE(dtutUpdatePathForTSC());
    dtutUninitializeTSC();
    const auto exports = journal.Exports();
    ASSERT_FALSE(exports.empty());
    EXPECT_EQ(exports.back(), "Uninitialize") << "the session that worked was closed";
}
INSTANTIATE_TEST_SUITE_P(Queries, ExceptionBoundary, ::testing::Values(0, 1, 2, 3));

// What the hook saw this process (open for writing, rename, delete) and others (overwrite,
// rename, delete) achieve against the SDK file.
std::vector<DWORD> ownErrors;
DWORD copyExit = 0;
std::string bytesAfterOthers;

void TryToChangeTheFile(const std::wstring& path) {
    ownErrors.push_back(tsctest::OpenForWriting(path).get() == INVALID_HANDLE_VALUE ? GetLastError()
                                                                                    : 0);
    const std::wstring aside = path + L".aside";
    ownErrors.push_back(MoveFileExW(path.c_str(), aside.c_str(), 0) ? 0 : GetLastError());
    ownErrors.push_back(DeleteFileW(path.c_str()) ? 0 : GetLastError());
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
    Seam<decltype(tsc::seams::beforeSdkLoad)> hook(tsc::seams::beforeSdkLoad, &TryToChangeTheFile);

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
