// The SDK load under faults the exports alone cannot produce (failing heap, expansion,
// status queries, known-folder lookup, snapshot) and at the moment between the checks and the
// load. Driven through the statically linked exports; the status shows in the diagnostics.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
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
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/scoped_seam.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::Utf8;

const std::string kSession =
    "[INFO] QUILAPIWrapperImpl::Initialize: plc = \"TSC\", release = \"2026\", language = "
    "\"neutral\"";
const std::string kLoaded = "[INFO] QUILAPIWrapperImpl::Initialize: QUIL SDK loaded successfully";
const std::string kFailed = "[ERROR] QUILAPIWrapperImpl::Initialize: Failed to load SDK! ";
const std::string kReadFailed = "[ERROR] QUILAPIWrapperImpl::GetDllPath: Failed to read registry!";
const std::string kPathEmpty = "[ERROR] Load: dll path empty!";
const std::string kRunning = "[INFO] Load: Self-update is running";

std::wstring ProgramDataLockFile() {
    return std::wstring(tsctest::kLockFileFolder) + L"\\TsQUILInstaller.run.lock";
}

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, buffer);
    return buffer;
}

std::string OwnId() { return std::to_string(GetCurrentProcessId()); }

std::string PathLine(const std::wstring& path) {
    return "[INFO] Load: QUIL SDK path = " + Utf8(path);
}

std::string FailureLine(const std::string& operation, const std::wstring& path,
                        std::uint32_t code) {
    return "[ERROR] Load: " + operation + " failed for path = " + Utf8(path) + ", error " +
           std::to_string(code) + ": " + SystemErrorText(code);
}

// One start and teardown through the exports, as the host would make them.
struct Start {
    bool started = false;
    bool loaded = false;
    std::vector<std::string> lines;  // from the session line to the load's outcome
    std::vector<tsctest::Diagnostic> diagnostics;
};

Start StartAndStop(const std::wstring& sdkPath) {
    tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", std::nullopt);
    tsctest::DiagnosticRecorder recorder;
    tsctest::LogWatcher log;
    Start start;
    start.started = dtutInitializeTSC();
    start.loaded = tsctest::IsModuleLoaded(sdkPath);
    dtutUninitializeTSC();
    const auto messages = log.NewMessages();
    auto begin = std::find(messages.begin(), messages.end(), kSession);
    auto end = std::find_if(begin, messages.end(),
                            [](const std::string& m) { return m == kLoaded || m == kFailed; });
    if (end != messages.end()) ++end;
    start.lines.assign(begin, end);
    start.diagnostics = recorder.messages();
    return start;
}

// Session start reports a failed wrapper status first, as a warning; later steps of the start
// may add messages of their own.
std::optional<tsctest::Diagnostic> StatusWarning(const Start& start) {
    const std::string prefix = "Failed to intialize QUIL SDK wrapper status code:";
    if (start.diagnostics.empty() || start.diagnostics[0].message.rfind(prefix, 0) != 0) {
        return std::nullopt;
    }
    return start.diagnostics[0];
}

std::optional<tsctest::Diagnostic> StatusWarningFor(std::int32_t status) {
    if (status == 0) return std::nullopt;
    return tsctest::Diagnostic{
        "WARN", "Failed to intialize QUIL SDK wrapper status code:" + std::to_string(status)};
}

// The things one row sets up and keeps until it ends (seams, files, variables).
struct Scene {
    tsctest::HealthyMachine& machine;
    std::vector<std::shared_ptr<void>> keep;

    template <typename T, typename... Args>
    T& Keep(Args&&... args) {
        auto item = std::make_shared<T>(std::forward<Args>(args)...);
        keep.push_back(item);
        return *item;
    }
};

template <typename Pointer>
using Seam = tsctest::ScopedSeam<Pointer>;

// Status-query faults for one path only; every other path is queried for real.
std::wstring faultPath;
std::uint32_t faultCode = 0;
std::uint32_t (*realStatusQuery)(const std::wstring&) = nullptr;
std::uint32_t StatusQueryWithFault(const std::wstring& path) {
    return path == faultPath ? faultCode : realStatusQuery(path);
}

