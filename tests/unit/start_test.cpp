// A session's start, folder step and teardown where the exports cannot show them. The SDK load
// under faults the exports alone cannot produce (failing heap, expansion, status queries,
// environment lookup, known-folder lookup, snapshot, file hold, memory running out) and at the
// moment between the checks and the load, driven through the statically linked exports. And what
// the folder resolution, the lock and the teardown report through the diagnostic sink, with the
// statuses behind the exports' bool answers, each test on its own manager.
#include <gtest/gtest.h>

#include "dttscsdk/dttscsdk.h"
#include "entry/tsc_component_manager.h"
#include "loader/loader_seams.h"
#include "common/platform_seams.h"
#include "common/system_error_text.h"
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

using namespace tsctest;
namespace seams = tsc::seams;
using Lines = std::vector<std::string>;
std::uint32_t (*const realStatusQuery)(const std::wstring&) = seams::statusQuery;
const std::string kNoSession = "Failed to intialize QUIL SDK wrapper status code:";

std::string FailureLine(const std::string& what, const std::wstring& path, std::uint32_t code) {
    return "[ERROR] " + what + Utf8(path) + ", error " + std::to_string(code) + ": " +
           SystemErrorText(code);
}

// Runs a check when the scene ends, after the start and its teardown.
struct AtEnd {
    explicit AtEnd(std::function<void()> atEnd) : check(std::move(atEnd)) {}
    std::function<void()> check;
    ~AtEnd() { check(); }
};

// Points a seam elsewhere while the scene lasts.
template <typename Pointer>
void Replace(Scene& scene, Pointer& seam, std::type_identity_t<Pointer> replacement) {
    scene.Keep<ScopedSeam<Pointer>>(seam, replacement);
}

// Status queries fail with `code` for `path`, or run out of memory once at query `throwAt`
// (0 is the self-update lock file, 1 the SDK path, 2 the install root, 3 the version folder);
// every other query is real.
struct QueryFault {
    std::wstring path;
    std::uint32_t code = 0;
    int throwAt = -1;
} queryFault;

void FailQueries(Scene& scene, QueryFault fault) {
    queryFault = std::move(fault);
    Replace(scene, seams::statusQuery, [](const std::wstring& path) {
        if (queryFault.throwAt-- == 0) throw std::bad_alloc();
        return path == queryFault.path ? queryFault.code : realStatusQuery(path);
    });
}

void FailKnownFolder(Scene& scene) {
    Replace(scene, seams::knownFolderPath, [](REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR* path) {
        *path = nullptr;
        return E_FAIL;
    });
}

// After a failure the next session of the process works, and is closed.
void NextSessionWorks() {
    const SdkJournal journal;
    EXPECT_TRUE(dtutInitializeTSC());
    EXPECT_TRUE(dtutUpdatePathForTSC());
    dtutUninitializeTSC();
    EXPECT_EQ(journal.Exports(), (Lines{"Initialize", "ReleaseMemory", "LockDirectory",
                                        "UnLockDirectory", "Uninitialize"}));
}

void RunOutOfMemoryAtQuery(Scene& s, int query) {
    s.Keep<AtEnd>(NextSessionWorks);
    FailQueries(s, {L"", 0, query});
}

struct FaultCase : Row {
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
    expected.insert(expected.begin(), kSessionLine);
    const DiagnosticRecorder recorder;
    const LogWatcher log;
    // The host's thread gets its own error mode back, also when memory ran out beneath.
    const DWORD hostMode = GetThreadErrorMode();
    EXPECT_EQ(dtutInitializeTSC(), GetParam().started);
    EXPECT_EQ(GetThreadErrorMode(), hostMode);
    EXPECT_EQ(IsModuleLoaded(scene.machine.SdkPath()), expected.back() == kLoadedLine);
    dtutUninitializeTSC();
    EXPECT_EQ(LoadLines(log.NewMessages()), expected);
    const auto& said = recorder.messages();
    const bool warned =
        !said.empty() && said[0].level == "WARN" && said[0].message.starts_with(kNoSession);
    EXPECT_EQ(warned ? std::stoi(said[0].message.substr(kNoSession.size())) : 0, GetParam().status);
}

