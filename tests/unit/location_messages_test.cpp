// What the folder resolution, the lock and the teardown report through the diagnostic sink,
// and the statuses behind the exports' bool answers. Each test runs its own manager.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "entry/tsc_component_manager.h"
#include "location/location_seams.h"
#include "location/system_error_text.h"
#include "support/diagnostic_recorder.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/table.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::Diagnostic;
using tsctest::HealthyMachine;
using tsctest::ScopedEnvironmentVariable;
using tsctest::Utf8;
using Messages = std::vector<Diagnostic>;

const Diagnostic kNoCustomPath{"FATAL", "There is no custom path set"};
const Diagnostic kOverrideOn{"INFO", "EnablePathOverride is set to 1"};
const Diagnostic kInstallPathUnreadable{"FATAL", "Failed to read InstallPath registry entry"};
const Diagnostic kVersionUnreadable{"FATAL", "Failed to read Version from registry entry"};
const Diagnostic kVersionEmpty{"FATAL", "Entry for Version in Registry is Empty."};
const Diagnostic kNoSession{"WARN", "Failed to intialize QUIL SDK wrapper status code:8"};

// The tail of an existence message: code 0 (simply not there) gives the text for success.
std::string ErrorTail(std::uint32_t code) { return " Error Code : " + SystemErrorText(code); }
Diagnostic RootMissing(const std::wstring& root, std::uint32_t code = 0) {
    return {"ERROR", "The Install Location Path is Incorrect" + Utf8(root) + ErrorTail(code)};
}
Diagnostic VersionMissing(const std::string& version, std::uint32_t code = 0) {
    return {"ERROR",
            "The Version for the Install Path Does Not Exist." + version + ErrorTail(code)};
}

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

    HealthyMachine machine_;
    tsctest::DiagnosticRecorder recorder_;
    TscComponentManager manager_;
};

// A self-update of the installer is running (this process's id is in the installer's lock
// file), so every session attempt fails with wrapper status 8 whatever the folder: the location
// steps speak, then the lock step warns that it had no session to lock with.
class FolderStep : public ManagerTest {
  protected:
    void SetUp() override { Start(); }
    void TearDown() override {
        manager_.Uninitialize();
        ManagerTest::TearDown();
    }
    tsctest::ScopedLockFile selfUpdate_{tsctest::OwnProcessId()};
};

// Missing folders. 259 units fit the read buffer with the terminator, 260 do not.
std::wstring RootOfLength(size_t length) {
    std::wstring root = L"C:\\dttsc-missing";
    while (root.size() < length) root += (root.size() % 50 == 0) ? L'\\' : L'x';
    return root;
}
const std::wstring kNonLatinRoot =
    L"C:\\dttsc-missing\\\u041a\u043e\u043c\u043f-\u7d44\u4ef6-\u00fc";

// Changes to the release's registry values (and the override variable) for one row.
using SetUp = std::function<void(HealthyMachine&)>;
SetUp Set(const wchar_t* name, const std::wstring& text) {
    return [=](HealthyMachine& m) { m.ReleaseKey().SetString(name, text); };
}
SetUp Raw(const wchar_t* name, DWORD type, const std::vector<std::uint8_t>& data) {
    return [=](HealthyMachine& m) { m.ReleaseKey().SetBinary(name, data, type); };
}
SetUp Delete(const wchar_t* name) {
    return [=](HealthyMachine& m) { m.ReleaseKey().DeleteValue(name); };
}
void Nothing(HealthyMachine&) {}
void DeleteKey(HealthyMachine& m) { m.ReleaseKey().DeleteKey(); }
// A value stored without its terminator ends with its data.
void InstallPathUnterminated(HealthyMachine& m) {
    const std::wstring& root = m.InstallRoot();
    m.ReleaseKey().SetBinary(L"InstallPath", tsctest::TextBytes(root, root.size() * 2), REG_SZ);
}
SetUp Override(const std::optional<std::wstring>& variable) {
    return [=](HealthyMachine& m) {
        m.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        tsctest::SetEnv(L"TSC_PATH_2026", variable);
    };
}

struct FolderCase : tsctest::Row {
    SetUp setUp;
    std::int32_t status;
    std::wstring folder;               // handed out; "{root}" stands for the installation root
    Messages messages;                 // between the override's report and the lock step's warning
    Diagnostic first = kNoCustomPath;  // the override's report; empty for none
};

class FolderSteps : public FolderStep, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderSteps, StatusFolderAndMessages) {
    const FolderCase& row = GetParam();
    row.setUp(machine_);
    Messages expected = row.messages;
    if (!row.first.level.empty()) expected.insert(expected.begin(), row.first);
    expected.push_back(kNoSession);
    std::wstring folder = row.folder;
    if (folder.rfind(L"{root}", 0) == 0) folder.replace(0, 6, machine_.InstallRoot());
    const Outcome outcome = Lock();
    EXPECT_EQ(outcome.status, row.status);
    EXPECT_EQ(outcome.folder, folder);
    EXPECT_EQ(outcome.messages, expected);
}

const std::wstring kVersion = L"{root}\\1.0";
constexpr wchar_t kSwitch[] = L"EnablePathOverride";
const Diagnostic kSilent{"", ""};
const Diagnostic kTooShort{"ERROR", "The Install Location Path is IncorrectC:\\x"};

