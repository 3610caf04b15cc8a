// Whole sessions through the built DLL: what refuses a start before any attempt, the folder
// resolved from the release's registry values or the environment override, what the SDK is asked
// and answers, the wrapper log, PATH, teardown, and what one session leaves to the next.
#include <gtest/gtest.h>

#include <functional>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::ScopedEnvironmentVariable;
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
std::string Code(const std::string& line, int code) {
    return line.substr(0, line.rfind("=> ") + 3) + std::to_string(code);
}

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

const Lines kSdkRefused = {tsctest::kSeparatorLine,
                           tsctest::kSessionLine,
                           "[INFO] Load: QUIL SDK path = {sdk}",
                           "[ERROR] WinVerifyTrust returned status: -2146762496",
                           "[ERROR] VerifyCertificate failed!",
                           "[ERROR] IsSignatureValid: Signature invalid at path = {sdk}",
                           tsctest::kLoadFailedLine};

std::wstring FileBesideTheRoot() { return tsctest::TempRoot() + L"\\components.txt"; }
const std::wstring kNonLatin = L"\u0412\u0435\u0440\u0441\u0438\u044f-\u7248\u672c-\u00e9";

// A healthy machine and the built DLL loaded on it.
struct Session : tsctest::Scene {
    using Scene::Scene;
    std::optional<tsctest::DttscsdkDll> dll{std::in_place};
};
// The text with every "{root}" replaced by the installation root, "{ROOT}" by the same in
// capitals.
std::wstring Rooted(const Session& s, const std::wstring& text) {
    std::wstring upper = s.machine.InstallRoot();
    CharUpperW(upper.data());
    return tsctest::Filled(text, {{L"{root}", s.machine.InstallRoot()}, {L"{ROOT}", upper}});
}

using Arrange = std::function<void(Session&)>;
void Nothing(Session&) {}
Arrange Set(const wchar_t* name, const std::wstring& text) {
    return [=](Session& s) { s.machine.ReleaseKey().SetString(name, Rooted(s, text)); };
}
Arrange Env(const std::wstring& name, const wchar_t* value) {
    return [=](Session& s) { s.Keep<ScopedEnvironmentVariable>(name, value); };
}
Arrange Standin(const std::wstring& setting, const wchar_t* value) {
    return Env(L"QUILSDK_STANDIN_" + setting, value);
}
// The override switch as raw data, and TSC_PATH_2026 (null: unset) with its folder made.
Arrange Override(DWORD type, std::vector<std::uint8_t> data, const wchar_t* variable) {
    return [=](Session& s) {
        s.machine.ReleaseKey().SetBinary(L"EnablePathOverride", data, type);
        if (variable == nullptr) return;
        const std::wstring value = Rooted(s, variable);
        s.Keep<ScopedEnvironmentVariable>(L"TSC_PATH_2026", value);
        if (value.size() > 3) s.Keep<tsctest::ScopedDirectory>(value);
    };
}
const std::vector<std::uint8_t> kOne = {1, 0, 0, 0};
// A whole session earlier in the same load, under what `earlier` keeps; then `then`.
Arrange After(const Arrange& earlier, const Arrange& then = Nothing) {
    return [=](Session& s) {
        const std::size_t kept = s.keep.size();
        s.Keep<ScopedEnvironmentVariable>(L"PATH", tsctest::GetEnv(L"PATH"));
        earlier(s);
        s.dll->Initialize();
        s.dll->UpdatePath();
        s.dll->Uninitialize();
        while (s.keep.size() > kept) s.keep.pop_back();
        then(s);
    };
}

// What dtutUpdatePathForTSC answers, and whether it put the folder in front of PATH.
enum Update { No, Prepends, Contains };

struct SessionCase : tsctest::Row {
    Arrange arrange;
    const wchar_t* fixture;  // X for quilsdk_X.dll; null for the trusted quilsdk.dll
    bool started;            // what dtutInitializeTSC answers
    Update update;
    std::wstring folder;  // the folder composed
    Lines calls;
    Lines log;                                      // empty: refused before any attempt
    std::optional<std::wstring> before = kOldPath;  // PATH as set between start and update
};