const std::wstring kSdk = FixturePath(L"quilsdk.dll");
const std::wstring kMissingTemp = TempRoot() + L"\\no-temp";
const std::string kE = "[ERROR] QUILAPIWrapperImpl::";
const std::string kFailed = kLoadFailedLine;
const Lines kLoads = {SdkPathLine(kSdk), kLoadedLine};

const SdkJournal* journal = nullptr;

// clang-format off
const FaultCase kFaults[] = {
    {"ReadBlockCannotBeAllocated", [](Scene& s) { Replace(s, seams::allocateBlock, [](std::size_t) -> void* { return nullptr; }); },
        {kE + "ReadStringFromRegistry: Failed to allocate memory for buffer to read registry!", kReadFailedLine, kPathEmptyLine, kFailed}, 3},
    // Only the caller's line: growing the block fails silently.
    {"ReadBlockCannotGrow", [](Scene& s) {
        s.machine.QuilKey().SetString(L"QUILSDKLocation", kSdk + std::wstring(150, L' '));
        Replace(s, seams::reallocateBlock, [](void*, std::size_t) -> void* { return nullptr; }); }, {kReadFailedLine, kPathEmptyLine, kFailed}, 3},
    {"ExpansionFails", [](Scene& s) { Replace(s, seams::expandDllPath, [](LPCWSTR, LPWSTR, DWORD) -> DWORD { return 0; }); },
        {kE + "GetDllPath: Failed to expand dll path!", kPathEmptyLine, kFailed}, 3},
    // A network path that is not found means nothing is there; any other failure of the query is
    // neither "there" nor "absent": the load fails.
    {"NetworkPathNotFound", [](Scene& s) { FailQueries(s, {kSdk, ERROR_BAD_NETPATH}); },
        {kE + "GetDllPath: expanded Dll Path does not exist!", kPathEmptyLine, kFailed}, 3},
    {"SdkPathQueryDenied",  [](Scene& s) { FailQueries(s, {kSdk, ERROR_ACCESS_DENIED}); }, {FailureLine("Load: exists failed for path = ", kSdk, ERROR_ACCESS_DENIED), kFailed}, 3},
    {"LockFileQueryDenied", [](Scene& s) { FailQueries(s, {ScopedLockFile::Path(), ERROR_ACCESS_DENIED}); }, 
        {FailureLine("Load: exists failed for path = ", ScopedLockFile::Path(), ERROR_ACCESS_DENIED), kFailed}, 3},
    // A failed lookup hands back no value: the bypass variable is not set, the session starts.
    {"BypassVariableLookupFails", [](Scene& s) {
        Replace(s, seams::environmentLookup, [](LPCWSTR name, LPWSTR buffer, DWORD size) -> DWORD {
            if (std::wstring_view(name) != L"TSC_INITIALIZE_BYPASSED") return GetEnvironmentVariableW(name, buffer, size);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0; }); }, kLoads, 0},
    // Without the known folder, the lock file in the temporary folder decides, and the one in
    // the installer's data folder is not looked at.
    {"KnownFolderFailsAndTempLockFileNamesALiveProcess", [](Scene& s) {
        FailKnownFolder(s);
        s.Keep<ScopedFile>(std::filesystem::temp_directory_path() / L"TsQUILInstaller.run.lock", OwnProcessId()); },
        {"[INFO] Load: Self-update is running", kFailed}, 8},
    {"KnownFolderFailsAndOnlyTheDataFolderHasALockFile", [](Scene& s) { FailKnownFolder(s); s.Keep<ScopedLockFile>(OwnProcessId()); }, kLoads, 0},
    {"KnownFolderFailsAndTheTempFolderIsMissing", [](Scene& s) {
        FailKnownFolder(s);
        s.Keep<ScopedEnvironmentVariable>(L"TMP", kMissingTemp);
        s.Keep<ScopedEnvironmentVariable>(L"TEMP", kMissingTemp); },
        {FailureLine("Load: temp_directory_path failed for path = ", kMissingTemp + L"\\", ERROR_FILE_NOT_FOUND), kFailed}, 3},
    {"SnapshotCannotBeTaken", [](Scene& s) {
        s.Keep<ScopedLockFile>(OwnProcessId());
        Replace(s, seams::createProcessSnapshot, [](DWORD, DWORD) { SetLastError(ERROR_NOT_ENOUGH_MEMORY); return INVALID_HANDLE_VALUE; }); },
        kLoads, 0},
    // A trusted file whose embedded signature cannot be read for the publisher check.
    {"SignatureCannotBeReadForThePublisher", [](Scene& s) {
        Replace(s, seams::queryEmbeddedSignature, [](DWORD, const void*, DWORD, DWORD, DWORD, DWORD*, DWORD*, DWORD*, HCERTSTORE*,
                                                     HCRYPTMSG*, const void**) -> BOOL { SetLastError(static_cast<DWORD>(CRYPT_E_NO_MATCH)); return FALSE; }); },
        {SdkPathLine(kSdk), "[ERROR] CryptQueryObject returned false!", SignatureInvalidLine(kSdk), kFailed}, 9},
    // Without the hold, a file that passed its checks is still not loaded.
    {"FileCannotBeHeld", [](Scene& s) {
        Replace(s, seams::openForHold, [](LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
            SetLastError(ERROR_SHARING_VIOLATION); return INVALID_HANDLE_VALUE; }); },
        {SdkPathLine(kSdk), FailureLine("Load: Cannot keep the file unchanged until it is loaded, path = ", kSdk, ERROR_SHARING_VIOLATION), kFailed}, 3},
    // The process list is looked at only when a lock file exists.
    {"NoLockFileTakesNoSnapshot", [](Scene& s) {
        static int snapshots = 0;
        Replace(s, seams::createProcessSnapshot, [](DWORD, DWORD) { ++snapshots; return INVALID_HANDLE_VALUE; });
        s.Keep<AtEnd>([] { EXPECT_EQ(snapshots, 0); }); }, kLoads, 0},
    // The block grows by 256 bytes per retry, whatever size the registry says it needs; the
    // text ends at its first NUL even when more data follows.
    {"ReadBlockGrowsInStepsOf256Bytes", [](Scene& s) {
        std::wstring value = kSdk + L'\0';
        value.resize(300, L'x');
        s.machine.QuilKey().SetBinary(L"QUILSDKLocation", TextBytes(value, 600), REG_SZ);
        static std::vector<std::size_t> sizes;
        Replace(s, seams::reallocateBlock, [](void* block, std::size_t size) { sizes.push_back(size); return std::realloc(block, size); });
        s.Keep<AtEnd>([] { EXPECT_EQ(sizes, (std::vector<std::size_t>{512, 768})); }); }, kLoads, 0},
    {"MemoryRunsOutAtTheLockFileQuery", [](Scene& s) { RunOutOfMemoryAtQuery(s, 0); }, {},     0, false},
    {"MemoryRunsOutAtTheRootQuery",     [](Scene& s) { RunOutOfMemoryAtQuery(s, 2); }, kLoads, 0, false},
    // Memory runs out once, when the SDK has answered (at the time stamp of the next log line):
    // the text the SDK handed out still goes back to it, and the teardown closes the session.
    {"MemoryRunsOutOnceTheSdkAnswered", [](Scene& s) {
        journal = &s.Keep<SdkJournal>();
        s.Keep<AtEnd>([] {
            EXPECT_EQ(journal->Exports(), (Lines{"Initialize", "ReleaseMemory", "UnLockDirectory", "Uninitialize"}));
            EXPECT_EQ(journal->Calls().back(), "Uninitialize\t" + journal->SessionId() + "\t=> 0");
            NextSessionWorks(); });
        static bool ranOut;
        ranOut = false;
        Replace(s, seams::localTime, [](struct tm* local, const __time64_t* time) {
            if (!ranOut && !journal->Exports().empty()) {
                ranOut = true;
                throw std::bad_alloc();
            }
            return _localtime64_s(local, time); }); }, kLoads, 0, false},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Faults, LoaderFault, ::testing::ValuesIn(kFaults), RowName);