// clang-format off
const FolderCase kRegistryCases[] = {
    {"VersionFolderFound",    Nothing,                                 0, kVersion, {}},
    {"KeyMissing",            DeleteKey,                               6, L"", {{"FATAL", "Failed to open registry key"}}},
    {"InstallPathMissing",    Delete(L"InstallPath"),                  6, L"", {kInstallPathUnreadable}},
    {"InstallPathOf260Units", Set(L"InstallPath", RootOfLength(260)),  6, L"", {kInstallPathUnreadable}},
    {"InstallPathOf259UnitsMissing", Set(L"InstallPath", RootOfLength(259)), 12, L"", {RootMissing(RootOfLength(259))}},
    {"NonLatinRootMissing",   Set(L"InstallPath", kNonLatinRoot),     12, L"", {RootMissing(kNonLatinRoot)}},
    {"InstallPathWithoutTerminator", InstallPathUnterminated,         0, kVersion, {}},
    {"VersionMissing",        Delete(L"Version"),                      6, L"", {kVersionUnreadable}},
    {"VersionEmptyText",      Set(L"Version", L""),                   13, L"", {kVersionEmpty}},
    {"VersionWithoutData",    Raw(L"Version", REG_SZ, {}),            13, L"", {kVersionEmpty}},
    // The composed folder is kept and handed back although it does not exist.
    {"VersionFolderMissing",  Set(L"Version", L"9.9"),                12, L"{root}\\9.9", {VersionMissing("9.9")}},
};
INSTANTIATE_TEST_SUITE_P(Registry, FolderSteps, ::testing::ValuesIn(kRegistryCases), tsctest::RowName);

const FolderCase kOverrideCases[] = {
    // Taken as it is, without any existence test; 4 characters are too few.
    {"FromVariable",       Override(L"E:\\dev\\tsc"), 0, L"E:\\dev\\tsc", {}, kOverrideOn},
    {"VariableUnset",      Override(std::nullopt),    0, kVersion,        {}, kOverrideOn},
    {"FourCharacters",     Override(L"C:\\x"),        0, L"",             {kTooShort}, kOverrideOn},
    // Not 1: no override and no message. Too long for the 32-bit read: cannot be read at all.
    {"SwitchTwo",          Raw(kSwitch, REG_DWORD, {2, 0, 0, 0}),             0, kVersion, {}, kSilent},
    {"SwitchAsString",     Set(kSwitch, L"1"),                                0, kVersion, {}, kSilent},
    {"SwitchOfEightBytes", Raw(kSwitch, REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}), 0, kVersion, {}},
};
INSTANTIATE_TEST_SUITE_P(Override, FolderSteps, ::testing::ValuesIn(kOverrideCases), tsctest::RowName);
// clang-format on

// Failures of the existence query other than absence, which Wine does not produce here: a
// network path that is not found means absent, any other failure is named.
TEST_F(FolderStep, BadNetworkPathMeansTheRootIsAbsent) {
    tsc::seams::statusQuery = [](const std::wstring&) -> std::uint32_t {
        return ERROR_BAD_NETPATH;
    };
    const Outcome outcome = Lock();
    EXPECT_EQ(outcome.status, 12);
    EXPECT_EQ(outcome.messages,
              (Messages{kNoCustomPath, RootMissing(machine_.InstallRoot()), kNoSession}));
}

std::wstring deniedPath;

TEST_F(FolderStep, AccessDeniedOnTheVersionFolderNamesTheError) {
    deniedPath = machine_.Folder();
    tsc::seams::statusQuery = [](const std::wstring& path) {
        return path == deniedPath ? static_cast<std::uint32_t>(ERROR_ACCESS_DENIED)
                                  : realStatusQuery(path);
    };
    const Outcome outcome = Lock();
    EXPECT_EQ(outcome.status, 12);
    EXPECT_EQ(outcome.folder, machine_.Folder());
    EXPECT_EQ(outcome.messages,
              (Messages{kNoCustomPath, VersionMissing("1.0", ERROR_ACCESS_DENIED), kNoSession}));
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
    const ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", L"1");
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

// With a real session (the signed stand-in SDK), whose lock, unlock or close the stand-in
// refuses on demand: each failure is reported on its own, and the teardown goes on.
class LockedSession : public ManagerTest {
  protected:
    void SetUp() override { Start(); }
    // Runs in a child process (a refused close leaves a session nothing can end any more):
    // exits with 0 when the teardown reported the refusal as it should.
    void RefuseCloseAndExit() {
        tsctest::SetEnv(L"QUILSDK_STANDIN_RESULT_Uninitialize", L"-20");
        const Messages expected{
            {"WARN", "Failed to Uninitialize QUIL SDK wrapper status code:-20"}};
        std::exit(manager_.Uninitialize() == 0 && recorder_.messages() == expected ? 0 : 1);
    }
};

TEST_F(LockedSession, RefusedLockWarnsWithTheLockTextAndStatus) {
    const ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_RESULT_LockDirectory", L"-5");
    const Outcome outcome = Lock();
    manager_.Uninitialize();
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.folder, machine_.Folder());
    EXPECT_EQ(outcome.messages, (Messages{kNoCustomPath,
                                          {"WARN", "Failed to lock" + Utf8(machine_.Folder()) +
                                                       "\\, QUIL SDK wrapper status code : -5"}}));
}

TEST_F(LockedSession, RefusedUnlockWarnsAndTheCloseFollows) {
    ASSERT_EQ(Lock().status, 0);
    recorder_.clear();
    const ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_RESULT_UnLockDirectory", L"21");
    EXPECT_EQ(manager_.Uninitialize(), 0);
    EXPECT_EQ(recorder_.messages(),
              (Messages{{"WARN", "Failed to Unlock QUIL SDK wrapper status code:21"}}));
}

TEST_F(LockedSession, RefusedCloseWarnsWithTheStatus) {
    ASSERT_EQ(Lock().status, 0);
    recorder_.clear();
    EXPECT_EXIT(RefuseCloseAndExit(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(manager_.Uninitialize(), 0);
    EXPECT_TRUE(recorder_.messages().empty()) << "a clean teardown reports nothing";
}

}  // namespace
