// tscdiag.exe run as a support engineer runs it, on a machine set up for each case: its exit
// code, its plain-words report and its JSON report, held against what the library itself does
// on the same machine.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/program_run.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"

namespace {

using Json = nlohmann::json;
using Lines = std::vector<std::string>;
using tsctest::Scene;
using tsctest::ScopedEnvironmentVariable;

constexpr int kSession = 8;
constexpr int kTeardown = 10;

Lines LinesOf(const std::string& text) {
    Lines lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        lines.push_back(text.substr(begin, end - begin));
    }
    return lines;
}

// The text form shows control characters as \xHH, so that every fact stays on its line.
std::string AsPrinted(const std::string& text) {
    std::string out;
    for (const char c : text) {
        char escaped[8] = {c};
        if (static_cast<unsigned char>(c) < 0x20)
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", c);
        out += escaped;
    }
    return out;
}

struct Diagnosis {
    DWORD textExit = 0;
    Lines text;
    DWORD jsonExit = 0;
    Json json;
    // What the JSON run appended to the user's wrapper log.
    Lines userLog;
    const Json& Step(int number) const { return json["steps"][number - 1]; }
    const Json& Facts(int number) const { return Step(number)["facts"]; }
};

tsctest::ProgramRun RunTool(const wchar_t* arguments) {
    const tsctest::ProgramRun run =
        tsctest::RunProgram(tsctest::BinDir() + L"\\tscdiag.exe", arguments);
    EXPECT_TRUE(run.started) << "tscdiag.exe could not be started";
    return run;
}

// The tool in text form and in JSON form: both must tell the same story.
Diagnosis Diagnose() {
    Diagnosis diagnosis;
    const tsctest::ProgramRun text = RunTool(L"");
    diagnosis.textExit = text.exitCode;
    diagnosis.text = LinesOf(text.output);
    const tsctest::LogWatcher log;
    const tsctest::ProgramRun run = RunTool(L"--json");
    diagnosis.userLog = log.NewLines();
    diagnosis.jsonExit = run.exitCode;
    try {
        diagnosis.json = Json::parse(run.output);
    } catch (const Json::exception& error) {
        ADD_FAILURE() << "--json printed no well-formed JSON: " << error.what() << "\n"
                      << run.output;
    }
    return diagnosis;
}

// Both forms name the same first failing step (0: none) with the same summary; the user's
// wrapper log got only the lines of the tool's session (steps 8 and 10), none of its checks.
void ExpectOutcome(const Diagnosis& diagnosis, int number) {
    EXPECT_EQ(diagnosis.textExit, static_cast<DWORD>(number));
    EXPECT_EQ(diagnosis.jsonExit, static_cast<DWORD>(number));
    ASSERT_EQ(diagnosis.json["steps"].size(), 10u);
    EXPECT_EQ(diagnosis.json["exitCode"], number);
    for (int step = 1; step <= 10; ++step) {
        EXPECT_EQ(diagnosis.Step(step)["number"], step);
        if (step <= number) {
            EXPECT_EQ(diagnosis.Step(step)["verdict"] == "failed", step == number) << step;
        }
    }
    ASSERT_FALSE(diagnosis.text.empty());
    if (number == 0) {
        EXPECT_TRUE(diagnosis.json["firstFailingStep"].is_null());
        EXPECT_EQ(diagnosis.text.back(),
                  "Result: all checks passed: a host can start a session on this machine.");
    } else {
        const Json& failed = diagnosis.Step(number);
        const std::string summary = AsPrinted(failed["summary"]);
        EXPECT_EQ(diagnosis.json["firstFailingStep"], number);
        EXPECT_EQ(diagnosis.text.back(), "Result: step " + std::to_string(number) + " (" +
                                             failed["title"].get<std::string>() +
                                             ") failed: " + summary);
        EXPECT_NE(std::find(diagnosis.text.begin(), diagnosis.text.end(), "  FAILED: " + summary),
                  diagnosis.text.end());
    }
    Lines session = diagnosis.Facts(kSession)["logLines"];
    const Lines teardown = diagnosis.Facts(kTeardown)["logLines"];
    session.insert(session.end(), teardown.begin(), teardown.end());
    EXPECT_EQ(diagnosis.userLog, session);
}

struct MachineCase : tsctest::Row {
    std::function<void(Scene&)> arrange;
    int step;                 // the tool's first failing step; 0: none
    const char* cause;        // in the failing step's messages, log lines or facts
    const char* libraryLine;  // what the library itself writes to the log; null: nothing
    bool sessionOpens;        // the library's session start opens a session
    const wchar_t* fixture = L"quilsdk.dll";
};

class DiagnoseMachine : public ::testing::TestWithParam<MachineCase> {};

// The tool's first failing step names the cause the library itself acts on: run against the
// built DLL on the same machine, the library refuses for that cause, and on a healthy machine
// it opens a session.
TEST_P(DiagnoseMachine, FirstFailingStepNamesTheLibrarysCause) {
    const MachineCase& row = GetParam();
    Scene scene(row.fixture);
    row.arrange(scene);
    const Diagnosis diagnosis = Diagnose();
    ExpectOutcome(diagnosis, row.step);
    if (row.step != 0) {
        const std::string step = diagnosis.Step(row.step).dump();
        EXPECT_NE(step.find(row.cause), std::string::npos) << step;
    }

    tsctest::SdkJournal journal;
    const tsctest::LogWatcher log;
    const tsctest::DttscsdkDll dll;
    // The host's own test: a session, and a folder it can put in front of PATH.
    const bool started = dll.Initialize() && dll.UpdatePath();
    const Lines lines = log.NewLines();
    EXPECT_EQ(!journal.SessionId().empty(), row.sessionOpens);
    EXPECT_EQ(started && row.sessionOpens, row.step == 0);
    if (row.libraryLine != nullptr) {
        // The library's lines hold nothing that JSON escapes.
        EXPECT_NE(Json(lines).dump().find(row.libraryLine), std::string::npos);
        EXPECT_NE(diagnosis.Facts(kSession)["logLines"].dump().find(row.libraryLine),
                  std::string::npos);
    }
    dll.Uninitialize();
}

