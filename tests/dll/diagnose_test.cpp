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

struct MachineCase : tsctest::Row {
    std::function<void(Scene&)> arrange;
    int step;                 // the tool's first failing step; 0: none
    const char* cause;        // in the failing step's messages, log lines or facts
    const char* libraryLine;  // in what the library itself writes to the log
    bool sessionOpens;        // the library's session start opens a session
    const wchar_t* fixture = L"quilsdk.dll";
    std::vector<std::pair<std::string, Json>> facts = {};  // JSON pointer, value in the report
};

class DiagnoseMachine : public ::testing::TestWithParam<MachineCase> {};

// The tool's first failing step names the cause the library itself acts on: run against the
// built DLL on the same machine, the library refuses for that cause, and on a healthy machine
// it opens a session.
TEST_P(DiagnoseMachine, FirstFailingStepNamesTheLibrarysCause) {
    const MachineCase& row = GetParam();
    Scene scene(row.fixture);
    row.arrange(scene);
    const Diagnosis tool;
    // Both forms name the same first failing step (0: none) with the same summary; the user's
    // wrapper log got only the lines of the tool's session (steps 8 and 10), none of its checks.
    for (const DWORD code : {tool.textRun.exitCode, tool.jsonRun.exitCode})
        EXPECT_EQ(code, DWORD(row.step));
    ASSERT_EQ(tool.json["steps"].size(), 10u);
    EXPECT_EQ(tool.json["exitCode"], row.step);
    EXPECT_EQ(tool.json["firstFailingStep"], row.step == 0 ? Json() : Json(row.step));
    for (int step = 1; step <= 10; ++step) EXPECT_EQ(tool.Step(step)["number"], step);
    for (int step = 1; step <= row.step; ++step)
        EXPECT_EQ(tool.Step(step)["verdict"] == "failed", step == row.step) << step;
    // The whole report when no step failed.
    const Json& step = row.step == 0 ? tool.json : tool.Step(row.step);
    std::string result = "Result: all checks passed: a host can start a session on this machine.";
    if (row.step != 0) {
        const std::string summary = AsPrinted(step["summary"]);
        result = "Result: step " + std::to_string(row.step) + " (" +
                 step["title"].get<std::string>() + ") failed: " + summary;
        EXPECT_NE(tool.textRun.output.find("\r\n  FAILED: " + summary + "\r\n"), std::string::npos);
    }
    EXPECT_TRUE(tool.textRun.output.ends_with(result + "\r\n")) << tool.textRun.output;
    Json expected = tool.Facts(kSession)["logLines"];
    for (const Json& line : tool.Facts(kTeardown)["logLines"]) expected.push_back(line);
    EXPECT_EQ(Json(tool.userLog), expected);
    EXPECT_NE(step.dump().find(row.cause), std::string::npos) << step;
    for (const auto& [pointer, value] : row.facts)
        EXPECT_EQ(tool.json.value(Json::json_pointer(pointer), Json()), value) << pointer;

    tsctest::SdkJournal journal;
    const tsctest::LogWatcher log;
    const tsctest::DttscsdkDll dll;
    // The host's own test: a session, and a folder it can put in front of PATH.
    const bool started = dll.Initialize() && dll.UpdatePath();
    EXPECT_EQ(!journal.SessionId().empty(), row.sessionOpens);
    EXPECT_EQ(started && row.sessionOpens, row.step == 0);
    // The library's lines hold nothing that JSON escapes.
    for (const Json& lines : {Json(log.NewLines()), tool.Facts(kSession)["logLines"]})
        EXPECT_NE(lines.dump().find(row.libraryLine), std::string::npos) << lines;
    dll.Uninitialize();
}

