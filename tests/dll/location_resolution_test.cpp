// Which folder a session resolves, hands out and asks the SDK to lock, from the registry values
// of the release or from the environment override, seen through the exports and the SDK.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/sdk_calls.h"
#include "support/sdk_journal.h"

namespace {

using tsctest::HealthyMachine;
using tsctest::ScopedEnvironmentVariable;
using tsctest::Utf8;

constexpr wchar_t kOverrideVariable[] = L"TSC_PATH_2026";

std::wstring FileBesideTheRoot() { return tsctest::TempRoot() + L"\\components.txt"; }

// What one whole session showed: the start's answer, the PATH after the update, and the
// folder texts the SDK was asked to lock and unlock.
struct Session {
    bool initialized;
    bool updated;
    std::wstring path;
    std::vector<std::string> locked;
    std::vector<std::string> unlocked;
};

class Resolution : public ::testing::Test {
  protected:
    Session Run() {
        tsctest::SdkJournal journal;
        tsctest::DttscsdkDll dll;
        Session session{};
        session.initialized = dll.Initialize();
        session.updated = dll.UpdatePath();
        session.path = tsctest::GetEnv(L"PATH").value_or(L"");
        dll.Uninitialize();
        session.locked = tsctest::FoldersPassedTo(journal, "LockDirectory");
        session.unlocked = tsctest::FoldersPassedTo(journal, "UnLockDirectory");
        return session;
    }

    static std::wstring PathWithHead(const std::wstring& head) { return head + L";" + kOldPath; }

    static constexpr wchar_t kOldPath[] = L"C:\\windows\\system32;C:\\windows";
    ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    ScopedEnvironmentVariable override_{kOverrideVariable, std::nullopt};
    ScopedEnvironmentVariable path_{L"PATH", std::wstring(kOldPath)};
    HealthyMachine machine_;
    tsctest::ScopedFile file_{FileBesideTheRoot(), "not a folder"};
};

// Registry values: the folder handed out is what the SDK locks, and teardown unlocks whatever
// installPath holds, also when the start failed after composing it.
struct RegistryCase {
    const char* name;
    void (*setUp)(HealthyMachine&);
    bool initialized;
    std::wstring (*folder)(const HealthyMachine&);  // locked, unlocked and put in PATH
};

void PrintTo(const RegistryCase& row, std::ostream* out) { *out << row.name; }

class RegistryResolution : public Resolution, public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(RegistryResolution, FolderIsHandedOutLockedAndUnlocked) {
    GetParam().setUp(machine_);
    const std::wstring folder = GetParam().folder(machine_);
    const Session session = Run();

    EXPECT_EQ(session.initialized, GetParam().initialized);
    EXPECT_EQ(session.unlocked, std::vector<std::string>{Utf8(folder) + "\\"});
    if (GetParam().initialized) {
        EXPECT_EQ(session.locked, std::vector<std::string>{Utf8(folder) + "\\"});
        EXPECT_TRUE(session.updated);
        EXPECT_EQ(session.path, PathWithHead(folder));
    } else {
        EXPECT_TRUE(session.locked.empty());
        EXPECT_FALSE(session.updated);
        EXPECT_EQ(session.path, kOldPath);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryResolution,
    ::testing::Values(
        RegistryCase{"VersionFolderOfTheRoot", [](HealthyMachine&) {}, true,
                     [](const HealthyMachine& m) { return m.Folder(); }},
        // The root is used exactly as recorded: a trailing backslash gives two in a row.
        RegistryCase{"RootEndingInBackslash",
                     [](HealthyMachine& m) {
                         m.ReleaseKey().SetString(L"InstallPath", m.InstallRoot() + L"\\");
                     },
                     true, [](const HealthyMachine& m) { return m.InstallRoot() + L"\\\\1.0"; }},
        // A root naming a file passes its own test; the version folder beneath it cannot exist.
        RegistryCase{"RootNamingAFile",
                     [](HealthyMachine& m) {
                         m.ReleaseKey().SetString(L"InstallPath", FileBesideTheRoot());
                     },
                     false, [](const HealthyMachine&) { return FileBesideTheRoot() + L"\\1.0"; }},
        RegistryCase{"VersionFolderMissing",
                     [](HealthyMachine& m) { m.ReleaseKey().SetString(L"Version", L"9.9"); }, false,
                     [](const HealthyMachine& m) { return m.InstallRoot() + L"\\9.9"; }},
        // Nothing was ever resolved in this process: the unlock text is a lone backslash.
        RegistryCase{"KeyMissing", [](HealthyMachine& m) { m.ReleaseKey().DeleteKey(); }, false,
                     [](const HealthyMachine&) { return std::wstring(); }}),
    [](const auto& info) { return std::string(info.param.name); });

// The override switch is a little-endian 32-bit integer of whatever type it is stored as;
// only exactly 1 takes the folder from TSC_PATH_2026, which is never tested for existence.
struct SwitchCase {
    const char* name;
    DWORD type;
    std::vector<std::uint8_t> data;
    bool overrides;
};

void PrintTo(const SwitchCase& row, std::ostream* out) { *out << row.name; }

class OverrideSwitch : public Resolution, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(OverrideSwitch, DecidesBetweenVariableAndRegistry) {
    const std::wstring custom = L"E:\\dev\\tsc";  // no such folder
    ScopedEnvironmentVariable variable(kOverrideVariable, custom);
    machine_.ReleaseKey().SetBinary(L"EnablePathOverride", GetParam().data, GetParam().type);
    const std::wstring expected = GetParam().overrides ? custom : machine_.Folder();