void FailStatusQuery(Scene& scene, const std::wstring& path, std::uint32_t code) {
    faultPath = path;
    faultCode = code;
    auto& seam = scene.Keep<Seam<decltype(tsc::seams::statusQuery)>>(tsc::seams::statusQuery,
                                                                     &StatusQueryWithFault);
    realStatusQuery = seam.original();
}

HRESULT WINAPI FailingKnownFolder(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR* path) {
    *path = nullptr;
    return E_FAIL;
}

HANDLE WINAPI FailingSnapshot(DWORD, DWORD) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
}

struct FaultCase {
    const char* name;
    // Arranges the fault and answers the lines expected from the session line on.
    std::function<std::vector<std::string>(Scene&)> arrange;
    bool loaded;
    std::int32_t status;  // the wrapper's status, 0 when the load succeeds
};

void PrintTo(const FaultCase& row, std::ostream* out) { *out << row.name; }

class LoaderFault : public ::testing::TestWithParam<FaultCase> {};

// Whatever fails, the start goes on to the folder and answers true; the wrapper's status
// reaches the host as a warning.
TEST_P(LoaderFault, LinesStatusAndLoad) {
    const FaultCase& row = GetParam();
    tsctest::HealthyMachine machine;
    Scene scene{machine, {}};
    const std::vector<std::string> expected = row.arrange(scene);

    const Start start = StartAndStop(machine.SdkPath());
    EXPECT_TRUE(start.started);
    EXPECT_EQ(start.loaded, row.loaded);
    EXPECT_EQ(start.lines, expected);
    EXPECT_EQ(StatusWarning(start), StatusWarningFor(row.status));
}

