// What the folder resolution, the lock and the teardown report through the diagnostic sink, and
// the statuses behind the exports' bool answers. Each test runs its own manager.
#include <gtest/gtest.h>

#include <functional>

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
using tsctest::Utf8;
using Messages = std::vector<Diagnostic>;
using SetUp = std::function<void(HealthyMachine&)>;

const Diagnostic kNoCustomPath{"FATAL", "There is no custom path set"};
const Diagnostic kOverrideOn{"INFO", "EnablePathOverride is set to 1"};
const Diagnostic kInstallPathUnreadable{"FATAL", "Failed to read InstallPath registry entry"};
const Diagnostic kVersionUnreadable{"FATAL", "Failed to read Version from registry entry"};
const Diagnostic kVersionEmpty{"FATAL", "Entry for Version in Registry is Empty."};
const Diagnostic kNotInitialized{"WARN", "QUIL SDK wrapper is not initialized"};
Diagnostic Warn(const std::string& what, int status) {
    return {"WARN", what + " QUIL SDK wrapper status code:" + std::to_string(status)};
}
Diagnostic NoSession(int status) { return Warn("Failed to intialize", status); }
Diagnostic LockFailed(int status) {
    return {"WARN",
            "Failed to lock{folder}\\, QUIL SDK wrapper status code : " + std::to_string(status)};
}
// An existence message; code 0 (simply not there) gives the text for success.
Diagnostic RootMissing(const std::string& root, std::uint32_t code = 0) {
    return {"ERROR", "The Install Location Path is Incorrect" + root +
                         " Error Code : " + SystemErrorText(code)};
}
Diagnostic VersionMissing(const std::string& version, std::uint32_t code = 0) {
    return {"ERROR", "The Version for the Install Path Does Not Exist." + version +
                         " Error Code : " + SystemErrorText(code)};
}

// The messages with "{root}" and "{folder}" of the machine filled in.
Messages Filled(Messages messages, const HealthyMachine& m) {
    for (Diagnostic& d : messages)
        d.message = tsctest::Filled(
            d.message, {{"{root}", Utf8(m.InstallRoot())}, {"{folder}", Utf8(m.Folder())}});
    return messages;
}

std::uint32_t (*const realStatusQuery)(const std::wstring&) = tsc::seams::statusQuery;

class ManagerTest : public ::testing::Test {
  protected:
    void TearDown() override { tsc::seams::statusQuery = realStatusQuery; }
    HealthyMachine machine_;
    tsctest::DiagnosticRecorder recorder_;
    TscComponentManager manager_;
};

// A self-update of the installer is running, so the session fails with wrapper status 8 whatever
// the folder: the location steps speak, then the lock step warns that it had no session.
struct FolderCase : tsctest::Row {
    SetUp setUp;
    std::int32_t status;
    std::string folder;  // handed out; "{root}" stands for the installation root
    Messages messages;   // before the lock step's warning
};

class FolderSteps : public ManagerTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderSteps, StatusFolderAndMessages) {
    const FolderCase& row = GetParam();
    const tsctest::ScopedLockFile selfUpdate(tsctest::OwnProcessId());
    ASSERT_EQ(manager_.Initialize(L"2026"), 0);
    EXPECT_EQ(recorder_.messages(), Messages{NoSession(8)});
    recorder_.clear();
    row.setUp(machine_);
    std::wstring handedOut;
    EXPECT_EQ(manager_.LockInstallLocation(handedOut), row.status);
    EXPECT_EQ(Utf8(handedOut),
              tsctest::Filled(row.folder, {{"{root}", Utf8(machine_.InstallRoot())}}));
    Messages expected = Filled(row.messages, machine_);
    expected.push_back(NoSession(8));
    EXPECT_EQ(recorder_.messages(), expected);
    manager_.Uninitialize();
}

// 259 units fit the read buffer with the terminator, 260 do not.
std::wstring Long(std::size_t length, std::wstring text = L"C:\\dttsc-missing") {
    while (text.size() < length) text += (text.size() % 50 == 0) ? L'\\' : L'x';
    return text;
}
const std::wstring kNonLatinRoot =
    L"C:\\dttsc-missing\\\u041a\u043e\u043c\u043f-\u7d44\u4ef6-\u00fc";