class Sessions : public ::testing::TestWithParam<SessionCase> {};

// Nothing before a start, then one start, a repeated start, the PATH update and teardown: the
// answers, PATH, every call the SDK received and every line of the wrapper log.
TEST_P(Sessions, ShowTheWholeOutcome) {
    const SessionCase& row = GetParam();
    Session s(row.fixture ? L"quilsdk_" + std::wstring(row.fixture) + L".dll" : L"quilsdk.dll");
    s.Keep<ScopedEnvironmentVariable>(L"PATH", kOldPath);
    s.Keep<tsctest::ScopedFile>(FileBesideTheRoot(), "not a folder");
    row.arrange(s);
    tsctest::SdkJournal journal;
    tsctest::LogWatcher log;
    const std::optional<std::wstring> unchanged = tsctest::GetEnv(L"PATH");
    EXPECT_FALSE(s.dll->UpdatePath()) << "before the start";
    s.dll->Uninitialize();
    EXPECT_EQ(tsctest::GetEnv(L"PATH"), unchanged);
    EXPECT_EQ(s.dll->Initialize(), row.started);
    EXPECT_FALSE(s.dll->Initialize()) << "a start before the teardown does nothing at all";
    const auto before = row.before ? std::optional(Rooted(s, *row.before)) : std::nullopt;
    tsctest::SetEnv(L"PATH", before);
    EXPECT_EQ(s.dll->UpdatePath(), row.update != No);
    const std::optional<std::wstring> path = tsctest::GetEnv(L"PATH");
    if (!row.log.empty()) s.dll->Uninitialize();  // a refused start leaves nothing to tear down
    const std::wstring folder = Rooted(s, row.folder);
    // One trailing separator is dropped.
    const std::wstring head = folder.substr(0, folder.size() - folder.ends_with(L'\\'));
    EXPECT_EQ(path, row.update == Prepends ? head + L";" + *before : before);

    const Lines logged = log.NewMessages();
    std::string id;
    for (const std::string& line : logged) {
        if (line.starts_with(kIdLine)) id = line.substr(kIdLine.size());
    }
    const auto filled = [&](Lines lines) {
        for (std::string& line : lines) {
            line = tsctest::Filled(line, {{"{id}", id},
                                          {"{dir}", tsctest::Utf8(folder) + "\\"},
                                          {"{sdk}", tsctest::Utf8(s.machine.SdkPath())}});
        }
        return lines;
    };
    EXPECT_EQ(journal.Calls(), filled(row.calls));
    EXPECT_EQ(logged, filled(row.log));
    const auto has = [&](const std::string& line) { return std::ranges::count(logged, line) > 0; };
    EXPECT_EQ(tsctest::IsModuleLoaded(s.machine.SdkPath()),
              has(tsctest::kLoadedLine) && !has(kUnloaded));
    if (row.log.empty()) {  // without its cause, the next start works
        s.keep.pop_back();
        EXPECT_TRUE(s.dll->Initialize());
        s.dll->Uninitialize();
    }
}

const std::wstring kVersion = L"{root}\\1.0";
void DeleteKey(Session& s) { s.machine.ReleaseKey().DeleteKey(); }
constexpr wchar_t kBypass[] = L"TSC_INITIALIZE_BYPASSED";

