// What whole sessions show through the exports: the folder resolved from the release's registry
// values or from the environment override, the lock the SDK is asked for and other processes
// feel, the PATH update, and the teardown.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
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

using tsctest::HealthyMachine;
using tsctest::ScopedEnvironmentVariable;
using tsctest::Utf8;
using Lines = std::vector<std::string>;

constexpr wchar_t kOldPath[] = L"C:\\windows\\system32;C:\\windows";
const Lines kAllCalls = {"Initialize", "ReleaseMemory", "LockDirectory", "UnLockDirectory",
                         "Uninitialize"};
const Lines kNoLock = {"Initialize", "ReleaseMemory", "UnLockDirectory", "Uninitialize"};

std::wstring FileBesideTheRoot() { return tsctest::TempRoot() + L"\\components.txt"; }
std::wstring Head(const std::wstring& folder) { return folder + L";" + kOldPath; }
Lines LockTexts(const std::wstring& folder, std::size_t count) {
    return Lines(count, Utf8(folder) + "\\");
}

// What one whole session showed: the start's answer, PATH after the update, the SDK's calls.
struct Session {
    bool initialized;
    bool updated;
    std::optional<std::wstring> path;
    tsctest::SdkJournal journal;
};

class SessionTest : public ::testing::Test {
  protected:
    void Run(Session& session) {
        const tsctest::DttscsdkDll dll;
        session.initialized = dll.Initialize();
        session.updated = dll.UpdatePath();
        session.path = tsctest::GetEnv(L"PATH");
        dll.Uninitialize();
    }
    HealthyMachine machine_;
    ScopedEnvironmentVariable path_{L"PATH", std::wstring(kOldPath)};
    tsctest::ScopedFile file_{FileBesideTheRoot(), "not a folder"};
};

// The folder handed out is what the SDK locks and what goes in front of PATH; the teardown
// unlocks whatever folder was composed, also when the start failed after composing it.
struct RegistryCase : tsctest::Row {
    void (*setUp)(HealthyMachine&);
    const wchar_t* standin;  // "SETTING=value" for QUILSDK_STANDIN_SETTING during the session
    bool initialized;
    std::wstring (*folder)(const HealthyMachine&);
    Lines calls;  // the SDK exports called
};

class Registry : public SessionTest, public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(Registry, FolderIsHandedOutLockedAndUnlocked) {
    const RegistryCase& row = GetParam();
    row.setUp(machine_);
    const std::wstring folder = row.folder(machine_);
    Session session;
    {
        const tsctest::StandinSetting standin(row.standin);
        Run(session);
    }

    EXPECT_EQ(session.initialized, row.initialized);
    EXPECT_EQ(session.updated, row.initialized);
    EXPECT_EQ(session.path, row.initialized ? Head(folder) : kOldPath);
    EXPECT_EQ(session.journal.Exports(), row.calls);
    const auto count = [&](const char* name) {
        return std::count(row.calls.begin(), row.calls.end(), name);
    };
    EXPECT_EQ(session.journal.FoldersPassedTo("LockDirectory"),
              LockTexts(folder, count("LockDirectory")));
    EXPECT_EQ(session.journal.FoldersPassedTo("UnLockDirectory"),
              LockTexts(folder, count("UnLockDirectory")));
    EXPECT_FALSE(tsctest::IsModuleLoaded(machine_.SdkPath()));
}

std::wstring VersionFolder(const HealthyMachine& m) { return m.Folder(); }
const std::wstring kNonLatin = L"\u0412\u0435\u0440\u0441\u0438\u044f-\u7248\u672c-\u00e9";