SetUp Set(const wchar_t* name, const std::wstring& text) {
    return [=](HealthyMachine& m) { m.ReleaseKey().SetString(name, text); };
}
SetUp Delete(const wchar_t* name) {
    return [=](HealthyMachine& m) { m.ReleaseKey().DeleteValue(name); };
}
SetUp Switch(DWORD type, std::vector<std::uint8_t> bytes) {
    return [=](HealthyMachine& m) { m.ReleaseKey().SetBinary(L"EnablePathOverride", bytes, type); };
}
SetUp Override(std::optional<std::wstring> value) {
    return [=](HealthyMachine& m) {
        m.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        tsctest::SetEnv(L"TSC_PATH_2026", value);
    };
}
const SetUp kHealthy = [](HealthyMachine&) {};
const std::string kVersion = "{root}\\1.0";
const Diagnostic kTooShort{"ERROR", "The Install Location Path is IncorrectC:\\x"};

// clang-format off
const FolderCase kRegistryCases[] = {
    {"VersionFolderFound",           kHealthy,                     0, kVersion, {kNoCustomPath}},
    {"KeyMissing",                   [](HealthyMachine& m) { m.ReleaseKey().DeleteKey(); }, 6, "", {kNoCustomPath, {"FATAL", "Failed to open registry key"}}},
    {"InstallPathMissing",           Delete(L"InstallPath"),       6, "", {kNoCustomPath, kInstallPathUnreadable}},
    {"InstallPathOf260Units",        Set(L"InstallPath", Long(260)), 6, "", {kNoCustomPath, kInstallPathUnreadable}},
    {"InstallPathOf259UnitsMissing", Set(L"InstallPath", Long(259)), 12, "", {kNoCustomPath, RootMissing(Utf8(Long(259)))}},
    {"NonLatinRootMissing",          Set(L"InstallPath", kNonLatinRoot), 12, "", {kNoCustomPath, RootMissing(Utf8(kNonLatinRoot))}},
    // A value stored without its terminator ends with its data.
    {"InstallPathWithoutTerminator", [](HealthyMachine& m) {
        m.ReleaseKey().SetBinary(L"InstallPath", tsctest::TextBytes(m.InstallRoot(), m.InstallRoot().size() * 2), REG_SZ); },
                                                                   0, kVersion, {kNoCustomPath}},
    {"VersionMissing",               Delete(L"Version"),           6, "", {kNoCustomPath, kVersionUnreadable}},
    {"VersionOf260Units",            Set(L"Version", Long(260, L"v")), 6, "", {kNoCustomPath, kVersionUnreadable}},
    // The composed folder is kept and handed back although it does not exist.
    {"VersionOf259UnitsMissing",     Set(L"Version", Long(259, L"v")), 12, "{root}\\" + Utf8(Long(259, L"v")), {kNoCustomPath, VersionMissing(Utf8(Long(259, L"v")))}},
    {"VersionEmptyText",             Set(L"Version", L""),        13, "", {kNoCustomPath, kVersionEmpty}},
    {"VersionWithoutData",           [](HealthyMachine& m) { m.ReleaseKey().SetBinary(L"Version", {}, REG_SZ); }, 13, "", {kNoCustomPath, kVersionEmpty}},
    // Failures of the existence query other than absence, which Wine does not produce here: a
    // network path that is not found means absent, any other failure is named.
    {"RootOnAMissingNetworkPath", [](HealthyMachine&) {
        tsc::seams::statusQuery = [](const std::wstring&) -> std::uint32_t { return ERROR_BAD_NETPATH; }; },
                                                                   12, "", {kNoCustomPath, RootMissing("{root}")}},
    {"VersionFolderAccessDenied", [](HealthyMachine& m) {
        static std::wstring denied;
        denied = m.Folder();
        tsc::seams::statusQuery = [](const std::wstring& path) {
            return path == denied ? std::uint32_t{ERROR_ACCESS_DENIED} : realStatusQuery(path); }; },
                                                                   12, kVersion, {kNoCustomPath, VersionMissing("1.0", ERROR_ACCESS_DENIED)}},
};
INSTANTIATE_TEST_SUITE_P(Registry, FolderSteps, ::testing::ValuesIn(kRegistryCases), tsctest::RowName);

const FolderCase kOverrideCases[] = {
    // Taken as it is, without any existence test; 4 characters are too few.
    {"FromVariable",      Override(L"E:\\dev\\tsc"),           0, "E:\\dev\\tsc", {kOverrideOn}},
    {"VariableUnset",     Override(std::nullopt),              0, kVersion,       {kOverrideOn}},
    {"FourCharacters",    Override(L"C:\\x"),                  0, "",             {kOverrideOn, kTooShort}},
    // Not 1: no override and no message. More than 4 bytes: cannot be read at all.
    {"SwitchTwo",         Switch(REG_DWORD, {2, 0, 0, 0}),     0, kVersion, {}},
    {"SwitchAsString",    Set(L"EnablePathOverride", L"1"),    0, kVersion, {}},
    {"SwitchOfFiveBytes", Switch(REG_BINARY, {1, 0, 0, 0, 0}), 0, kVersion, {kNoCustomPath}},
};
INSTANTIATE_TEST_SUITE_P(Override, FolderSteps, ::testing::ValuesIn(kOverrideCases), tsctest::RowName);
// clang-format on