    const Session session = Run();

    EXPECT_TRUE(session.initialized);
    EXPECT_EQ(session.locked, std::vector<std::string>{Utf8(expected) + "\\"});
    EXPECT_EQ(session.path, PathWithHead(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, OverrideSwitch,
    ::testing::Values(SwitchCase{"SingleByteOne", REG_BINARY, {1}, true},
                      SwitchCase{"DwordZero", REG_DWORD, {0, 0, 0, 0}, false},
                      SwitchCase{"StringOne", REG_SZ, {'1', 0, 0, 0}, false},
                      SwitchCase{"QwordOne", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// With the override enabled, the variable's text is the folder as it is: a value of 4
// characters or fewer is handed out empty and not locked; 5 is enough.
struct OverrideCase {
    const char* name;
    std::wstring variable;
    std::wstring handedOut;  // empty: nothing locked, PATH unchanged
};

void PrintTo(const OverrideCase& row, std::ostream* out) { *out << row.name; }

class OverrideFolder : public Resolution, public ::testing::WithParamInterface<OverrideCase> {};

TEST_P(OverrideFolder, ShortFoldersAreNotHandedOut) {
    ScopedEnvironmentVariable variable(kOverrideVariable, GetParam().variable);
    machine_.ReleaseKey().SetDword(L"EnablePathOverride", 1);

    const Session session = Run();

    EXPECT_TRUE(session.initialized);
    const std::wstring& folder = GetParam().handedOut;
    if (folder.empty()) {
        EXPECT_TRUE(session.locked.empty());
        EXPECT_FALSE(session.updated);
        EXPECT_EQ(session.path, kOldPath);
    } else {
        EXPECT_EQ(session.locked, std::vector<std::string>{Utf8(folder) + "\\"});
        EXPECT_EQ(session.path, PathWithHead(folder));
    }
}

INSTANTIATE_TEST_SUITE_P(Values, OverrideFolder,
                         ::testing::Values(OverrideCase{"FiveCharacters", L"C:\\xy", L"C:\\xy"},
                                           OverrideCase{"FourCharacters", L"C:\\x", L""},
                                           OverrideCase{"Empty", L"", L""}),
                         [](const auto& info) { return std::string(info.param.name); });

// Enabled without the variable, the override gives way to the registry's version folder.
TEST_F(Resolution, EnabledOverrideWithoutVariableUsesTheVersionFolder) {
    machine_.ReleaseKey().SetDword(L"EnablePathOverride", 1);
    const Session session = Run();
    EXPECT_TRUE(session.initialized);
    EXPECT_EQ(session.locked, std::vector<std::string>{Utf8(machine_.Folder()) + "\\"});
}

// An override taken once in a process is remembered: a later start without it takes the
// registry's installation root itself as the folder and ignores Version.
TEST_F(Resolution, AnEarlierOverrideMakesTheRootTheFolderLater) {
    tsctest::SdkJournal journal;
    tsctest::DttscsdkDll dll;
    {
        ScopedEnvironmentVariable variable(kOverrideVariable, L"E:\\dev\\tsc");
        machine_.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        ASSERT_TRUE(dll.Initialize());
        dll.Uninitialize();
    }
    machine_.ReleaseKey().SetDword(L"EnablePathOverride", 0);
    machine_.ReleaseKey().DeleteValue(L"Version");

    EXPECT_TRUE(dll.Initialize());
    dll.Uninitialize();
    EXPECT_EQ(tsctest::FoldersPassedTo(journal, "LockDirectory"),
              (std::vector<std::string>{"E:\\dev\\tsc\\", Utf8(machine_.InstallRoot()) + "\\"}));
}

}  // namespace