// clang-format off
// A PATH that already names the shared components (anywhere, case-sensitively) or the bypass
// variable with any value, even "0" or an empty one, refuses the start before anything else
// happens: no log line, no SDK call, nothing to update or tear down.
const SessionCase kRefusalCases[] = {
    {"PathInTheMiddleOfAnEntry", Env(L"PATH", L"C:\\windows;D:\\Program Files\\Tesmora Shared\\Components\\3.1\\bin;C:\\x"), nullptr, false, No, L"", {}, {}},
    {"PathAsTheWholeValue",      Env(L"PATH", L"Tesmora Shared\\Components"),                       nullptr, false, No, L"", {}, {}},
    {"PathInOtherLetterCase",    Env(L"PATH", L"C:\\windows;D:\\TESMORA SHARED\\components\\3.1"),  nullptr, true, Prepends, kVersion, kCalls, kLog},
    {"PathWithForwardSlash",     Env(L"PATH", L"C:\\windows;D:\\Tesmora Shared/Components"),        nullptr, true, Prepends, kVersion, kCalls, kLog},
    {"BypassZero",               Env(kBypass, L"0"),                                                 nullptr, false, No, L"", {}, {}},
    {"BypassEmpty",              Env(kBypass, L""),                                                  nullptr, false, No, L"", {}, {}},
};
INSTANTIATE_TEST_SUITE_P(Refusals, Sessions, ::testing::ValuesIn(kRefusalCases), tsctest::RowName);

const SessionCase kRegistryCases[] = {
    // The root is used exactly as recorded: a trailing backslash gives two in a row.
    {"RootEndingInBackslash",  Set(L"InstallPath", L"{root}\\"),          nullptr, true,  Prepends, L"{root}\\\\1.0", kCalls, kLog},
    // A root naming a file passes its own test; the version folder beneath it cannot exist, but
    // the teardown unlocks whatever was composed.
    {"RootNamingAFile",        Set(L"InstallPath", FileBesideTheRoot()),  nullptr, false, No, FileBesideTheRoot() + L"\\1.0", kNoLock, kLog},
    {"VersionFolderMissing",   Set(L"Version", L"9.9"),                   nullptr, false, No, L"{root}\\9.9",       kNoLock, kLog},
    // Nothing was ever resolved in this process: the unlock text is a lone backslash.
    {"KeyMissing",             DeleteKey,                                 nullptr, false, No, L"",                  kNoLock, kLog},
    // A failed folder step still owes a teardown; after it, or a fresh load of the library, a
    // start runs anew (with a refused SDK, none is left loaded by the unloaded one).
    {"KeyMissingAfterATeardown", After(DeleteKey),                        nullptr, false, No, L"",                  kNoLock, kLog},
    {"KeyMissingAfterAReload", [](Session& s) { DeleteKey(s); s.dll->Initialize(); s.dll.emplace(); },
                                                                          L"unsigned", false, No, L"",              {}, kSdkRefused},
    // A start failing after a session of the same load hands out nothing of it; the teardown
    // unlocks the folder the manager still holds.
    {"KeyMissingAfterASession", After(Nothing, DeleteKey),                nullptr, false, No, kVersion,             kNoLock, kLog},
    // A text value ends at its first NUL, whatever data follows it.
    {"VersionEndsAtItsFirstNul", Set(L"Version", std::wstring(L"1.0\0" L"2.0", 7)), nullptr, true, Prepends, kVersion, kCalls, kLog},
    // Names outside the basic Latin range reach the SDK as UTF-8 and PATH unchanged.
    {"NonLatinVersionFolder",  [](Session& s) {
        s.Keep<tsctest::ScopedDirectory>(s.machine.InstallRoot() + L"\\" + kNonLatin);
        s.machine.ReleaseKey().SetString(L"Version", kNonLatin); },        nullptr, true,  Prepends, L"{root}\\" + kNonLatin, kCalls, kLog},
};
INSTANTIATE_TEST_SUITE_P(Registry, Sessions, ::testing::ValuesIn(kRegistryCases), tsctest::RowName);