// With a real session (the signed stand-in SDK), whose start, lock, unlock or close the stand-in
// refuses on demand: the messages of the whole start and teardown.
struct WarningCase : tsctest::Row {
    const wchar_t* fixture;  // X for quilsdk_X.dll; null for the trusted quilsdk.dll
    const wchar_t* setting;  // QUILSDK_STANDIN_<setting>
    const wchar_t* value;
    Messages messages;
};

class SessionWarnings : public ManagerTest, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(SessionWarnings, OfTheWholeSession) {
    const WarningCase& row = GetParam();
    if (row.fixture) {
        machine_.QuilKey().SetString(
            L"QUILSDKLocation",
            tsctest::FixturePath(L"quilsdk_" + std::wstring(row.fixture) + L".dll"));
    }
    const tsctest::ScopedEnvironmentVariable refuse(L"QUILSDK_STANDIN_" + std::wstring(row.setting),
                                                    row.value);
    std::wstring folder;
    EXPECT_EQ(manager_.Initialize(L"2026"), 0);
    EXPECT_EQ(manager_.LockInstallLocation(folder), 0);
    EXPECT_EQ(folder, machine_.Folder());
    EXPECT_EQ(manager_.Uninitialize(), 0);
    EXPECT_EQ(recorder_.messages(), Filled(row.messages, machine_));
}

// clang-format off
const WarningCase kWarningCases[] = {
    {"None",              nullptr, L"UNUSED", L"1",                  {kNoCustomPath}},
    // The lock is skipped with the start's status; the teardown finds no session to end.
    {"StartRefused",      nullptr, L"RESULT_Initialize", L"-77",     {NoSession(-77), kNoCustomPath, NoSession(-77), kNotInitialized}},
    {"WithoutInitialize", L"no_Initialize", L"UNUSED", L"1",         {NoSession(4), kNoCustomPath, NoSession(4), kNotInitialized}},
    // The SDK's own 2 reads as "already open": no warning, and the lock is attempted (with no
    // session id, so the stand-in refuses it).
    {"StartAnsweredTwo",  nullptr, L"RESULT_Initialize", L"2",       {kNoCustomPath, LockFailed(20), kNotInitialized}},
    {"LockRefused",       nullptr, L"RESULT_LockDirectory", L"-5",   {kNoCustomPath, LockFailed(-5)}},
    {"WithoutLock",       L"no_LockDirectory", L"UNUSED", L"1",      {kNoCustomPath, LockFailed(4)}},
    // A refused unlock does not keep the close from following.
    {"UnlockRefused",     nullptr, L"RESULT_UnLockDirectory", L"21", {kNoCustomPath, Warn("Failed to Unlock", 21)}},
    {"WithoutUnlock",     L"no_UnLockDirectory", L"UNUSED", L"1",    {kNoCustomPath, Warn("Failed to Unlock", 4)}},
    {"CloseRefused",      nullptr, L"RESULT_Uninitialize", L"-20",   {kNoCustomPath, Warn("Failed to Uninitialize", -20)}},
    {"WithoutClose",      L"no_Uninitialize", L"UNUSED", L"1",       {kNoCustomPath, Warn("Failed to Uninitialize", 4)}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Refusals, SessionWarnings, ::testing::ValuesIn(kWarningCases),
                         tsctest::RowName);

// A bypassed start records no release: both later operations answer 8 and do nothing at all.
TEST_F(ManagerTest, BypassedStartLeavesNothingToDo) {
    const tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", L"");
    const tsctest::LogWatcher log;
    EXPECT_EQ(manager_.Initialize(L"2026"), 14);
    std::wstring folder = L"untouched";
    EXPECT_EQ(manager_.LockInstallLocation(folder), 8);
    EXPECT_EQ(folder, L"untouched");
    EXPECT_EQ(manager_.Uninitialize(), 8);
    EXPECT_EQ(recorder_.messages(), (Messages{{"INFO", "Intialize is bypassed"}}));
    EXPECT_TRUE(log.NewLines().empty());
}

}  // namespace
