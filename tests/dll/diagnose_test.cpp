// tscdiag.exe run as a support engineer runs it, on a machine set up for each case: its exit
// code, its plain-words report and its JSON report, held against what the library itself does
// on the same machine.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"

namespace {

using Json = nlohmann::json;
using Lines = std::vector<std::string>;
using tsctest::Scene;

constexpr int kSession = 8, kTeardown = 10;
constexpr char kAllPassed[] = "all checks passed: a host can start a session on this machine.";

// The text form shows control characters as \xHH, so that every fact stays on its line.
std::string AsPrinted(const std::string& text) {
    std::string out;
    for (const char c : text)
        out += c >= 0 && c < 0x20 ? std::string("\\x") + "01"[c >> 4] + "0123456789ABCDEF"[c & 15]
                                  : std::string(1, c);
    return out;
}

// A tool that cannot be started fails every test through its empty output and exit code 0.
tsctest::ProgramRun RunTool(const wchar_t* arguments) {
    return tsctest::RunProgram(tsctest::BinDir() + L"\\tscdiag.exe", arguments);
}

// The tool in text form and in JSON form (both must tell the same story), and what the JSON
// run appended to the user's wrapper log.
struct Diagnosis {
    const tsctest::ProgramRun textRun = RunTool(L"");
    const tsctest::LogWatcher log;
    const tsctest::ProgramRun jsonRun = RunTool(L"--json");
    const Lines userLog = log.NewLines();
    const Json json = Json::parse(jsonRun.output);  // throws (the test fails) when malformed
    const Json& Step(int number) const {
        return json["steps"][static_cast<Json::size_type>(number - 1)];
    }
    const Json& Facts(int number) const { return Step(number)["facts"]; }
};

// The system's text for an error code, as the library quotes it.
std::string SystemText(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = text != nullptr ? text : L"";
    LocalFree(text);
    wide.erase(wide.find_last_not_of(L" \t\r\n") + 1);
    return tsctest::Utf8(wide);
}

// "%LOCALAPPDATA%\dttsc-diagnose": a folder that only an expansion of LOCALAPPDATA names.
std::wstring LocalAppDataFolder() {
    return tsctest::GetEnv(L"LOCALAPPDATA").value_or(L"") + L"\\dttsc-diagnose";
}

struct MachineCase : tsctest::Row {
    std::function<void(Scene&)> arrange;
    int step;  // the tool's first failing step, its exit code; 0: none
    // The result line after "Result: ", JSON's text ("{absent}": the system's text for error 0).
    const char* result;
    const char* libraryLine;  // in what the library itself writes to the log
    bool sessionOpens;        // the library's session start opens a session
    bool folderInPath;        // a host's start hands out a folder and puts it in front of PATH
    const wchar_t* fixture = L"quilsdk.dll";
    std::vector<std::pair<std::string, Json>> facts = {};  // JSON pointer, value in the report
};

class DiagnoseMachine : public ::testing::TestWithParam<MachineCase> {};

// The tool's result line names the cause the library itself acts on: run against the built DLL
// on the same machine, the library refuses for that cause, and on a healthy machine it opens a
// session and puts the folder in front of PATH.
TEST_P(DiagnoseMachine, ResultNamesTheCauseTheLibraryActsOn) {
    const MachineCase& row = GetParam();
    Scene scene(row.fixture);
    row.arrange(scene);
    const Diagnosis tool;
    // Both forms name the same first failing step (0: none) with the same result; the user's
    // wrapper log got only the lines of the tool's session (steps 8 and 10), none of its checks.
    for (const DWORD code : {tool.textRun.exitCode, tool.jsonRun.exitCode})
        EXPECT_EQ(code, DWORD(row.step));
    ASSERT_EQ(tool.json["steps"].size(), 10u);
    EXPECT_EQ(tool.json["exitCode"], row.step);
    EXPECT_EQ(tool.json["firstFailingStep"], row.step == 0 ? Json() : Json(row.step));
    for (int step = 1; step <= 10; ++step) EXPECT_EQ(tool.Step(step)["number"], step);
    for (int step = 1; step <= row.step; ++step)
        EXPECT_EQ(tool.Step(step)["verdict"] == "failed", step == row.step) << step;
    const std::string result =
        tsctest::Filled(std::string(row.result), {{"{absent}", SystemText(0)}});
    EXPECT_EQ(tool.json["result"], result);
    EXPECT_TRUE(tool.textRun.output.ends_with("\r\nResult: " + AsPrinted(result) + "\r\n"))
        << tool.textRun.output;
    if (row.step != 0) {
        const std::string summary = AsPrinted(tool.Step(row.step)["summary"]);
        EXPECT_NE(tool.textRun.output.find("\r\n  FAILED: " + summary + "\r\n"), std::string::npos);
    }
    Json toolLines = tool.Facts(kSession)["logLines"];
    for (const Json& line : tool.Facts(kTeardown)["logLines"]) toolLines.push_back(line);
    EXPECT_EQ(Json(tool.userLog), toolLines);
    for (const auto& [pointer, value] : row.facts)
        EXPECT_EQ(tool.json.value(Json::json_pointer(pointer), Json()), value) << pointer;

    tsctest::SdkJournal journal;
    const tsctest::LogWatcher log;
    {
        const tsctest::DttscsdkDll dll;
        EXPECT_EQ(dll.Initialize() && dll.UpdatePath(), row.folderInPath);
        EXPECT_EQ(!journal.SessionId().empty(), row.sessionOpens);
        dll.Uninitialize();
    }
    // The library's lines hold nothing that JSON escapes.
    for (const Json& lines : {Json(log.NewLines()), toolLines})
        EXPECT_NE(lines.dump().find(row.libraryLine), std::string::npos) << lines;
}

// clang-format off
const MachineCase kMachines[] = {
    {"Healthy", [](Scene&) {}, 0, kAllPassed, "session id = ", true, true, L"quilsdk.dll",
     // Without an override the override step's FATAL message says just that, and is no failure.
     {{"/steps/0/diagnostics/0", {{"level", "FATAL"}, {"message", "There is no custom path set"},
                                  {"note", "no path override configured"}}}}},
    // With the override in effect the registry's folder values are not used (Version is missing),
    // and a folder name outside ASCII reaches the lock intact.
    {"OverrideInEffect", [](Scene& s) {
        const auto& folder = s.Keep<tsctest::ScopedDirectory>(tsctest::TempRoot() + L"\\dev tsc \x00FC\x6F22");
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        s.machine.ReleaseKey().DeleteValue(L"Version");
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TSC_PATH_2026", folder.path()); },
     0, kAllPassed, "session id = ", true, true},
    // The checks see the environment the session sees: a recorded path naming %LOCALAPPDATA% is
    // found where the session loads the SDK from.
    {"SdkUnderLocalAppData", [](Scene& s) {
        s.Keep<tsctest::ScopedDirectory>(LocalAppDataFolder());
        s.Keep<tsctest::ScopedFile>(LocalAppDataFolder() + L"\\quilsdk.dll",
                                    *tsctest::ReadFileBytes(tsctest::FixturePath(L"quilsdk.dll")));
        s.machine.QuilKey().SetString(L"QUILSDKLocation", L"%LOCALAPPDATA%\\dttsc-diagnose\\quilsdk.dll", REG_EXPAND_SZ); },
     0, kAllPassed, "session id = ", true, true, L"quilsdk.dll",
     {{"/steps/2/facts/sdkPath", tsctest::Utf8(LocalAppDataFolder() + L"\\quilsdk.dll")}}},
    // Only the bare decimal id of a live process means a running self-update; anything else in the
    // lock file is shown byte for byte and blocks nothing. Any EnablePathOverride but 1 leaves the
    // override off; it is shown as the number read, and one longer than 4 bytes is not read at
    // all, which the override step's message then says.
    {"LockIdWithLineEnd", [](Scene& s) {
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 2);
        s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId() + "\r\n"); },
     0, kAllPassed, "session id = ", true, true, L"quilsdk.dll",
     {{"/steps/1/facts/enablePathOverride", 2}, {"/steps/3/facts/content", tsctest::OwnProcessId() + "\\x0D\\x0A"},
      {"/steps/3/facts/lockFolderSource", "ProgramData"}}},
    {"LockBinaryAndQuotes", [](Scene& s) {
        s.machine.ReleaseKey().SetBinary(L"EnablePathOverride", {1, 0, 0, 0, 0, 0, 0, 0});
        s.Keep<tsctest::ScopedLockFile>(std::string("\"1\\\xFF\x00", 5)); },
     0, kAllPassed, "session id = ", true, true, L"quilsdk.dll",
     {{"/steps/1/diagnostics/0/note", "the path override switch is set but cannot be read as the library asks (see step 2): no override"},
      {"/steps/3/facts/content", "\"1\\\\\\xFF\\x00"},
      {"/steps/3/facts/lockFolderSource", "ProgramData"}}},
    {"MissingReleaseKey", [](Scene& s) { s.machine.ReleaseKey().DeleteKey(); }, 1,
     "step 1 (Release registry values and folders) failed: the library's folder resolution answers status 6: "
     "\"Failed to open registry key\".", "", true, false},
    {"VersionFolderMissing", [](Scene& s) { s.machine.ReleaseKey().SetString(L"Version", L"2.0"); }, 1,
     "step 1 (Release registry values and folders) failed: the library's folder resolution answers status 12: "
     "\"The Version for the Install Path Does Not Exist.2.0 Error Code : {absent}\".", "", true, false},
    // Quotes, control characters and letters outside ASCII come back unchanged from the JSON form.
    {"OverrideFolderTooShort", [](Scene& s) {
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TSC_PATH_2026", L"\"\t\x00E9\n"); }, 2,
     "step 2 (Path override) failed: TSC_PATH_2026 holds \"\"\t\xC3\xA9\n\", which the library rejects: "
     "\"The Install Location Path is Incorrect\"\t\xC3\xA9\n\".", "", true, false},
    {"SdkRegistryValueMissing", [](Scene& s) { s.machine.QuilKey().DeleteValue(L"QUILSDKLocation"); }, 3,
     "step 3 (SDK location) failed: the SDK location lookup finds no file: "
     "\"[ERROR] QUILAPIWrapperImpl::ReadStringFromRegistry: RegQueryValueEx failed!\".",
     "GetDllPath: Failed to read registry!", false, true},
    {"SdkFileMissing", [](Scene& s) { s.machine.QuilKey().SetString(L"QUILSDKLocation", L"C:\\nowhere\\quilsdk.dll"); }, 3,
     "step 3 (SDK location) failed: the SDK location lookup finds no file: "
     "\"[ERROR] QUILAPIWrapperImpl::GetDllPath: expanded Dll Path does not exist!\".",
     "GetDllPath: expanded Dll Path does not exist!", false, true},
    {"SelfUpdateRunning", [](Scene& s) { s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId()); }, 4,
     "step 4 (Self-update of the installer) failed: a self-update of the installer is running: no SDK is "
     "loaded until it ends.", "[INFO] Load: Self-update is running", false, true},
    {"Unsigned", [](Scene&) {}, 5,
     "step 5 (SDK signature and publisher) failed: the library rejects the file: "
     "\"[ERROR] WinVerifyTrust returned status: -2146762496\".",
     "WinVerifyTrust returned status: -2146762496", false, true, L"quilsdk_unsigned.dll"},
    {"AnotherPublisher", [](Scene&) {}, 5,
     "step 5 (SDK signature and publisher) failed: the library rejects the file: "
     "\"[ERROR] CertFindCertificateInStore returned ERROR: 2148081668\".",
     "CertFindCertificateInStore returned ERROR: ", false, true, L"quilsdk_other.dll"},
    // The maker's certificate merely carried in the signature's bag proves nothing.
    {"SmuggledMakerCertificate", [](Scene&) {}, 5,
     "step 5 (SDK signature and publisher) failed: the library rejects the file: "
     "\"[ERROR] CertFindCertificateInStore returned ERROR: 2148081668\".",
     "CertFindCertificateInStore returned ERROR: ", false, true, L"quilsdk_smuggled.dll"},
    {"PathAlreadyNamesSharedFolder", [](Scene& s) {
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"PATH", L"C:\\windows;D:\\Tesmora Shared\\Components\\1.0\\bin;C:\\x"); }, 6,
     "step 6 (PATH before the start) failed: PATH already names Tesmora Shared\\Components, so the library "
     "refuses to start a second time in this process.", "", false, false, L"quilsdk.dll",
     {{"/steps/5/facts/entries", Json::array({"D:\\Tesmora Shared\\Components\\1.0\\bin"})}}},
    {"BypassVariableSet", [](Scene& s) { s.Keep<tsctest::ScopedEnvironmentVariable>(L"TSC_INITIALIZE_BYPASSED", L"0"); }, 7,
     "step 7 (Bypass variable) failed: TSC_INITIALIZE_BYPASSED is set (any value counts, even 0 or empty): the "
     "library skips the whole start.", "", false, false, L"quilsdk.dll", {{"/steps/6/facts/value", "0"}}},
    // The installer service's own refusals, as the stand-in SDK answers them.
    {"SessionRefused", [](Scene& s) { s.Keep<tsctest::ScopedEnvironmentVariable>(L"QUILSDK_STANDIN_RESULT_Initialize", L"5"); }, 8,
     "step 8 (Session start and folder lock (dtutInitializeTSC)) failed: the folder was resolved, but the "
     "installer service refused the session: its Initialize answered status 5.",
     "QUIL SDK loaded successfully", false, true},
    {"LockRefused", [](Scene& s) { s.Keep<tsctest::ScopedEnvironmentVariable>(L"QUILSDK_STANDIN_RESULT_LockDirectory", L"24"); }, 8,
     "step 8 (Session start and folder lock (dtutInitializeTSC)) failed: a session opened, but the folder is not "
     "locked (wrapper status 24): \"[ERROR] QUILAPIWrapperImpl::LockDirectory: API returned error code 24\".",
     "LockDirectory: API returned error code 24", true, true, L"quilsdk.dll", {{"/steps/7/facts/folderLocked", false}}},
    {"PathEmpty", [](Scene& s) { s.Keep<tsctest::ScopedEnvironmentVariable>(L"PATH", L""); }, 9,
     "step 9 (PATH update (dtutUpdatePathForTSC)) failed: dtutUpdatePathForTSC answered false: PATH is empty or "
     "not set in this process, so there is nothing to put the folder in front of.", "session id = ", true, false},
    {"UnlockRefused", [](Scene& s) { s.Keep<tsctest::ScopedEnvironmentVariable>(L"QUILSDK_STANDIN_RESULT_UnLockDirectory", L"24"); }, 10,
     "step 10 (Unlock, session end and unload (dtutUninitializeTSC)) failed: the session ended, but the teardown "
     "failed: \"Failed to Unlock QUIL SDK wrapper status code:24\".",
     "UnLockDirectory: API returned error code 24", true, true},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, DiagnoseMachine, ::testing::ValuesIn(kMachines), tsctest::RowName);