// clang-format off
const MachineCase kMachines[] = {
    {"Healthy", [](Scene&) {}, 0, "", "session id = ", true},
    // Organisation in capitals with a full stop: the publisher match ignores case and extra text.
    {"UpperCaseOrganisation", [](Scene&) {}, 0, "", "session id = ", true, L"quilsdk_upper.dll"},
    // With the override in effect the registry's folder values are not used (Version is missing),
    // and a folder name outside ASCII reaches the lock intact.
    {"OverrideInEffect", [](Scene& s) {
        const auto& folder = s.Keep<tsctest::ScopedDirectory>(tsctest::TempRoot() + L"\\dev tsc \x00FC\x6F22");
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        s.machine.ReleaseKey().DeleteValue(L"Version");
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TSC_PATH_2026", folder.path()); },
     0, "", "session id = ", true},
    // Only the bare decimal id of a live process means a running self-update; anything else in the
    // lock file is shown byte for byte and blocks nothing. Any EnablePathOverride but 1 leaves the
    // override off; it is shown as the number read.
    {"LockIdWithLineEnd", [](Scene& s) {
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 2);
        s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId() + "\r\n"); },
     0, "", "session id = ", true, L"quilsdk.dll",
     {{"/steps/1/facts/enablePathOverride", 2}, {"/steps/3/facts/content", tsctest::OwnProcessId() + "\\x0D\\x0A"},
      {"/steps/3/facts/lockFolderSource", "ProgramData"}}},
    {"LockBinaryAndQuotes", [](Scene& s) {
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 2);
        s.Keep<tsctest::ScopedLockFile>(std::string("\"1\\\xFF\x00", 5)); },
     0, "", "session id = ", true, L"quilsdk.dll",
     {{"/steps/1/facts/enablePathOverride", 2}, {"/steps/3/facts/content", "\"1\\\\\\xFF\\x00"},
      {"/steps/3/facts/lockFolderSource", "ProgramData"}}},
    {"MissingReleaseKey", [](Scene& s) { s.machine.ReleaseKey().DeleteKey(); }, 1, "Failed to open registry key", "", true},
    {"VersionFolderMissing", [](Scene& s) { s.machine.ReleaseKey().SetString(L"Version", L"2.0"); },
     1, "The Version for the Install Path Does Not Exist.2.0", "", true},
    // Quotes, control characters and letters outside ASCII come back unchanged from the JSON form.
    {"OverrideFolderTooShort", [](Scene& s) {
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TSC_PATH_2026", L"\"\t\x00E9\n"); },
     2, "The Install Location Path is Incorrect\\\"\\t\xC3\xA9\\n", "", true},
    {"SdkRegistryValueMissing", [](Scene& s) { s.machine.QuilKey().DeleteValue(L"QUILSDKLocation"); },
     3, "GetDllPath: Failed to read registry!", "GetDllPath: Failed to read registry!", false},
    {"SdkFileMissing", [](Scene& s) { s.machine.QuilKey().SetString(L"QUILSDKLocation", L"C:\\nowhere\\quilsdk.dll"); },
     3, "GetDllPath: expanded Dll Path does not exist!", "GetDllPath: expanded Dll Path does not exist!", false},
    {"SelfUpdateRunning", [](Scene& s) { s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId()); },
     4, "\"running\":true", "[INFO] Load: Self-update is running", false},
    {"Unsigned", [](Scene&) {}, 5, "WinVerifyTrust returned status: -2146762496",
     "WinVerifyTrust returned status: -2146762496", false, L"quilsdk_unsigned.dll"},
    {"AnotherPublisher", [](Scene&) {}, 5, "CertFindCertificateInStore returned ERROR: ",
     "CertFindCertificateInStore returned ERROR: ", false, L"quilsdk_other.dll"},
    // The maker's certificate merely carried in the signature's bag proves nothing.
    {"SmuggledMakerCertificate", [](Scene&) {}, 5, "CertFindCertificateInStore returned ERROR: ",
     "CertFindCertificateInStore returned ERROR: ", false, L"quilsdk_smuggled.dll"},
    {"PathAlreadyNamesSharedFolder", [](Scene& s) {
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"PATH", L"C:\\windows;D:\\Tesmora Shared\\Components\\1.0\\bin;C:\\x"); },
     6, "D:\\\\Tesmora Shared\\\\Components\\\\1.0\\\\bin", "", false},
    {"BypassVariableSet", [](Scene& s) { s.Keep<tsctest::ScopedEnvironmentVariable>(L"TSC_INITIALIZE_BYPASSED", L"0"); },
     7, "\"value\":\"0\"", "", false},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, DiagnoseMachine, ::testing::ValuesIn(kMachines), tsctest::RowName);

// The healthy run in detail: the library's messages are printed under the step that caused
// them, every session the tool opened is closed again, and its temporary log folder is gone.
TEST(Diagnose, HealthyMachineLeavesNothingBehind) {
    const tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    const Diagnosis tool;
    // Step 1 asks the whole resolution, step 2 the override alone: each shows its messages.
    EXPECT_NE(tool.textRun.output.find("\r\nStep 2. Path override\r\n"
                                       "  Library message [FATAL] There is no custom path set\r\n"),
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
