// What the folder resolution, the lock and the teardown report through the diagnostic sink,
// and the statuses behind the exports' bool answers. Each test runs its own manager.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "entry/tsc_component_manager.h"
#include "location/location_seams.h"
#include "location/system_error_text.h"
#include "support/diagnostic_recorder.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::Diagnostic;
using tsctest::HealthyMachine;
using tsctest::ScopedEnvironmentVariable;
using tsctest::Utf8;
using Messages = std::vector<Diagnostic>;

constexpr wchar_t kOverrideVariable[] = L"TSC_PATH_2026";

const Diagnostic kNoCustomPath{"FATAL", "There is no custom path set"};
const Diagnostic kOverrideOn{"INFO", "EnablePathOverride is set to 1"};

Diagnostic SessionWarning(int status) {
    return {"WARN", "Failed to intialize QUIL SDK wrapper status code:" + std::to_string(status)};
}

// The tail of an existence message: code 0 (simply not there) gives the text for success.
std::string ErrorTail(std::uint32_t code) { return " Error Code : " + SystemErrorText(code); }

std::uint32_t (*const realStatusQuery)(const std::wstring&) = tsc::seams::statusQuery;

struct Outcome {
    std::int32_t status;
    std::wstring folder;
    Messages messages;
};

class ManagerTest : public ::testing::Test {
  protected:
    void TearDown() override { tsc::seams::statusQuery = realStatusQuery; }

    // Starts the session and clears its messages, so that a test sees only the folder step's.
    void Start() {
        ASSERT_EQ(manager_.Initialize(L"2026"), 0);
        recorder_.clear();
    }

    Outcome Lock() {
        std::wstring folder;
        const std::int32_t status = manager_.LockInstallLocation(folder);
        return {status, folder, recorder_.messages()};
    }

    ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    ScopedEnvironmentVariable override_{kOverrideVariable, std::nullopt};
    HealthyMachine machine_;
    tsctest::DiagnosticRecorder recorder_;
    TscComponentManager manager_;
};

// A self-update of the installer is running (this process's id is in the installer's lock
// file), so every session attempt fails with wrapper status 8 whatever the folder: the location
// steps speak, then the lock step warns that it had no session to lock with.
constexpr int kNoSession = 8;

class FolderStep : public ManagerTest {
  protected:
    void SetUp() override { Start(); }
    void TearDown() override {
        manager_.Uninitialize();
        ManagerTest::TearDown();
    }

    tsctest::ScopedDirectory lockFolder_{tsctest::kLockFileFolder};
    tsctest::ScopedFile selfUpdateLock_{
        std::wstring(tsctest::kLockFileFolder) + L"\\TsQUILInstaller.run.lock",
        std::to_string(GetCurrentProcessId())};
};

// What the folder step says between the override's report and the lock step's warning.
Messages AfterNoOverride(std::vector<Diagnostic> middle) {
    middle.insert(middle.begin(), kNoCustomPath);
    middle.push_back(SessionWarning(kNoSession));
    return middle;
}
Messages AfterOverride(std::vector<Diagnostic> middle) {
    middle.insert(middle.begin(), kOverrideOn);
    middle.push_back(SessionWarning(kNoSession));
    return middle;
}

std::wstring NoFolder(const HealthyMachine&) { return L""; }
std::wstring VersionFolder(const HealthyMachine& m) { return m.Folder(); }
std::wstring MissingVersionFolder(const HealthyMachine& m) { return m.InstallRoot() + L"\\9.9"; }
std::wstring CustomFolder(const HealthyMachine&) { return L"E:\\dev\\tsc"; }

// Missing folders. 259 units fit the read buffer with the terminator, 260 do not.
std::wstring RootOfLength(size_t length) {
    std::wstring root = L"C:\\dttsc-missing";
    while (root.size() < length) root += (root.size() % 50 == 0) ? L'\\' : L'x';
    return root;
}
const std::wstring kNonLatinRoot =
    L"C:\\dttsc-missing\\\u041a\u043e\u043c\u043f-\u7d44\u4ef6-\u00fc";