// The healthy run in detail: the library's messages are printed under the step that caused
// them, every session the tool opened is closed again, and its temporary log folder is gone.
TEST(Diagnose, HealthyMachineLeavesNothingBehind) {
    const tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    const Diagnosis tool;
    // The report says what was looked at: the tool's version (the library code it runs) and the
    // DLL beside it, which an application in that folder loads (the build's own, also when the
    // other tests drive a packaged copy).
    const std::string dll = tsctest::Utf8(tsctest::BinDir() + L"\\dttscsdk.dll");
    EXPECT_TRUE(tool.textRun.output.starts_with(
        "tscdiag 1.0.0: shared components of release 2026 and the installer-service session\r\n"
        "Library diagnosed: " +
        dll + ", file version 1.0.0.0\r\n\r\n"));
    EXPECT_EQ(tool.json["toolVersion"], "1.0.0");
    EXPECT_EQ(tool.json["formatVersion"], 2);
    EXPECT_EQ(tool.json["library"],
              Json({{"file", dll}, {"found", true}, {"fileVersion", "1.0.0.0"}}));
    // Step 1 asks the whole resolution, step 2 the override alone: each shows its messages.
    EXPECT_NE(tool.textRun.output.find("\r\nStep 2. Path override\r\n"
                                       "  Library message [FATAL] There is no custom path set "
                                       "(no path override configured)\r\n"),
              std::string::npos);
    EXPECT_EQ(tool.Facts(1)["versionFolder"], tsctest::Utf8(machine.Folder()));
    const Json& chain = tool.Facts(5)["chain"];
    EXPECT_EQ(chain.size(), 3u) << "signer, intermediate, root";
    EXPECT_TRUE(chain[0]["namesPublisher"] && chain[0]["carriedInSignature"]) << chain;
    EXPECT_EQ(tool.Facts(kSession)["folder"], tsctest::Utf8(machine.Folder()));
    EXPECT_TRUE(tool.Facts(kSession)["folderLocked"]);
    // The text run and the JSON run each opened one session, the checks none.
    EXPECT_EQ(
        journal.Exports(),
        (Lines{"Initialize", "ReleaseMemory", "LockDirectory", "UnLockDirectory", "Uninitialize",
               "Initialize", "ReleaseMemory", "LockDirectory", "UnLockDirectory", "Uninitialize"}));
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        EXPECT_FALSE(entry.path().filename().wstring().starts_with(L"tscdiag-"))
            << "the checks' temporary log folder is removed";
}

TEST(Diagnose, UnknownOptionIsAUsageError) {
    const tsctest::ProgramRun run = RunTool(L"--jsn");
    EXPECT_EQ(run.exitCode, 64u);
    EXPECT_TRUE(run.output.empty()) << "usage goes to standard error";
}

}  // namespace