// clang-format off
const RegistryCase kRegistryCases[] = {
    {"VersionFolderOfTheRoot", [](HealthyMachine&) {}, nullptr, true, VersionFolder, kAllCalls},
    // The root is used exactly as recorded: a trailing backslash gives two in a row.
    {"RootEndingInBackslash", [](HealthyMachine& m) { m.ReleaseKey().SetString(L"InstallPath", m.InstallRoot() + L"\\"); },
        nullptr, true, [](const HealthyMachine& m) { return m.InstallRoot() + L"\\\\1.0"; }, kAllCalls},
    // A root naming a file passes its own test; the version folder beneath it cannot exist.
    {"RootNamingAFile", [](HealthyMachine& m) { m.ReleaseKey().SetString(L"InstallPath", FileBesideTheRoot()); },
        nullptr, false, [](const HealthyMachine&) { return FileBesideTheRoot() + L"\\1.0"; }, kNoLock},
    {"VersionFolderMissing", [](HealthyMachine& m) { m.ReleaseKey().SetString(L"Version", L"9.9"); },
        nullptr, false, [](const HealthyMachine& m) { return m.InstallRoot() + L"\\9.9"; }, kNoLock},
    // Nothing was ever resolved in this process: the unlock text is a lone backslash.
    {"KeyMissing", [](HealthyMachine& m) { m.ReleaseKey().DeleteKey(); },
        nullptr, false, [](const HealthyMachine&) { return std::wstring(); }, kNoLock},
    // Names outside the basic Latin range reach the SDK as UTF-8 and PATH unchanged.
    {"NonLatinVersionFolder", [](HealthyMachine& m) {
            CreateDirectoryW((m.InstallRoot() + L"\\" + kNonLatin).c_str(), nullptr);  // goes with the root
            m.ReleaseKey().SetString(L"Version", kNonLatin); },
        nullptr, true, [](const HealthyMachine& m) { return m.InstallRoot() + L"\\" + kNonLatin; }, kAllCalls},
    // Locking is best effort: a refused lock leaves start, update and teardown as they were.
    {"LockRefused", [](HealthyMachine&) {}, L"RESULT_LockDirectory=-5", true, VersionFolder, kAllCalls},
    // A failed unlock does not keep the session open: it is closed and the SDK unloaded.
    {"UnlockFails", [](HealthyMachine&) {}, L"RESULT_UnLockDirectory=21", true, VersionFolder, kAllCalls},
    // Without a session the folder still resolves, and nothing is asked of the SDK.
    {"SdkRefused", [](HealthyMachine& m) { m.QuilKey().SetString(L"QUILSDKLocation", tsctest::FixturePath(L"quilsdk_unsigned.dll")); },
        nullptr, true, VersionFolder, {}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, Registry, ::testing::ValuesIn(kRegistryCases), tsctest::RowName);

// The override switch is a little-endian 32-bit integer of whatever type it is stored as; only
// exactly 1 takes the folder from TSC_PATH_2026, as it is, without any existence test. A value
// of 4 characters or fewer is handed out empty and not locked; 5 is enough.
struct OverrideCase : tsctest::Row {
    DWORD type;
    std::vector<std::uint8_t> data;
    const wchar_t* variable;   // null: not set
    const wchar_t* handedOut;  // null: the registry's version folder; empty: none
};

class Override : public SessionTest, public ::testing::WithParamInterface<OverrideCase> {};

TEST_P(Override, DecidesBetweenVariableAndRegistry) {
    const OverrideCase& row = GetParam();
    machine_.ReleaseKey().SetBinary(L"EnablePathOverride", row.data, row.type);
    const ScopedEnvironmentVariable variable(
        L"TSC_PATH_2026", row.variable ? std::optional<std::wstring>(row.variable) : std::nullopt);
    const std::wstring folder = row.handedOut ? row.handedOut : machine_.Folder();
    Session session;
    Run(session);

    EXPECT_TRUE(session.initialized);
    EXPECT_EQ(session.updated, !folder.empty());
    EXPECT_EQ(session.path, folder.empty() ? kOldPath : Head(folder));
    EXPECT_EQ(session.journal.FoldersPassedTo("LockDirectory"),
              LockTexts(folder, folder.empty() ? 0 : 1));
}

// clang-format off
const OverrideCase kOverrideCases[] = {
    {"SingleByteOne",  REG_BINARY, {1},                      L"E:\\dev\\tsc", L"E:\\dev\\tsc"},
    {"DwordZero",      REG_DWORD,  {0, 0, 0, 0},             L"E:\\dev\\tsc", nullptr},
    {"StringOne",      REG_SZ,     {'1', 0, 0, 0},           L"E:\\dev\\tsc", nullptr},
    {"QwordOne",       REG_QWORD,  {1, 0, 0, 0, 0, 0, 0, 0}, L"E:\\dev\\tsc", nullptr},
    {"VariableUnset",  REG_DWORD,  {1, 0, 0, 0},             nullptr,         nullptr},
    {"FiveCharacters", REG_DWORD,  {1, 0, 0, 0},             L"C:\\xy",       L"C:\\xy"},
    {"FourCharacters", REG_DWORD,  {1, 0, 0, 0},             L"C:\\x",        L""},
    {"Empty",          REG_DWORD,  {1, 0, 0, 0},             L"",             L""},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Forms, Override, ::testing::ValuesIn(kOverrideCases), tsctest::RowName);

// An override taken once in a process is remembered: a later start without it takes the
// registry's installation root itself as the folder and ignores Version.
TEST_F(SessionTest, AnEarlierOverrideMakesTheRootTheFolderLater) {
    tsctest::SdkJournal journal;
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
    dll.Uninitialize();
    EXPECT_EQ(journal.FoldersPassedTo("LockDirectory"),
              (Lines{"E:\\dev\\tsc\\", Utf8(machine_.InstallRoot()) + "\\"}));
}

// The folder is locked for the session's whole life, with a trailing backslash, and only for
// it: other processes cannot rename it until teardown, which unlocks and then closes.
TEST_F(SessionTest, LockHoldsTheFolderAgainstOtherProcessesUntilTeardown) {
    tsctest::SdkJournal journal;
    const tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    EXPECT_FALSE(tsctest::RenamableByAnotherProcess(machine_.Folder()));
    dll.Uninitialize();
    EXPECT_TRUE(tsctest::RenamableByAnotherProcess(machine_.Folder()));
    const std::string id = journal.SessionId();
    const std::string folder = Utf8(machine_.Folder()) + "\\";
    EXPECT_EQ(journal.Calls(),
              (Lines{"Initialize\tTSC\t2026\tneutral\t=> 0", "ReleaseMemory\t" + id + "\tset\t=> 0",
                     "LockDirectory\t" + id + "\t" + folder + "\t=> 0",
                     "UnLockDirectory\t" + id + "\t" + folder + "\t=> 0",
                     "Uninitialize\t" + id + "\t=> 0"}));
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
    EXPECT_EQ(log.NewMessages(), Lines{"[ERROR] QUILAPIWrapperImpl::LockDirectory: Failed to "
                                       "obtain LockDirectoryFunc handle!"});
}

// The folder goes in front of PATH once; afterwards PATH names the shared components, so a new
// start in the same process is refused before any session attempt.
TEST_F(SessionTest, PathGetsTheFolderOnceAndANewStartIsRefused) {
    const tsctest::DttscsdkDll dll;
    ASSERT_TRUE(dll.Initialize());
    EXPECT_TRUE(dll.UpdatePath());
    EXPECT_TRUE(dll.UpdatePath());
    EXPECT_EQ(tsctest::GetEnv(L"PATH"), Head(machine_.Folder()));
    dll.Uninitialize();
    tsctest::SdkJournal journal;
    EXPECT_FALSE(dll.Initialize());
    EXPECT_TRUE(journal.Calls().empty());
    EXPECT_FALSE(dll.UpdatePath());
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
    const std::optional<std::wstring> after = tsctest::GetEnv(L"PATH");
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
