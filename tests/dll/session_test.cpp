// Whole sessions through the built DLL: the folder resolved from the release's registry values or
// the environment override, what the SDK is asked and answers, the wrapper log, PATH, teardown.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::GetEnv;
using tsctest::Scene;
using tsctest::ScopedEnvironmentVariable;
using tsctest::Utf8;
using Lines = std::vector<std::string>;

constexpr wchar_t kOldPath[] = L"C:\\windows\\system32;C:\\windows";

// The SDK's journal; {id} is the session id, {dir} the lock text (the folder and a backslash).
const std::string kInit = "Initialize\tTSC\t2026\tneutral\t=> 0";
const std::string kFree = "ReleaseMemory\t{id}\tset\t=> 0";
const std::string kLock = "LockDirectory\t{id}\t{dir}\t=> 0";
const std::string kUnlock = "UnLockDirectory\t{id}\t{dir}\t=> 0";
const std::string kClose = "Uninitialize\t{id}\t=> 0";
const Lines kCalls = {kInit, kFree, kLock, kUnlock, kClose};
const Lines kNoLock = {kInit, kFree, kUnlock, kClose};

// The wrapper log without time stamps; {sdk} is the SDK's path.
const std::string kE = "[ERROR] QUILAPIWrapperImpl::";
const std::string kIdLine = "[INFO] QUILAPIWrapperImpl::Initialize: session id = ";
const std::string kUnloaded =
    "[INFO] QUILAPIWrapperImpl::Uninitialize: QUIL SDK unloaded successfully";
Lines Opened(const Lines& rest) {  // a start that loaded the SDK, then the rest
    Lines lines{tsctest::kSeparatorLine, tsctest::kSessionLine,
                "[INFO] Load: QUIL SDK path = {sdk}", tsctest::kLoadedLine};
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}
const Lines kLog = Opened({kIdLine + "{id}", kUnloaded});

std::wstring FileBesideTheRoot() { return tsctest::TempRoot() + L"\\components.txt"; }
const std::wstring kNonLatin = L"\u0412\u0435\u0440\u0441\u0438\u044f-\u7248\u672c-\u00e9";

using Arrange = std::function<void(Scene&)>;
void Nothing(Scene&) {}
Arrange Set(const wchar_t* name, const std::wstring& text) {  // "{root}": the installation root
    return [=](Scene& s) {
        std::wstring value = text;
        if (value.rfind(L"{root}", 0) == 0) value.replace(0, 6, s.machine.InstallRoot());
        s.machine.ReleaseKey().SetString(name, value);
    };
}
Arrange Standin(const std::wstring& setting, const wchar_t* value) {
    return
        [=](Scene& s) { s.Keep<ScopedEnvironmentVariable>(L"QUILSDK_STANDIN_" + setting, value); };
}
// The override switch as raw data, and TSC_PATH_2026 (null: unset; "{root}": the root).
Arrange Override(DWORD type, std::vector<std::uint8_t> data, const wchar_t* variable) {
    return [=](Scene& s) {
        s.machine.ReleaseKey().SetBinary(L"EnablePathOverride", data, type);
        std::optional<std::wstring> value;
        if (variable) value = variable;
        if (value && value->rfind(L"{root}", 0) == 0) value->replace(0, 6, s.machine.InstallRoot());
        s.Keep<ScopedEnvironmentVariable>(L"TSC_PATH_2026", value);
        if (value && value->size() > 3) s.Keep<tsctest::ScopedDirectory>(*value);
    };
}
const std::vector<std::uint8_t> kOne = {1, 0, 0, 0};

struct SessionCase : tsctest::Row {
    Arrange arrange;
    const wchar_t* fixture;  // X for quilsdk_X.dll; null for the trusted quilsdk.dll
    bool started;            // what dtutInitializeTSC answers
    bool inPath;             // whether the folder was handed out and went in front of PATH
    std::wstring folder;     // the folder composed; "{root}" is the installation root
    Lines calls;
    Lines log;
};