// What this process (open for writing, rename, delete) and others (overwrite, rename, delete)
// achieve against the SDK file while the hook runs.
std::vector<DWORD> ownErrors;
std::string bytesAfterOthers;

void TryToChangeTheFile(const std::wstring& path) {
    const auto error = [](bool done) { return done ? DWORD{0} : GetLastError(); };
    const std::wstring aside = path + L".aside";
    ownErrors = {error(OpenForWriting(path).get() != INVALID_HANDLE_VALUE),
                 error(MoveFileExW(path.c_str(), aside.c_str(), 0)),
                 error(DeleteFileW(path.c_str()))};
    const std::wstring quoted = L" \"" + path + L"\" ";
    RunShellCommand(L"copy /y \"" + FixturePath(L"quilsdk_other.dll") + L"\"" + quoted +
                    L">nul 2>nul & move /y" + quoted + L"\"" + aside +
                    L"\" >nul 2>nul & del /f /q" + quoted + L">nul 2>nul");
    bytesAfterOthers = ReadFileBytes(path).value_or("(gone)");
}

// From the first check until the load, the file that was checked cannot be overwritten,
// renamed or deleted, by this process or another; afterwards it is free again.
TEST(SdkFileHold, CheckedFileCannotChangeBeforeItIsLoaded) {
    const ScopedDirectory folder(TempRoot() + L"\\sdk");
    const std::wstring sdk = folder.path() + L"\\quilsdk.dll";
    const std::string bytes = ReadFileBytes(kSdk).value();
    const ScopedFile file(sdk, bytes);
    const HealthyMachine machine(sdk);
    const ScopedSeam hook(seams::beforeSdkLoad, &TryToChangeTheFile);

    ASSERT_TRUE(dtutInitializeTSC());
    EXPECT_TRUE(IsModuleLoaded(sdk));
    EXPECT_EQ(ownErrors, std::vector<DWORD>(3, ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(bytesAfterOthers == bytes) << "the file was changed or removed";
    // Once loaded, the hold is gone: the (merely loaded) file can be renamed again.
    EXPECT_TRUE(MoveFileExW(sdk.c_str(), (sdk + L".aside").c_str(), 0)) << GetLastError();
    MoveFileExW((sdk + L".aside").c_str(), sdk.c_str(), 0);
    dtutUninitializeTSC();
}

// What the manager's folder step, lock and teardown report through the diagnostic sink.
using Messages = std::vector<Diagnostic>;

const Diagnostic kNoCustomPath{"FATAL", "There is no custom path set"};
const Diagnostic kOverrideOn{"INFO", "EnablePathOverride is set to 1"};
const std::string kRootMissing = "The Install Location Path is Incorrect";
const std::string kVersionMissing = "The Version for the Install Path Does Not Exist.";
const std::string kAbsent = " Error Code : " + SystemErrorText(0);  // simply not there
Diagnostic NoSession(int status) { return {"WARN", kNoSession + std::to_string(status)}; }

class ManagerTest : public ::testing::Test {
  protected:
    void TearDown() override { seams::statusQuery = realStatusQuery; }
    // The text with "{root}" standing for the installation root.
    std::string Filled(const std::string& text) const {
        return tsctest::Filled(text, {{"{root}", Utf8(machine_.InstallRoot())}});
    }
    Messages Filled(Messages messages) const {
        for (Diagnostic& d : messages) d.message = Filled(d.message);
        return messages;
    }
    HealthyMachine machine_;
    DiagnosticRecorder recorder_;
    TscComponentManager manager_;
};

// A self-update of the installer is running, so the session fails with wrapper status 8 whatever
// the folder: the location steps speak, then the lock step warns that it had no session.
struct FolderCase : Row {
    void (*setUp)(HealthyMachine&);
    std::int32_t status;
    std::string folder;  // handed out; "{root}" stands for the installation root
    Messages messages;   // before the lock step's warning
};

class FolderSteps : public ManagerTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderSteps, StatusFolderAndMessages) {
    const FolderCase& row = GetParam();
    const ScopedLockFile selfUpdate(OwnProcessId());
    ASSERT_EQ(manager_.Initialize(L"2026"), 0);
    row.setUp(machine_);
    std::wstring handedOut;
    EXPECT_EQ(manager_.LockInstallLocation(handedOut), row.status);
    EXPECT_EQ(Utf8(handedOut), Filled(row.folder));
    Messages expected = Filled(row.messages);
    expected.insert(expected.begin(), NoSession(8));
    expected.push_back(NoSession(8));
    EXPECT_EQ(recorder_.messages(), expected);
    manager_.Uninitialize();
}

// 259 units fit the read buffer with the terminator, 260 do not (one buffer serves both values).
std::wstring Long(std::size_t length) {
    std::wstring text = L"C:\\dttsc-missing";
    while (text.size() < length) text += (text.size() % 50 == 0) ? L'\\' : L'x';
    return text;
}
const std::wstring kNonLatinRoot =
    L"C:\\dttsc-missing\\\u041a\u043e\u043c\u043f-\u7d44\u4ef6-\u00fc";
const std::string kVersion = "{root}\\1.0";
using M = HealthyMachine&;  // the machine a row changes

// clang-format off
const FolderCase kRegistryCases[] = {
    {"KeyMissing",                   [](M m) { m.ReleaseKey().DeleteKey(); },                  6, "", {kNoCustomPath, {"FATAL", "Failed to open registry key"}}},
    {"InstallPathMissing",           [](M m) { m.ReleaseKey().DeleteValue(L"InstallPath"); },  6, "", {kNoCustomPath, {"FATAL", "Failed to read InstallPath registry entry"}}},
    {"InstallPathOf260Units",        [](M m) { m.ReleaseKey().SetString(L"InstallPath", Long(260)); }, 6, "", {kNoCustomPath, {"FATAL", "Failed to read InstallPath registry entry"}}},
    {"InstallPathOf259UnitsMissing", [](M m) { m.ReleaseKey().SetString(L"InstallPath", Long(259)); }, 12, "", {kNoCustomPath, {"ERROR", kRootMissing + Utf8(Long(259)) + kAbsent}}},
    {"NonLatinRootMissing",          [](M m) { m.ReleaseKey().SetString(L"InstallPath", kNonLatinRoot); }, 12, "", {kNoCustomPath, {"ERROR", kRootMissing + Utf8(kNonLatinRoot) + kAbsent}}},
    // A value stored without its terminator ends with its data.
    {"InstallPathWithoutTerminator", [](M m) { m.ReleaseKey().SetBinary(L"InstallPath", TextBytes(m.InstallRoot(), m.InstallRoot().size() * 2), REG_SZ); },
                                                                                               0, kVersion, {kNoCustomPath}},
    {"VersionMissing",               [](M m) { m.ReleaseKey().DeleteValue(L"Version"); },      6, "", {kNoCustomPath, {"FATAL", "Failed to read Version from registry entry"}}},
    {"VersionEmptyText",             [](M m) { m.ReleaseKey().SetString(L"Version", L""); },   13, "", {kNoCustomPath, {"FATAL", "Entry for Version in Registry is Empty."}}},
    {"VersionWithoutData",           [](M m) { m.ReleaseKey().SetBinary(L"Version", {}, REG_SZ); }, 13, "", {kNoCustomPath, {"FATAL", "Entry for Version in Registry is Empty."}}},
    // A failure of the existence query other than absence, which Wine does not produce here, is
    // named; the composed folder is kept and handed back although it was not found.
    {"VersionFolderAccessDenied", [](M m) {
        static std::wstring denied;
        denied = m.Folder();
        seams::statusQuery = [](const std::wstring& path) { return path == denied ? std::uint32_t{ERROR_ACCESS_DENIED} : realStatusQuery(path); }; },
        12, kVersion, {kNoCustomPath, {"ERROR", kVersionMissing + "1.0 Error Code : " + SystemErrorText(ERROR_ACCESS_DENIED)}}},
};
INSTANTIATE_TEST_SUITE_P(Registry, FolderSteps, ::testing::ValuesIn(kRegistryCases), RowName);

const FolderCase kOverrideCases[] = {
    // Taken as it is, without any existence test; 4 characters are too few.
    {"FromVariable",  [](M m) { m.ReleaseKey().SetDword(L"EnablePathOverride", 1); SetEnv(L"TSC_PATH_2026", L"E:\\dev\\tsc"); }, 0, "E:\\dev\\tsc", {kOverrideOn}},
    {"VariableUnset", [](M m) { m.ReleaseKey().SetDword(L"EnablePathOverride", 1); },                                                0, kVersion, {kOverrideOn}},
    {"FourCharacters", [](M m) { m.ReleaseKey().SetDword(L"EnablePathOverride", 1); SetEnv(L"TSC_PATH_2026", L"C:\\x"); },   0, "", {kOverrideOn, {"ERROR", kRootMissing + "C:\\x"}}},
    // Not 1: no override and no message. More than 4 bytes: cannot be read at all.
    {"SwitchTwo",         [](M m) { m.ReleaseKey().SetBinary(L"EnablePathOverride", {2, 0, 0, 0}, REG_DWORD); },     0, kVersion, {}},
    {"SwitchOfFiveBytes", [](M m) { m.ReleaseKey().SetBinary(L"EnablePathOverride", {1, 0, 0, 0, 0}, REG_BINARY); }, 0, kVersion, {kNoCustomPath}},
};
INSTANTIATE_TEST_SUITE_P(Override, FolderSteps, ::testing::ValuesIn(kOverrideCases), RowName);
// clang-format on

// With a real session (the signed stand-in SDK), whose start, lock, unlock or close the stand-in
// refuses on demand: the messages of the whole start and teardown.
struct WarningCase : Row {
    const wchar_t* fixture;  // _X for quilsdk_X.dll; empty for the trusted quilsdk.dll
    const wchar_t* setting;  // QUILSDK_STANDIN_<setting>
    const wchar_t* value;
    Messages messages;
};

class SessionWarnings : public ManagerTest, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(SessionWarnings, OfTheWholeSession) {
    const WarningCase& row = GetParam();
    machine_.QuilKey().SetString(L"QUILSDKLocation",
                                 FixturePath(std::wstring(L"quilsdk") + row.fixture + L".dll"));
    const ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_" + std::wstring(row.setting),
                                           row.value);
    std::wstring folder;
    EXPECT_EQ(manager_.Initialize(L"2026"), 0);
    EXPECT_EQ(manager_.LockInstallLocation(folder), 0);
    EXPECT_EQ(folder, machine_.Folder());
    EXPECT_EQ(manager_.Uninitialize(), 0);
    EXPECT_EQ(recorder_.messages(), Filled(row.messages));
}