// Locking is best effort: whatever the SDK answers or lacks, the start answers for the folder.
const SessionCase kSdkCases[] = {
    {"LockRefused",    Standin(L"RESULT_LockDirectory", L"-1"),   nullptr, true, Prepends, kVersion,
        {kInit, kFree, Code(kLock, -1), kUnlock, kClose}, Opened({kIdLine + "{id}", kE + "LockDirectory: API returned error code -1", kUnloaded})},
    {"UnlockRefused",  Standin(L"RESULT_UnLockDirectory", L"21"), nullptr, true, Prepends, kVersion,
        {kInit, kFree, kLock, Code(kUnlock, 21), kClose}, Opened({kIdLine + "{id}", kE + "UnLockDirectory: API returned error code 21", kUnloaded})},
    // A refused close is not logged; the SDK is unloaded all the same.
    {"CloseRefused",   Standin(L"RESULT_Uninitialize", L"-5"),    nullptr, true, Prepends, kVersion,
        {kInit, kFree, kLock, kUnlock, Code(kClose, -5)}, kLog},
    // ...and the session it left open counts for the next start: the lock is attempted, and
    // fails because the SDK library is gone.
    {"SessionLeftOpenByARefusedClose", After(Standin(L"RESULT_Uninitialize", L"20")), nullptr, true, Prepends, kVersion, {},
        {kE + "LockDirectory: Failed to obtain LockDirectoryFunc handle!", kE + "UnLockDirectory: Failed to obtain UnLockDirectoryFunc handle!",
         kE + "Uninitialize: Failed to obtain UninitializeFunc handle!"}},
    // No session: nothing is locked, unlocked or closed, and the SDK stays loaded.
    {"SessionRefused", Standin(L"RESULT_Initialize", L"77"),      nullptr, true, Prepends, kVersion,
        {Code(kInit, 77), "ReleaseMemory\t\tnull\t=> 0"}, Opened({})},
    // While it is still loaded, a start neither looks it up nor checks it again: neither a
    // running self-update nor a recorded file that would be refused stops it.
    {"SdkStillLoadedFromARefusedSession", After(Standin(L"RESULT_Initialize", L"77"), [](Session& s) {
        s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId());
        s.machine.QuilKey().SetString(L"QUILSDKLocation", tsctest::FixturePath(L"quilsdk_unsigned.dll")); }),
                       nullptr, true, Prepends, kVersion, kCalls,
        {tsctest::kSeparatorLine, tsctest::kSessionLine, tsctest::kLoadedLine, kIdLine + "{id}", kUnloaded}},
    // Success without an id (null or empty) opens no session: the lock, attempted on the
    // strength of the status, goes out with an empty id and is refused.
    {"NullSessionId",  Standin(L"SESSION_ID", L"null"),           nullptr, true, Prepends, kVersion,
        {kInit, "ReleaseMemory\t\tnull\t=> 0", Code(kLock, 20)}, Opened({kIdLine, kE + "LockDirectory: API returned error code 20"})},
    {"EmptySessionId", Standin(L"SESSION_ID", L"empty"),          nullptr, true, Prepends, kVersion,
        {kInit, "ReleaseMemory\t\tset\t=> 0", Code(kLock, 20)}, Opened({kIdLine, kE + "LockDirectory: API returned error code 20"})},
    {"WithoutInitialize",      Nothing, L"no_Initialize",      true, Prepends, kVersion, {},
        Opened({kE + "Initialize: Failed to obtain InitializeFunc handle!"})},
    {"WithoutReleaseMemory",   Nothing, L"no_ReleaseMemory",   true, Prepends, kVersion, {kInit, kLock, kUnlock, kClose},
        Opened({kIdLine + "{id}", kE + "ReleaseMemory: Failed to obtain ReleaseMemoryFunc handle!", kUnloaded})},
    {"WithoutLockDirectory",   Nothing, L"no_LockDirectory",   true, Prepends, kVersion, kNoLock,
        Opened({kIdLine + "{id}", kE + "LockDirectory: Failed to obtain LockDirectoryFunc handle!", kUnloaded})},
    {"WithoutUnLockDirectory", Nothing, L"no_UnLockDirectory", true, Prepends, kVersion, {kInit, kFree, kLock, kClose},
        Opened({kIdLine + "{id}", kE + "UnLockDirectory: Failed to obtain UnLockDirectoryFunc handle!", kUnloaded})},
    {"WithoutUninitialize",    Nothing, L"no_Uninitialize",    true, Prepends, kVersion, {kInit, kFree, kLock, kUnlock},
        Opened({kIdLine + "{id}", kE + "Uninitialize: Failed to obtain UninitializeFunc handle!"})},
    // Without a session the folder still resolves, and nothing is asked of the SDK.
    {"SdkRefused",             Nothing, L"unsigned",           true, Prepends, kVersion, {}, kSdkRefused},
};
INSTANTIATE_TEST_SUITE_P(Sdk, Sessions, ::testing::ValuesIn(kSdkCases), tsctest::RowName);