std::vector<std::uint8_t> BytesWithoutTerminator(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return std::vector<std::uint8_t>(bytes, bytes + text.size() * sizeof(wchar_t));
}

void EnableOverride(HealthyMachine& m, const std::optional<std::wstring>& variable) {
    m.ReleaseKey().SetDword(L"EnablePathOverride", 1);
    tsctest::SetEnv(kOverrideVariable, variable);
}

struct FolderCase {
    const char* name;
    void (*setUp)(HealthyMachine&);
    std::int32_t status;
    std::wstring (*folder)(const HealthyMachine&);
    Messages messages;
};

void PrintTo(const FolderCase& row, std::ostream* out) { *out << row.name; }

class FolderSteps : public FolderStep, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderSteps, StatusFolderAndMessages) {
    GetParam().setUp(machine_);
    const Outcome outcome = Lock();
    EXPECT_EQ(outcome.status, GetParam().status);
    EXPECT_EQ(outcome.folder, GetParam().folder(machine_));
    EXPECT_EQ(outcome.messages, GetParam().messages);
}

const Diagnostic kInstallPathUnreadable{"FATAL", "Failed to read InstallPath registry entry"};
const Diagnostic kVersionEmpty{"FATAL", "Entry for Version in Registry is Empty."};

INSTANTIATE_TEST_SUITE_P(
    Registry, FolderSteps,
    ::testing::Values(
        FolderCase{"VersionFolderFound", [](HealthyMachine&) {}, 0, VersionFolder,
                   AfterNoOverride({})},
        FolderCase{"KeyMissing", [](HealthyMachine& m) { m.ReleaseKey().DeleteKey(); }, 6, NoFolder,
                   AfterNoOverride({{"FATAL", "Failed to open registry key"}})},
        FolderCase{"InstallPathMissing",
                   [](HealthyMachine& m) { m.ReleaseKey().DeleteValue(L"InstallPath"); }, 6,
                   NoFolder, AfterNoOverride({kInstallPathUnreadable})},
        FolderCase{
            "InstallPathOf260Units",
            [](HealthyMachine& m) { m.ReleaseKey().SetString(L"InstallPath", RootOfLength(260)); },
            6, NoFolder, AfterNoOverride({kInstallPathUnreadable})},
        FolderCase{
            "InstallPathOf259UnitsMissing",
            [](HealthyMachine& m) { m.ReleaseKey().SetString(L"InstallPath", RootOfLength(259)); },
            12, NoFolder,
            AfterNoOverride({{"ERROR", "The Install Location Path is Incorrect" +
                                           Utf8(RootOfLength(259)) + ErrorTail(0)}})},
        FolderCase{
            "NonLatinRootMissing",
            [](HealthyMachine& m) { m.ReleaseKey().SetString(L"InstallPath", kNonLatinRoot); }, 12,
            NoFolder,
            AfterNoOverride({{"ERROR", "The Install Location Path is Incorrect" +
                                           Utf8(kNonLatinRoot) + ErrorTail(0)}})},
        // A value stored without its terminator ends with its data.
        FolderCase{"InstallPathWithoutTerminator",
                   [](HealthyMachine& m) {
                       m.ReleaseKey().SetBinary(L"InstallPath",
                                                BytesWithoutTerminator(m.InstallRoot()), REG_SZ);
                   },
                   0, VersionFolder, AfterNoOverride({})},
        FolderCase{"VersionMissing",
                   [](HealthyMachine& m) { m.ReleaseKey().DeleteValue(L"Version"); }, 6, NoFolder,
                   AfterNoOverride({{"FATAL", "Failed to read Version from registry entry"}})},
        FolderCase{"VersionEmptyText",
                   [](HealthyMachine& m) { m.ReleaseKey().SetString(L"Version", L""); }, 13,
                   NoFolder, AfterNoOverride({kVersionEmpty})},
        FolderCase{"VersionWithoutData",
                   [](HealthyMachine& m) { m.ReleaseKey().SetBinary(L"Version", {}, REG_SZ); }, 13,
                   NoFolder, AfterNoOverride({kVersionEmpty})},
        // The composed folder is kept and handed back although it does not exist.
        FolderCase{
            "VersionFolderMissing",
            [](HealthyMachine& m) { m.ReleaseKey().SetString(L"Version", L"9.9"); }, 12,
            MissingVersionFolder,
            AfterNoOverride({{"ERROR", "The Version for the Install Path Does Not Exist.9.9" +
                                           ErrorTail(0)}})}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Override, FolderSteps,
    ::testing::Values(
        // Taken as it is, without any existence test.
        FolderCase{"FromVariable", [](HealthyMachine& m) { EnableOverride(m, L"E:\\dev\\tsc"); }, 0,
                   CustomFolder, AfterOverride({})},
        FolderCase{"VariableUnset", [](HealthyMachine& m) { EnableOverride(m, std::nullopt); }, 0,
                   VersionFolder, AfterOverride({})},
        FolderCase{"FourCharacters", [](HealthyMachine& m) { EnableOverride(m, L"C:\\x"); }, 0,
                   NoFolder,
                   AfterOverride({{"ERROR", "The Install Location Path is IncorrectC:\\x"}})},
        // Not 1: no override and no message.
        FolderCase{"SwitchTwo",
                   [](HealthyMachine& m) { m.ReleaseKey().SetDword(L"EnablePathOverride", 2); }, 0,
                   VersionFolder, Messages{SessionWarning(kNoSession)}},
        FolderCase{"SwitchAsString",
                   [](HealthyMachine& m) { m.ReleaseKey().SetString(L"EnablePathOverride", L"1"); },
                   0, VersionFolder, Messages{SessionWarning(kNoSession)}},
        // Too long for the 32-bit read: the switch cannot be read at all.
        FolderCase{"SwitchOfEightBytes",
                   [](HealthyMachine& m) { m.ReleaseKey().SetQword(L"EnablePathOverride", 1); }, 0,
                   VersionFolder, AfterNoOverride({})}),
    [](const auto& info) { return std::string(info.param.name); });

// Failures of the existence query other than absence, which Wine does not produce here.
std::wstring deniedPath;

std::uint32_t BadNetPath(const std::wstring&) { return ERROR_BAD_NETPATH; }
std::uint32_t DenyOnePath(const std::wstring& path) {
    return path == deniedPath ? ERROR_ACCESS_DENIED : realStatusQuery(path);
}

TEST_F(FolderStep, BadNetworkPathMeansTheRootIsAbsent) {
    tsc::seams::statusQuery = &BadNetPath;
    const Outcome outcome = Lock();
    EXPECT_EQ(outcome.status, 12);
    EXPECT_EQ(outcome.messages,
              (Messages{kNoCustomPath,
                        {"ERROR", "The Install Location Path is Incorrect" +
                                      Utf8(machine_.InstallRoot()) + ErrorTail(0)},
                        SessionWarning(kNoSession)}));
}

TEST_F(FolderStep, AccessDeniedOnTheVersionFolderNamesTheError) {
    deniedPath = machine_.Folder();
    tsc::seams::statusQuery = &DenyOnePath;
    const Outcome outcome = Lock();
    EXPECT_EQ(outcome.status, 12);
    EXPECT_EQ(outcome.folder, machine_.Folder());
    EXPECT_EQ(outcome.messages,
              (Messages{kNoCustomPath,
                        {"ERROR", "The Version for the Install Path Does Not Exist.1.0" +
                                      ErrorTail(ERROR_ACCESS_DENIED)},
                        SessionWarning(kNoSession)}));
}

TEST_F(FolderStep, TeardownWithoutSessionWarnsOnceAndCallsNothing) {
    ASSERT_EQ(Lock().status, 0);
    recorder_.clear();
    tsctest::LogWatcher log;
    EXPECT_EQ(manager_.Uninitialize(), 0);
    EXPECT_EQ(recorder_.messages(), (Messages{{"WARN", "QUIL SDK wrapper is not initialized"}}));
    EXPECT_TRUE(log.NewLines().empty());
}

// Without a recorded release (never started, or the start was bypassed) both operations
// answer 8 and do nothing at all.
TEST_F(ManagerTest, WithoutReleaseNothingIsDone) {
    ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", L"1");
    ASSERT_EQ(manager_.Initialize(L"2026"), 14);
    recorder_.clear();
    tsctest::LogWatcher log;
    std::wstring folder = L"untouched";
    EXPECT_EQ(manager_.LockInstallLocation(folder), 8);
    EXPECT_EQ(folder, L"untouched");
    EXPECT_EQ(manager_.Uninitialize(), 8);
    EXPECT_TRUE(recorder_.messages().empty());
    EXPECT_TRUE(log.NewLines().empty());
}

// With a real session (the signed stand-in SDK).
class LockedSession : public ManagerTest {
  protected:
    void SetUp() override { Start(); }
};

TEST_F(LockedSession, RefusedLockWarnsWithTheLockTextAndStatus) {
    ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_RESULT_LockDirectory", L"-5");
    const Outcome outcome = Lock();
    manager_.Uninitialize();
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.folder, machine_.Folder());
    EXPECT_EQ(outcome.messages, (Messages{kNoCustomPath,
                                          {"WARN", "Failed to lock" + Utf8(machine_.Folder()) +
                                                       "\\, QUIL SDK wrapper status code : -5"}}));
}