std::vector<std::string> Loads(Scene& scene) {
    return {kSession, PathLine(scene.machine.SdkPath()), kLoaded};
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LoaderFault,
    ::testing::Values(
        FaultCase{"NoSdkRecorded",
                  [](Scene& s) -> std::vector<std::string> {
                      s.machine.QuilKey().DeleteKey();
                      return {kSession,
                              "[ERROR] QUILAPIWrapperImpl::ReadStringFromRegistry: RegOpenKeyEx "
                              "failed!",
                              kReadFailed, kPathEmpty, kFailed};
                  },
                  false, 3},
        FaultCase{"SdkOfAnotherPublisher",
                  [](Scene& s) -> std::vector<std::string> {
                      const std::wstring other = tsctest::FixturePath(L"quilsdk_other.dll");
                      s.machine.QuilKey().SetString(L"QUILSDKLocation", other);
                      return {kSession, PathLine(other),
                              "[ERROR] CertFindCertificateInStore returned ERROR: 2148081668",
                              "[ERROR] IsSignatureValid: Signature invalid at path = " +
                                  Utf8(other),
                              kFailed};
                  },
                  false, 9},
        FaultCase{"SelfUpdateRunning",
                  [](Scene& s) -> std::vector<std::string> {
                      s.Keep<tsctest::ScopedDirectory>(tsctest::kLockFileFolder);
                      s.Keep<tsctest::ScopedFile>(ProgramDataLockFile(), OwnId());
                      return {kSession, kRunning, kFailed};
                  },
                  false, 8},
        FaultCase{"ReadBlockCannotBeAllocated",
                  [](Scene& s) -> std::vector<std::string> {
                      s.Keep<Seam<decltype(tsc::seams::allocateBlock)>>(
                          tsc::seams::allocateBlock, [](std::size_t) -> void* { return nullptr; });
                      return {kSession,
                              "[ERROR] QUILAPIWrapperImpl::ReadStringFromRegistry: Failed to "
                              "allocate memory for buffer to read registry!",
                              kReadFailed, kPathEmpty, kFailed};
                  },
                  false, 3},
        // Only the caller's line: growing the block fails silently.
        FaultCase{"ReadBlockCannotGrow",
                  [](Scene& s) -> std::vector<std::string> {
                      s.machine.QuilKey().SetString(L"QUILSDKLocation",
                                                    s.machine.SdkPath() + std::wstring(150, L' '));
                      s.Keep<Seam<decltype(tsc::seams::reallocateBlock)>>(
                          tsc::seams::reallocateBlock,
                          [](void*, std::size_t) -> void* { return nullptr; });
                      return {kSession, kReadFailed, kPathEmpty, kFailed};
                  },
                  false, 3},
        FaultCase{"ExpansionFails",
                  [](Scene& s) -> std::vector<std::string> {
                      s.Keep<Seam<decltype(tsc::seams::expandDllPath)>>(
                          tsc::seams::expandDllPath,
                          [](LPCWSTR, LPWSTR, DWORD) -> DWORD { return 0; });
                      return {kSession,
                              "[ERROR] QUILAPIWrapperImpl::GetDllPath: Failed to expand dll path!",
                              kPathEmpty, kFailed};
                  },
                  false, 3},
        // A network path that is not found means nothing is there.
        FaultCase{"NetworkPathNotFound",
                  [](Scene& s) -> std::vector<std::string> {
                      FailStatusQuery(s, s.machine.SdkPath(), ERROR_BAD_NETPATH);
                      return {kSession,
                              "[ERROR] QUILAPIWrapperImpl::GetDllPath: expanded Dll Path does not "
                              "exist!",
                              kPathEmpty, kFailed};
                  },
                  false, 3},
        // Any other failure of the query is neither "there" nor "absent": the load fails.
        FaultCase{"SdkPathQueryDenied",
                  [](Scene& s) -> std::vector<std::string> {
                      FailStatusQuery(s, s.machine.SdkPath(), ERROR_ACCESS_DENIED);
                      return {kSession,
                              FailureLine("exists", s.machine.SdkPath(), ERROR_ACCESS_DENIED),
                              kFailed};
                  },
                  false, 3},
        FaultCase{"LockFileQueryDenied",
                  [](Scene& s) -> std::vector<std::string> {
                      FailStatusQuery(s, ProgramDataLockFile(), ERROR_ACCESS_DENIED);
                      return {kSession,
                              FailureLine("exists", ProgramDataLockFile(), ERROR_ACCESS_DENIED),
                              kFailed};
                  },
                  false, 3},
        // Without the known folder, the lock file in the temporary folder decides ...
        FaultCase{"KnownFolderFailsAndTempLockFileNamesALiveProcess",
                  [](Scene& s) -> std::vector<std::string> {
                      s.Keep<Seam<decltype(tsc::seams::knownFolderPath)>>(
                          tsc::seams::knownFolderPath, &FailingKnownFolder);
                      s.Keep<tsctest::ScopedFile>(TempFolder() + L"TsQUILInstaller.run.lock",
                                                  OwnId());
                      return {kSession, kRunning, kFailed};
                  },
                  false, 8},
        // ... and the one in the installer's data folder is not looked at.
        FaultCase{"KnownFolderFailsAndOnlyTheDataFolderHasALockFile",
                  [](Scene& s) {
                      s.Keep<Seam<decltype(tsc::seams::knownFolderPath)>>(
                          tsc::seams::knownFolderPath, &FailingKnownFolder);
                      s.Keep<tsctest::ScopedDirectory>(tsctest::kLockFileFolder);
                      s.Keep<tsctest::ScopedFile>(ProgramDataLockFile(), OwnId());
                      return Loads(s);
                  },
                  true, 0},
        FaultCase{"KnownFolderFailsAndTheTempFolderIsMissing",
                  [](Scene& s) -> std::vector<std::string> {
                      s.Keep<Seam<decltype(tsc::seams::knownFolderPath)>>(
                          tsc::seams::knownFolderPath, &FailingKnownFolder);
                      const std::wstring missing = tsctest::TempRoot() + L"\\no-temp";
                      s.Keep<tsctest::ScopedEnvironmentVariable>(L"TMP", missing);
                      s.Keep<tsctest::ScopedEnvironmentVariable>(L"TEMP", missing);
                      return {kSession,
                              FailureLine("temp_directory_path", missing + L"\\",
                                          ERROR_FILE_NOT_FOUND),
                              kFailed};
                  },
                  false, 3},
        FaultCase{"SnapshotCannotBeTaken",
                  [](Scene& s) {
                      s.Keep<tsctest::ScopedDirectory>(tsctest::kLockFileFolder);
                      s.Keep<tsctest::ScopedFile>(ProgramDataLockFile(), OwnId());
                      s.Keep<Seam<decltype(tsc::seams::createProcessSnapshot)>>(
                          tsc::seams::createProcessSnapshot, &FailingSnapshot);
                      return Loads(s);
                  },
                  true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

int snapshotsTaken = 0;
HANDLE(WINAPI* realSnapshot)(DWORD, DWORD) = nullptr;
HANDLE WINAPI CountedSnapshot(DWORD flags, DWORD processId) {
    ++snapshotsTaken;
    return realSnapshot(flags, processId);
}

// The process list is looked at only when a lock file exists.
TEST(SelfUpdateSnapshot, TakenOnlyWhenALockFileExists) {
    tsctest::HealthyMachine machine;
    Seam<decltype(tsc::seams::createProcessSnapshot)> seam(tsc::seams::createProcessSnapshot,
                                                           &CountedSnapshot);
    realSnapshot = seam.original();
    snapshotsTaken = 0;
    EXPECT_TRUE(StartAndStop(machine.SdkPath()).loaded);
    EXPECT_EQ(snapshotsTaken, 0);

    const tsctest::ScopedDirectory folder(tsctest::kLockFileFolder);
    const tsctest::ScopedFile lockFile(ProgramDataLockFile(), "4294967295");
    EXPECT_TRUE(StartAndStop(machine.SdkPath()).loaded);
    EXPECT_EQ(snapshotsTaken, 1);
}

std::vector<std::size_t> grownSizes;
void* (*realReallocate)(void*, std::size_t) = nullptr;
void* RecordedReallocate(void* block, std::size_t size) {
    grownSizes.push_back(size);
    return realReallocate(block, size);
}

// The block grows by 256 bytes per retry, whatever size the registry says it needs; the text
// ends at its first NUL even when more data follows.
TEST(SdkLocationRead, BlockGrowsInStepsOf256Bytes) {
    tsctest::HealthyMachine machine;
    std::wstring value = machine.SdkPath() + L'\0';
    value.resize(300, L'x');  // 600 bytes
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(value.data());
    machine.QuilKey().SetBinary(L"QUILSDKLocation", std::vector<std::uint8_t>(bytes, bytes + 600),
                                REG_SZ);
    Seam<decltype(tsc::seams::reallocateBlock)> seam(tsc::seams::reallocateBlock,
                                                     &RecordedReallocate);
    realReallocate = seam.original();
    grownSizes.clear();

    const Start start = StartAndStop(machine.SdkPath());
    EXPECT_TRUE(start.loaded);
    EXPECT_EQ(grownSizes, (std::vector<std::size_t>{512, 768}));
}

// What the hook saw other processes and this one achieve against the SDK file.
struct WindowAttempts {
    std::wstring replacement;
    std::vector<DWORD> ownErrors;  // open for writing, rename, delete
    DWORD copyExit = 0;
    bool presentAfterOthers = false;
    std::string bytesAfterOthers;
};
WindowAttempts attempts;

void TryToChangeTheFile(const std::wstring& path) {
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    attempts.ownErrors.push_back(writer == INVALID_HANDLE_VALUE ? GetLastError() : 0);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    const std::wstring aside = path + L".aside";
    attempts.ownErrors.push_back(MoveFileExW(path.c_str(), aside.c_str(), 0) ? 0 : GetLastError());
    attempts.ownErrors.push_back(DeleteFileW(path.c_str()) ? 0 : GetLastError());
    // Another process: overwrite, rename and delete through the command interpreter.
    attempts.copyExit = tsctest::RunShellCommand(L"copy /y \"" + attempts.replacement + L"\" \"" +
                                                 path + L"\" >nul 2>nul");
    tsctest::RunShellCommand(L"move /y \"" + path + L"\" \"" + aside + L"\" >nul 2>nul");
    tsctest::RunShellCommand(L"del /f /q \"" + path + L"\" >nul 2>nul");
    attempts.presentAfterOthers = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    attempts.bytesAfterOthers = tsctest::ReadFileBytes(path).value_or("");
}

// From the first check until the load, the file that was checked cannot be overwritten,
// renamed or deleted, by this process or another; afterwards it is free again.
TEST(SdkFileHold, CheckedFileCannotChangeBeforeItIsLoaded) {
    const tsctest::ScopedDirectory folder(tsctest::TempRoot() + L"\\sdk");
    const std::wstring sdkPath = folder.path() + L"\\quilsdk.dll";
    const std::string trusted =
        tsctest::ReadFileBytes(tsctest::FixturePath(L"quilsdk.dll")).value();
    const tsctest::ScopedFile sdk(sdkPath, trusted);
    tsctest::HealthyMachine machine(sdkPath);
    attempts = WindowAttempts();
    attempts.replacement = tsctest::FixturePath(L"quilsdk_other.dll");
    Seam<decltype(tsc::seams::beforeSdkLoad)> hook(tsc::seams::beforeSdkLoad, &TryToChangeTheFile);

    tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", std::nullopt);
    ASSERT_TRUE(dtutInitializeTSC());
    EXPECT_TRUE(tsctest::IsModuleLoaded(sdkPath));
    EXPECT_EQ(attempts.ownErrors,
              (std::vector<DWORD>{ERROR_SHARING_VIOLATION, ERROR_SHARING_VIOLATION,
                                  ERROR_SHARING_VIOLATION}));
    EXPECT_NE(attempts.copyExit, 0u);
    EXPECT_TRUE(attempts.presentAfterOthers);
    EXPECT_TRUE(attempts.bytesAfterOthers == trusted) << "the file was changed";

    // Once loaded, the hold is gone: the (merely loaded) file can be renamed again.
    const std::wstring aside = sdkPath + L".aside";
    EXPECT_TRUE(MoveFileExW(sdkPath.c_str(), aside.c_str(), 0)) << GetLastError();
    MoveFileExW(aside.c_str(), sdkPath.c_str(), 0);
    dtutUninitializeTSC();
}

DWORD holdError = 0;
HANDLE WINAPI FailingHold(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    SetLastError(holdError);
    return INVALID_HANDLE_VALUE;
}

// Without the hold, a file that passed its checks is still not loaded.
TEST(SdkFileHold, FileThatCannotBeHeldIsNotLoaded) {
    tsctest::HealthyMachine machine;
    holdError = ERROR_SHARING_VIOLATION;
    Seam<decltype(tsc::seams::openForHold)> seam(tsc::seams::openForHold, &FailingHold);

    const Start start = StartAndStop(machine.SdkPath());
    EXPECT_TRUE(start.started);
    EXPECT_FALSE(start.loaded);
    const std::vector<std::string> expected = {
        kSession, PathLine(machine.SdkPath()),
        "[ERROR] Load: Cannot keep the file unchanged until it is loaded, path = " +
            Utf8(machine.SdkPath()) + ", error 32: " + SystemErrorText(ERROR_SHARING_VIOLATION),
        kFailed};
    EXPECT_EQ(start.lines, expected);
    EXPECT_EQ(StatusWarning(start), StatusWarningFor(3));
}

// A file that another party holds open for writing is refused by the checks themselves.
TEST(SdkFileHold, FileOpenForWritingElsewhereIsRefused) {
    const tsctest::ScopedDirectory folder(tsctest::TempRoot() + L"\\sdk");
    const std::wstring sdkPath = folder.path() + L"\\quilsdk.dll";
    const tsctest::ScopedFile sdk(
        sdkPath, tsctest::ReadFileBytes(tsctest::FixturePath(L"quilsdk.dll")).value());
    tsctest::HealthyMachine machine(sdkPath);
    HANDLE writer = CreateFileW(sdkPath.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);

    const Start start = StartAndStop(sdkPath);
    CloseHandle(writer);
    EXPECT_TRUE(start.started);
    EXPECT_FALSE(start.loaded);
    ASSERT_GE(start.lines.size(), 3u);
    EXPECT_EQ(start.lines[start.lines.size() - 2],
              "[ERROR] IsSignatureValid: Signature invalid at path = " + Utf8(sdkPath));
}

}  // namespace