// The switch is a little-endian integer of at most 4 bytes, of whatever type; only exactly 1
// takes the folder from TSC_PATH_2026, as it is, without any existence test. A folder of 4
// characters or fewer is not handed out and not locked; 5 is enough. An override taken once is
// remembered: a later start without it takes the registry's root itself and ignores Version,
// unless the switch is on without the variable.
const auto kEarlierOverride = Override(REG_DWORD, kOne, L"C:\\xy");
const SessionCase kOverrideCases[] = {
    {"SingleByteOne",     Override(REG_BINARY, {1}, L"{root}"),              nullptr, true, Prepends, L"{root}", kCalls, kLog},
    {"FiveBytesOne",      Override(REG_BINARY, {1, 0, 0, 0, 0}, L"{root}"),  nullptr, true, Prepends, kVersion,  kCalls, kLog},
    {"DwordZero",         Override(REG_DWORD, {0, 0, 0, 0}, L"{root}"),      nullptr, true, Prepends, kVersion,  kCalls, kLog},
    {"StringOne",         Override(REG_SZ, {'1', 0, 0, 0}, L"{root}"),       nullptr, true, Prepends, kVersion,  kCalls, kLog},
    {"VariableUnset",     Override(REG_DWORD, kOne, nullptr),                nullptr, true, Prepends, kVersion,  kCalls, kLog},
    // The lock text gets its backslash even after one.
    {"FolderEndingInBackslash", Override(REG_DWORD, kOne, L"{root}\\"),    nullptr, true, Prepends, L"{root}\\", kCalls, kLog},
    {"FiveCharacters",    Override(REG_DWORD, kOne, L"C:\\xy"),              nullptr, true, Prepends, L"C:\\xy", kCalls, kLog},
    {"FourCharacters",    Override(REG_DWORD, kOne, L"C:\\x"),               nullptr, true, No,       L"C:\\x",  kNoLock, kLog},
    {"Empty",             Override(REG_DWORD, kOne, L""),                    nullptr, true, No,       L"",       kNoLock, kLog},
    {"EarlierOverrideMakesTheRootTheFolder", After(kEarlierOverride, [](Session& s) {
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 0);
        s.machine.ReleaseKey().DeleteValue(L"Version"); }),              nullptr, true, Prepends, L"{root}", kCalls, kLog},
    {"EarlierOverrideForgottenWithoutTheVariable", After(kEarlierOverride), nullptr, true, Prepends, kVersion, kCalls, kLog},
    // PATH as found at the update (set after the start, which one naming the shared components
    // would refuse): the folder is there when one whole entry is the folder, alone or with one
    // trailing separator, in the same letter case; an empty or missing PATH is never written,
    // and one trailing separator is dropped from the folder, no more.
    {"PathHasTheFolderAsAnEntry",         Override(REG_DWORD, kOne, L"{root}"), nullptr, true, Contains, L"{root}", kCalls, kLog, L"C:\\windows;{root};C:\\x"},
    {"PathHasTheFolderWithASeparator",    Override(REG_DWORD, kOne, L"{root}"), nullptr, true, Contains, L"{root}", kCalls, kLog, L"C:\\windows;{root}\\"},
    {"PathHasALongerFolderName",          Override(REG_DWORD, kOne, L"{root}"), nullptr, true, Prepends, L"{root}", kCalls, kLog, L"{root}0;C:\\windows;{root}\\bin"},
    {"PathHasTheFolderInOtherLetterCase", Override(REG_DWORD, kOne, L"{root}"),     nullptr, true, Prepends, L"{root}", kCalls, kLog, L"C:\\windows;{ROOT}"},
    {"PathEmpty",         Override(REG_DWORD, kOne, L"{root}"),              nullptr, true, No,       L"{root}", kCalls, kLog, L""},
    {"PathUnset",         Override(REG_DWORD, kOne, L"{root}"),              nullptr, true, No,       L"{root}", kCalls, kLog, std::nullopt},
    {"FolderEndingInTwoBackslashes", Override(REG_DWORD, kOne, L"{root}\\\\"), nullptr, true, Prepends, L"{root}\\\\", kCalls, kLog},
};
INSTANTIATE_TEST_SUITE_P(Override, Sessions, ::testing::ValuesIn(kOverrideCases), tsctest::RowName);
// clang-format on