class Sessions : public ::testing::TestWithParam<SessionCase> {};

// One start, PATH update and teardown: the answers, PATH, every call the SDK received and every
// line of the wrapper log.
TEST_P(Sessions, ShowTheWholeOutcome) {
    const SessionCase& row = GetParam();
    Scene scene(row.fixture ? L"quilsdk_" + std::wstring(row.fixture) + L".dll" : L"quilsdk.dll");
    scene.Keep<ScopedEnvironmentVariable>(L"PATH", kOldPath);
    scene.Keep<tsctest::ScopedFile>(FileBesideTheRoot(), "not a folder");
    row.arrange(scene);
    tsctest::SdkJournal journal;
    tsctest::LogWatcher log;
    bool started = false;
    bool updated = false;
    std::optional<std::wstring> path;
    {
        const tsctest::DttscsdkDll dll;
        started = dll.Initialize();
        updated = dll.UpdatePath();
        path = GetEnv(L"PATH");
        dll.Uninitialize();
    }
    std::wstring folder = row.folder;
    if (folder.rfind(L"{root}", 0) == 0) folder.replace(0, 6, scene.machine.InstallRoot());
    EXPECT_EQ(started, row.started);
    EXPECT_EQ(updated, row.inPath);
    std::wstring head = folder;  // one trailing separator is dropped
    if (!head.empty() && head.back() == L'\\') head.pop_back();
    EXPECT_EQ(path, row.inPath ? head + L";" + kOldPath : kOldPath);

    const Lines logged = log.NewMessages();
    std::string id;
    for (const std::string& line : logged) {
        if (line.rfind(kIdLine, 0) == 0) id = line.substr(kIdLine.size());
    }
    const auto filled = [&](Lines lines) {
        for (std::string& line : lines) {
            line = tsctest::Filled(line, {{"{id}", id},
                                          {"{dir}", Utf8(folder) + "\\"},
                                          {"{sdk}", Utf8(scene.machine.SdkPath())}});
        }
        return lines;
    };
    EXPECT_EQ(journal.Calls(), filled(row.calls));
    EXPECT_EQ(logged, filled(row.log));
    const auto has = [&](const std::string& line) {
        return std::find(logged.begin(), logged.end(), line) != logged.end();
    };
    EXPECT_EQ(tsctest::IsModuleLoaded(scene.machine.SdkPath()),
              has(tsctest::kLoadedLine) && !has(kUnloaded));
}

const std::wstring kVersion = L"{root}\\1.0";
std::string Code(const std::string& line, int code) {
    return line.substr(0, line.rfind("=> ") + 3) + std::to_string(code);
}

// clang-format off
const SessionCase kRegistryCases[] = {
    {"VersionFolderOfTheRoot", Nothing,                                   nullptr, true,  true,  kVersion,             kCalls, kLog},
    // The root is used exactly as recorded: a trailing backslash gives two in a row.
    {"RootEndingInBackslash",  Set(L"InstallPath", L"{root}\\"),          nullptr, true,  true,  L"{root}\\\\1.0",     kCalls, kLog},
    // A root naming a file passes its own test; the version folder beneath it cannot exist, but
    // the teardown unlocks whatever was composed.
    {"RootNamingAFile",        [](Scene& s) { s.machine.ReleaseKey().SetString(L"InstallPath", FileBesideTheRoot()); },
                                                                          nullptr, false, false, FileBesideTheRoot() + L"\\1.0", kNoLock, kLog},
    {"VersionFolderMissing",   Set(L"Version", L"9.9"),                   nullptr, false, false, L"{root}\\9.9",       kNoLock, kLog},
    // Nothing was ever resolved in this process: the unlock text is a lone backslash.
    {"KeyMissing",             [](Scene& s) { s.machine.ReleaseKey().DeleteKey(); },
                                                                          nullptr, false, false, L"",                  kNoLock, kLog},
    // Names outside the basic Latin range reach the SDK as UTF-8 and PATH unchanged.
    {"NonLatinVersionFolder",  [](Scene& s) {
        s.Keep<tsctest::ScopedDirectory>(s.machine.InstallRoot() + L"\\" + kNonLatin);
        s.machine.ReleaseKey().SetString(L"Version", kNonLatin); },        nullptr, true,  true,  L"{root}\\" + kNonLatin, kCalls, kLog},
};
INSTANTIATE_TEST_SUITE_P(Registry, Sessions, ::testing::ValuesIn(kRegistryCases), tsctest::RowName);