// clang-format off
const WarningCase kWarningCases[] = {
    {"None",              L"", L"UNUSED", L"1",                  {kNoCustomPath}},
    // The lock is skipped with the start's status; the teardown finds no session to end.
    {"StartRefused",      L"", L"RESULT_Initialize", L"-77",     {NoSession(-77), kNoCustomPath, NoSession(-77), {"WARN", "QUIL SDK wrapper is not initialized"}}},
    {"WithoutInitialize", L"_no_Initialize", L"UNUSED", L"1",         {NoSession(4), kNoCustomPath, NoSession(4), {"WARN", "QUIL SDK wrapper is not initialized"}}},
    // The SDK's own 2 reads as "already open": no warning, and the lock is attempted (with no
    // session id, so the stand-in refuses it).
    {"StartAnsweredTwo",  L"", L"RESULT_Initialize", L"2",       {kNoCustomPath, {"WARN", "Failed to lock{root}\\1.0\\, QUIL SDK wrapper status code : 20"}, {"WARN", "QUIL SDK wrapper is not initialized"}}},
    {"LockRefused",       L"", L"RESULT_LockDirectory", L"-5",   {kNoCustomPath, {"WARN", "Failed to lock{root}\\1.0\\, QUIL SDK wrapper status code : -5"}}},
    // A refused unlock does not keep the close from following.
    {"UnlockRefused",     L"", L"RESULT_UnLockDirectory", L"21", {kNoCustomPath, {"WARN", "Failed to Unlock QUIL SDK wrapper status code:21"}}},
    {"CloseRefused",      L"", L"RESULT_Uninitialize", L"-20",   {kNoCustomPath, {"WARN", "Failed to Uninitialize QUIL SDK wrapper status code:-20"}}},
    {"WithoutClose",      L"_no_Uninitialize", L"UNUSED", L"1",       {kNoCustomPath, {"WARN", "Failed to Uninitialize QUIL SDK wrapper status code:4"}}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Refusals, SessionWarnings, ::testing::ValuesIn(kWarningCases), RowName);

// A bypassed start records no release: both later operations answer 8 and do nothing at all.
TEST_F(ManagerTest, BypassedStartLeavesNothingToDo) {
    const ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", L"");
    const LogWatcher log;
    EXPECT_EQ(manager_.Initialize(L"2026"), 14);
    std::wstring folder = L"untouched";
    EXPECT_EQ(manager_.LockInstallLocation(folder), 8);
    EXPECT_EQ(folder, L"untouched");
    EXPECT_EQ(manager_.Uninitialize(), 8);
    EXPECT_EQ(recorder_.messages(), (Messages{{"INFO", "Intialize is bypassed"}}));
    EXPECT_TRUE(log.NewLines().empty());
}

}  // namespace