struct TeardownCase {
    const char* name;
    const wchar_t* failingExport;  // forced to return `result` by the stand-in, or none
    const wchar_t* result;
    Messages messages;
};

void PrintTo(const TeardownCase& row, std::ostream* out) { *out << row.name; }

class Teardown : public LockedSession, public ::testing::WithParamInterface<TeardownCase> {};

// A failed unlock is reported, and the close still follows.
TEST_P(Teardown, ReportsEachFailureOnItsOwn) {
    ASSERT_EQ(Lock().status, 0);
    recorder_.clear();
    std::optional<ScopedEnvironmentVariable> forced;
    if (GetParam().failingExport != nullptr) {
        forced.emplace(std::wstring(L"QUILSDK_STANDIN_RESULT_") + GetParam().failingExport,
                       GetParam().result);
    }
    EXPECT_EQ(manager_.Uninitialize(), 0);
    EXPECT_EQ(recorder_.messages(), GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, Teardown,
    ::testing::Values(TeardownCase{"None", nullptr, nullptr, {}},
                      TeardownCase{"Unlock",
                                   L"UnLockDirectory",
                                   L"21",
                                   {{"WARN", "Failed to Unlock QUIL SDK wrapper status code:21"}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A refused close leaves the process's wrapper with a session that nothing can end any more,
// so it is refused in a child process of its own; this process closes its session normally.
class RefusedClose : public LockedSession {
  protected:
    // Runs in the child: exits with 0 when the teardown reported the refusal as it should.
    void RefuseAndExit() {
        tsctest::SetEnv(L"QUILSDK_STANDIN_RESULT_Uninitialize", L"-20");
        const Messages expected{
            {"WARN", "Failed to Uninitialize QUIL SDK wrapper status code:-20"}};
        const bool reported = manager_.Uninitialize() == 0 && recorder_.messages() == expected;
        std::exit(reported ? 0 : 1);
    }
};

TEST_F(RefusedClose, WarnsWithTheStatus) {
    ASSERT_EQ(Lock().status, 0);
    recorder_.clear();
    EXPECT_EXIT(RefuseAndExit(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(manager_.Uninitialize(), 0);
    EXPECT_TRUE(recorder_.messages().empty());
}

}  // namespace