// Locking is best effort: whatever the SDK answers or lacks, the start answers for the folder.
const SessionCase kSdkCases[] = {
    {"LockRefused",    Standin(L"RESULT_LockDirectory", L"-1"),   nullptr, true, true, kVersion,
        {kInit, kFree, Code(kLock, -1), kUnlock, kClose}, Opened({kIdLine + "{id}", kE + "LockDirectory: API returned error code -1", kUnloaded})},
    {"UnlockRefused",  Standin(L"RESULT_UnLockDirectory", L"21"), nullptr, true, true, kVersion,
        {kInit, kFree, kLock, Code(kUnlock, 21), kClose}, Opened({kIdLine + "{id}", kE + "UnLockDirectory: API returned error code 21", kUnloaded})},
    // A refused close is not logged; the SDK is unloaded all the same.
    {"CloseRefused",   Standin(L"RESULT_Uninitialize", L"-5"),    nullptr, true, true, kVersion,
        {kInit, kFree, kLock, kUnlock, Code(kClose, -5)}, kLog},
    // No session: nothing is locked, unlocked or closed, and the SDK stays loaded.
    {"SessionRefused", Standin(L"RESULT_Initialize", L"77"),      nullptr, true, true, kVersion,
        {Code(kInit, 77), "ReleaseMemory\t\tnull\t=> 0"}, Opened({})},
    // Success without an id (null or empty) opens no session: the lock, attempted on the
    // strength of the status, goes out with an empty id and is refused.
    {"NullSessionId",  Standin(L"SESSION_ID", L"null"),           nullptr, true, true, kVersion,
        {kInit, "ReleaseMemory\t\tnull\t=> 0", Code(kLock, 20)}, Opened({kIdLine, kE + "LockDirectory: API returned error code 20"})},
    {"EmptySessionId", Standin(L"SESSION_ID", L"empty"),          nullptr, true, true, kVersion,
        {kInit, "ReleaseMemory\t\tset\t=> 0", Code(kLock, 20)}, Opened({kIdLine, kE + "LockDirectory: API returned error code 20"})},
    {"WithoutInitialize",      Nothing, L"no_Initialize",      true, true, kVersion, {},
        Opened({kE + "Initialize: Failed to obtain InitializeFunc handle!"})},
    {"WithoutReleaseMemory",   Nothing, L"no_ReleaseMemory",   true, true, kVersion, {kInit, kLock, kUnlock, kClose},
        Opened({kIdLine + "{id}", kE + "ReleaseMemory: Failed to obtain ReleaseMemoryFunc handle!", kUnloaded})},
    {"WithoutLockDirectory",   Nothing, L"no_LockDirectory",   true, true, kVersion, kNoLock,
        Opened({kIdLine + "{id}", kE + "LockDirectory: Failed to obtain LockDirectoryFunc handle!", kUnloaded})},
    {"WithoutUnLockDirectory", Nothing, L"no_UnLockDirectory", true, true, kVersion, {kInit, kFree, kLock, kClose},
        Opened({kIdLine + "{id}", kE + "UnLockDirectory: Failed to obtain UnLockDirectoryFunc handle!", kUnloaded})},
    {"WithoutUninitialize",    Nothing, L"no_Uninitialize",    true, true, kVersion, {kInit, kFree, kLock, kUnlock},
        Opened({kIdLine + "{id}", kE + "Uninitialize: Failed to obtain UninitializeFunc handle!"})},
    // Without a session the folder still resolves, and nothing is asked of the SDK.
    {"SdkRefused",             Nothing, L"unsigned",           true, true, kVersion, {},
        {tsctest::kSeparatorLine, tsctest::kSessionLine, "[INFO] Load: QUIL SDK path = {sdk}",
         "[ERROR] WinVerifyTrust returned status: -2146762496", "[ERROR] VerifyCertificate failed!",
         "[ERROR] IsSignatureValid: Signature invalid at path = {sdk}", tsctest::kLoadFailedLine}},
};
INSTANTIATE_TEST_SUITE_P(Sdk, Sessions, ::testing::ValuesIn(kSdkCases), tsctest::RowName);