std::function<void(Scene&)> Setting(const wchar_t* name, const wchar_t* value) {
    return [=](Scene& s) { s.Keep<ScopedEnvironmentVariable>(name, value); };
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
        s.Keep<ScopedEnvironmentVariable>(L"TSC_PATH_2026", folder.path()); },
     0, "", "session id = ", true},
    {"MissingReleaseKey", [](Scene& s) { s.machine.ReleaseKey().DeleteKey(); },
     1, "Failed to open registry key", nullptr, true},
    {"VersionFolderMissing", [](Scene& s) { s.machine.ReleaseKey().SetString(L"Version", L"2.0"); },
     1, "The Version for the Install Path Does Not Exist.2.0", nullptr, true},
    // Quotes, control characters and letters outside ASCII come back unchanged from the JSON form.
    {"OverrideFolderTooShort", [](Scene& s) {
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        s.Keep<ScopedEnvironmentVariable>(L"TSC_PATH_2026", L"\"\t\x00E9\n"); },
     2, "The Install Location Path is Incorrect\\\"\\t\xC3\xA9\\n", nullptr, true},
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
    {"PathAlreadyNamesSharedFolder",
     Setting(L"PATH", L"C:\\windows;D:\\Tesmora Shared\\Components\\1.0\\bin;C:\\x"),
     6, "D:\\\\Tesmora Shared\\\\Components\\\\1.0\\\\bin", nullptr, false},
    {"BypassVariableSet", Setting(L"TSC_INITIALIZE_BYPASSED", L"0"), 7, "\"value\":\"0\"", nullptr, false},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, DiagnoseMachine, ::testing::ValuesIn(kMachines), tsctest::RowName);

// The healthy run in detail: the library's messages are printed under the step that caused
// them, every session the tool opened is closed again, and its temporary log folder is gone.
TEST(Diagnose, HealthyMachineLeavesNothingBehind) {
    const tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    const Diagnosis diagnosis = Diagnose();
    // Step 1 asks the whole resolution, step 2 the override alone: each shows its messages.
    const Lines step2 = {"Step 2. Path override",
                         "  Library message [FATAL] There is no custom path set"};
    EXPECT_NE(std::search(diagnosis.text.begin(), diagnosis.text.end(), step2.begin(), step2.end()),
              diagnosis.text.end());
    EXPECT_EQ(diagnosis.Facts(1)["versionFolder"], tsctest::Utf8(machine.Folder()));
    const Json& chain = diagnosis.Facts(5)["chain"];
    EXPECT_EQ(chain.size(), 3u) << "signer, intermediate, root";
    EXPECT_TRUE(chain[0]["namesPublisher"] && chain[0]["carriedInSignature"]) << chain;
    EXPECT_EQ(diagnosis.Facts(kSession)["folder"], tsctest::Utf8(machine.Folder()));
    EXPECT_TRUE(diagnosis.Facts(kSession)["folderLocked"]);
    // The text run and the JSON run each opened one session, the checks none.
    EXPECT_EQ(
        journal.Exports(),
        (Lines{"Initialize", "ReleaseMemory", "LockDirectory", "UnLockDirectory", "Uninitialize",
               "Initialize", "ReleaseMemory", "LockDirectory", "UnLockDirectory", "Uninitialize"}));
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
        EXPECT_NE(entry.path().filename().wstring().rfind(L"tscdiag-", 0), 0u)
            << "the checks' temporary log folder is removed";
    }
}

struct LockContentCase : tsctest::Row {
    std::string content;
    std::string shown;
};

class DiagnoseLockFile : public ::testing::TestWithParam<LockContentCase> {};

// Only the bare decimal id of a live process means a running self-update; anything else in the
// lock file is shown byte for byte and blocks nothing.
TEST_P(DiagnoseLockFile, IsShownAndDoesNotBlock) {
    tsctest::HealthyMachine machine;
    // Any value but 1 leaves the override off; it is shown as the number read.
    machine.ReleaseKey().SetDword(L"EnablePathOverride", 2);
    const tsctest::ScopedLockFile lock(GetParam().content);
    const Json report = Json::parse(RunTool(L"--json").output);
    EXPECT_EQ(report["exitCode"], 0);
    EXPECT_EQ(report["steps"][1]["facts"]["enablePathOverride"], 2);
    const Json& facts = report["steps"][3]["facts"];
    EXPECT_EQ(facts["content"], GetParam().shown);
    EXPECT_EQ(facts["lockFolderSource"], "ProgramData");
}

using tsctest::OwnProcessId;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Contents, DiagnoseLockFile, ::testing::Values(
    LockContentCase{"IdWithLineEnd",   OwnProcessId() + "\r\n",         OwnProcessId() + "\\x0D\\x0A"},
    LockContentCase{"BinaryAndQuotes", std::string("\"1\\\xFF\x00", 5), "\"1\\\\\\xFF\\x00"}),
    tsctest::RowName);
// clang-format on

TEST(Diagnose, UnknownOptionIsAUsageError) {
    const tsctest::ProgramRun run = RunTool(L"--jsn");
    EXPECT_EQ(run.exitCode, 64u);
    EXPECT_TRUE(run.output.empty()) << "usage goes to standard error";
}

}  // namespace