// Sets this thread's error mode; puts the old one back at scope end.
struct ScopedThreadErrorMode {
    explicit ScopedThreadErrorMode(DWORD mode) { SetThreadErrorMode(mode, &saved); }
    ~ScopedThreadErrorMode() { SetThreadErrorMode(saved, nullptr); }
    DWORD saved = 0;
};

// The system's critical-error boxes stay silent while the library loads and starts the SDK, with
// the host's own flags kept; after each export the host's thread has its own mode back.
TEST(ThreadErrorMode, SilentWhileTheSdkLoadsAndStartsTheHostsOwnAfterEachExport) {
    Session s;
    s.Keep<ScopedEnvironmentVariable>(L"QUILSDK_STANDIN_RECORD_ERROR_MODE", L"1");
    const ScopedThreadErrorMode host(SEM_NOGPFAULTERRORBOX);
    tsctest::SdkJournal journal;
    EXPECT_TRUE(s.dll->Initialize());
    EXPECT_EQ(GetThreadErrorMode(), DWORD{SEM_NOGPFAULTERRORBOX});
    EXPECT_TRUE(s.dll->UpdatePath());
    EXPECT_EQ(GetThreadErrorMode(), DWORD{SEM_NOGPFAULTERRORBOX});
    s.dll->Uninitialize();
    EXPECT_EQ(GetThreadErrorMode(), DWORD{SEM_NOGPFAULTERRORBOX});
    const std::string silent =
        std::to_string(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    EXPECT_EQ(journal.Calls().at(0), "ThreadErrorMode\t" + silent + "\t" + silent + "\t=> 0");
}

// The lock keeps other processes from renaming the folder until the teardown. Unloading the
// library without one makes no call into the SDK: the folder stays locked, the session open and
// the SDK library loaded until the process ends.
TEST(SessionLock, HoldsUntilTheTeardownWhichAnUnloadSkips) {
    Session s;
    const std::wstring folder = s.machine.Folder();
    ASSERT_TRUE(s.dll->Initialize());
    EXPECT_FALSE(tsctest::RenamableByAnotherProcess(folder));
    s.dll->Uninitialize();
    EXPECT_TRUE(tsctest::RenamableByAnotherProcess(folder));
    tsctest::SdkJournal journal;
    ASSERT_TRUE(s.dll->Initialize());
    ASSERT_TRUE(s.dll->Unload());
    EXPECT_FALSE(tsctest::RenamableByAnotherProcess(folder));
    EXPECT_EQ(journal.Exports(), (Lines{"Initialize", "ReleaseMemory", "LockDirectory"}));
    const HMODULE sdk = GetModuleHandleW(s.machine.SdkPath().c_str());
    ASSERT_NE(sdk, nullptr) << "the SDK library stays loaded";
    // Close the orphaned session ourselves, so that its lock does not outlive the test's folder.
    const auto close = reinterpret_cast<std::int32_t (*)(const char*)>(
        reinterpret_cast<void*>(GetProcAddress(sdk, "Uninitialize")));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close(journal.SessionId().c_str()), 0);
    FreeLibrary(sdk);
}

}  // namespace