// The switch is a little-endian integer of at most 4 bytes, of whatever type; only exactly 1
// takes the folder from TSC_PATH_2026, as it is, without any existence test. A folder of 4
// characters or fewer is not handed out and not locked; 5 is enough.
const SessionCase kOverrideCases[] = {
    {"SingleByteOne",     Override(REG_BINARY, {1}, L"{root}"),              nullptr, true, true,  L"{root}",  kCalls, kLog},
    {"FourBytesOne",      Override(REG_BINARY, kOne, L"{root}"),             nullptr, true, true,  L"{root}",  kCalls, kLog},
    {"FiveBytesOne",      Override(REG_BINARY, {1, 0, 0, 0, 0}, L"{root}"),  nullptr, true, true,  kVersion,  kCalls, kLog},
    {"DwordZero",         Override(REG_DWORD, {0, 0, 0, 0}, L"{root}"),      nullptr, true, true,  kVersion,  kCalls, kLog},
    {"StringOne",         Override(REG_SZ, {'1', 0, 0, 0}, L"{root}"),       nullptr, true, true,  kVersion,  kCalls, kLog},
    {"VariableUnset",     Override(REG_DWORD, kOne, nullptr),                nullptr, true, true,  kVersion,  kCalls, kLog},
    // The lock text gets its backslash even after one; PATH gets the folder without it.
    {"FolderEndingInBackslash", Override(REG_DWORD, kOne, L"{root}\\"),    nullptr, true, true,  L"{root}\\", kCalls, kLog},
    {"FiveCharacters",    Override(REG_DWORD, kOne, L"C:\\xy"),              nullptr, true, true,  L"C:\\xy", kCalls, kLog},
    {"FourCharacters",    Override(REG_DWORD, kOne, L"C:\\x"),               nullptr, true, false, L"C:\\x",  kNoLock, kLog},
    {"Empty",             Override(REG_DWORD, kOne, L""),                    nullptr, true, false, L"",       kNoLock, kLog},
};
INSTANTIATE_TEST_SUITE_P(Override, Sessions, ::testing::ValuesIn(kOverrideCases), tsctest::RowName);
// clang-format on

class SessionTest : public ::testing::Test {
  protected:
    tsctest::HealthyMachine machine_;
    ScopedEnvironmentVariable path_{L"PATH", std::wstring(kOldPath)};
};

// An override taken once in a process is remembered: a later start without it takes the
// registry's installation root itself as the folder and ignores Version.
TEST_F(SessionTest, AnEarlierOverrideMakesTheRootTheFolderLater) {
    const tsctest::DttscsdkDll dll;
    {
        const ScopedEnvironmentVariable variable(L"TSC_PATH_2026", L"E:\\dev\\tsc");
        machine_.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        ASSERT_TRUE(dll.Initialize());
        dll.Uninitialize();
    }
    machine_.ReleaseKey().SetDword(L"EnablePathOverride", 0);
    machine_.ReleaseKey().DeleteValue(L"Version");
    EXPECT_TRUE(dll.Initialize());
    EXPECT_TRUE(dll.UpdatePath());
    EXPECT_EQ(GetEnv(L"PATH"), machine_.InstallRoot() + L";" + kOldPath);
    dll.Uninitialize();
    // Switched on without the variable, the override is forgotten: Version counts again.
    machine_.ReleaseKey().SetDword(L"EnablePathOverride", 1);
    machine_.ReleaseKey().SetString(L"Version", L"1.0");
    tsctest::SetEnv(L"PATH", kOldPath);
    EXPECT_TRUE(dll.Initialize());
    EXPECT_TRUE(dll.UpdatePath());
    EXPECT_EQ(GetEnv(L"PATH"), machine_.Folder() + L";" + kOldPath);
    dll.Uninitialize();
}

// Other processes cannot rename the locked folder until teardown.
TEST_F(SessionTest, LockHoldsTheFolderAgainstOtherProcessesUntilTeardown) {
    const tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    EXPECT_FALSE(dll.Initialize()) << "a started session is not started again";
    EXPECT_FALSE(tsctest::RenamableByAnotherProcess(machine_.Folder()));
    dll.Uninitialize();
    EXPECT_TRUE(tsctest::RenamableByAnotherProcess(machine_.Folder()));
}

// A session left open by a close the SDK refused counts as open for the next start: the lock
// is attempted, and fails because the SDK library was unloaded anyway.
TEST_F(SessionTest, SessionLeftOpenIsUsedByTheNextStart) {
    const tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    {
        const ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_RESULT_Uninitialize", L"20");
        dll.Uninitialize();
    }
    tsctest::LogWatcher log;
    EXPECT_TRUE(dll.Initialize());
    dll.Uninitialize();
    EXPECT_EQ(log.NewMessages(),
              (Lines{kE + "LockDirectory: Failed to obtain LockDirectoryFunc handle!",
                     kE + "UnLockDirectory: Failed to obtain UnLockDirectoryFunc handle!",
                     kE + "Uninitialize: Failed to obtain UninitializeFunc handle!"}));
}

// PATH as found before the update (set after the start, which one naming the shared components
// would refuse): containment is a case-sensitive substring test, an empty or missing PATH is
// never written, and one trailing separator is dropped from the folder, no more.
struct PathCase : tsctest::Row {
    const wchar_t* folder;  // the override's
    const wchar_t* before;  // null: unset
    bool updated;
    const wchar_t* head;  // what goes in front; null: nothing
};

class PathUpdate : public SessionTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(PathUpdate, DecidesWhetherAndWhatIsPrepended) {
    const PathCase& row = GetParam();
    machine_.ReleaseKey().SetDword(L"EnablePathOverride", 1);
    const ScopedEnvironmentVariable variable(L"TSC_PATH_2026", row.folder);
    const tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    const auto before = row.before ? std::optional<std::wstring>(row.before) : std::nullopt;
    tsctest::SetEnv(L"PATH", before);
    EXPECT_EQ(dll.UpdatePath(), row.updated);
    const std::optional<std::wstring> after = GetEnv(L"PATH");
    dll.Uninitialize();
    EXPECT_EQ(after, row.head ? std::wstring(row.head) + L";" + *before : before);
}

// clang-format off
const PathCase kPathCases[] = {
    {"FolderAsPrefixOfALongerName", L"E:\\dev\\tsc",     L"C:\\windows;E:\\dev\\tsc2\\bin", true,  nullptr},
    {"FolderInOtherLetterCase",     L"E:\\dev\\tsc",     L"C:\\windows;E:\\DEV\\TSC",       true,  L"E:\\dev\\tsc"},
    {"Empty",                       L"E:\\dev\\tsc",     L"",                               false, nullptr},
    {"Unset",                       L"E:\\dev\\tsc",     nullptr,                           false, nullptr},
    {"OneTrailingSeparator",        L"E:\\dev\\tsc\\",   kOldPath,                          true,  L"E:\\dev\\tsc"},
    {"TwoTrailingSeparators",       L"E:\\dev\\tsc\\\\", kOldPath,                          true,  L"E:\\dev\\tsc\\"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, PathUpdate, ::testing::ValuesIn(kPathCases), tsctest::RowName);

}  // namespace
