// tscdiag.exe run as a support engineer runs it, on a machine set up for each case: its exit
// code, its plain-words report and its JSON report.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/json_reader.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/program_run.h"
#include "support/sdk_journal.h"
#include "support/table.h"

namespace {

using tsctest::Json;
using tsctest::ScopedEnvironmentVariable;
using tsctest::Utf8;
using Lines = std::vector<std::string>;

// clang-format off
enum Step { kRelease = 1, kOverride, kSdkLocation, kSelfUpdate, kSignature, kPath, kBypass, kSession };
// clang-format on
constexpr std::size_t kStepCount = 10;

Lines LinesOf(const std::string& text) {
    Lines lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        lines.push_back(text.substr(begin, end - begin));
    }
    return lines;
}
bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
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
    const Json& Step(int number) const {
        return json["steps"][static_cast<std::size_t>(number - 1)];
    }
    const Json& Facts(int number) const { return Step(number)["facts"]; }
};

tsctest::ProgramRun RunTool(const wchar_t* arguments) {
    const tsctest::ProgramRun run =
        tsctest::RunProgram(tsctest::BinDir() + L"\\tscdiag.exe", arguments);
    EXPECT_TRUE(run.started) << "tscdiag.exe could not be started";
    return run;
}

// The tool in JSON form and, when asked, in text form too: both must tell the same story.
Diagnosis Diagnose(bool alsoText = false) {
    Diagnosis diagnosis;
    if (alsoText) {
        const tsctest::ProgramRun text = RunTool(L"");
        diagnosis.textExit = text.exitCode;
        diagnosis.text = LinesOf(text.output);
    }
    const tsctest::ProgramRun run = RunTool(L"--json");
    diagnosis.jsonExit = run.exitCode;
    std::string error;
    const std::optional<Json> report = tsctest::ParseJson(run.output, &error);
    if (!report)
        ADD_FAILURE() << "--json printed no well-formed JSON: " << error << "\n" << run.output;
    diagnosis.json = report.value_or(Json());
    return diagnosis;
}

bool HasLogLine(const Json& facts, const std::string& message) {
    const auto& lines = facts["logLines"].Items();
    return std::any_of(lines.begin(), lines.end(), [&](const Json& line) {
        return line.AsString().find(message) != std::string::npos;
    });
}
bool HasDiagnostic(const Json& step, const std::string& level, const std::string& message) {
    const auto& items = step["diagnostics"].Items();
    return std::any_of(items.begin(), items.end(), [&](const Json& d) {
        return d["level"].AsString() == level && d["message"].AsString() == message;
    });
}

// Every step is reported, each with its number; the first failing step decides the exit code of
// both forms, and the text names it on its last line with the same summary as the JSON form.
void ExpectFirstFailure(const Diagnosis& diagnosis, int number) {
    EXPECT_EQ(diagnosis.textExit, static_cast<DWORD>(number));
    EXPECT_EQ(diagnosis.jsonExit, static_cast<DWORD>(number));
    EXPECT_EQ(diagnosis.json["exitCode"].AsInt(), number);
    EXPECT_EQ(diagnosis.json["firstFailingStep"].AsInt(), number);
    ASSERT_EQ(diagnosis.json["steps"].Items().size(), kStepCount);
    for (int step = 1; step <= number; ++step) {
        EXPECT_EQ(diagnosis.Step(step)["number"].AsInt(), step);
        EXPECT_EQ(diagnosis.Step(step)["verdict"].AsString() == "failed", step == number)
            << "step " << step;
    }
    const Json& failed = diagnosis.Step(number);
    const std::string summary = AsPrinted(failed["summary"].AsString());
    ASSERT_FALSE(diagnosis.text.empty());
    EXPECT_EQ(diagnosis.text.back(), "Result: step " + std::to_string(number) + " (" +
                                         failed["title"].AsString() + ") failed: " + summary);
    EXPECT_TRUE(Has(diagnosis.text, "  FAILED: " + summary));
}

TEST(Diagnose, HealthyMachinePassesEveryStepAndLeavesNoSessionBehind) {
    const tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    const Diagnosis diagnosis = Diagnose(true);

    EXPECT_EQ(diagnosis.textExit, 0u);
    EXPECT_EQ(diagnosis.jsonExit, 0u);
    ASSERT_FALSE(diagnosis.text.empty());
    EXPECT_EQ(diagnosis.text.back(),
              "Result: all checks passed: a host can start a session on this machine.");
    // The library's messages are printed as they arrive, under the step that caused them;
    // without EnablePathOverride the library reports that no custom path is set.
    const auto at = [&](const std::string& line) {
        return std::find(diagnosis.text.begin(), diagnosis.text.end(), line);
    };
    const auto message = at("  Library message [FATAL] There is no custom path set");
    EXPECT_LT(at("Step 8. Session start and folder lock (dtutInitializeTSC)"), message);
    EXPECT_LT(message, at("  dtutInitializeTSC answered: yes"));
    EXPECT_EQ(diagnosis.json["exitCode"].AsInt(), 0);
    EXPECT_TRUE(diagnosis.json["firstFailingStep"].IsNull());
    ASSERT_EQ(diagnosis.json["steps"].Items().size(), kStepCount);
    for (const Json& step : diagnosis.json["steps"].Items()) {
        EXPECT_EQ(step["verdict"].AsString(), "passed") << step["id"].AsString();
    }
    EXPECT_EQ(diagnosis.Facts(kRelease)["versionFolder"].AsString(), Utf8(machine.Folder()));
    EXPECT_EQ(diagnosis.Facts(kRelease)["values"]["InstallPath"]["type"].AsString(), "REG_SZ");
    EXPECT_FALSE(diagnosis.Facts(kRelease)["values"]["EnablePathOverride"]["present"].AsBool());
    EXPECT_EQ(diagnosis.Facts(kSignature)["chain"].Items().size(), 3u)
        << "signer, intermediate, root";
    EXPECT_EQ(diagnosis.Facts(kSession)["folder"].AsString(), Utf8(machine.Folder()));
    EXPECT_TRUE(diagnosis.Facts(kSession)["folderLocked"].AsBool());
    EXPECT_TRUE(HasLogLine(diagnosis.Facts(kSession),
                           "[INFO] QUILAPIWrapperImpl::Initialize: session id = "));
    EXPECT_TRUE(
        HasLogLine(diagnosis.Facts(10),
                   "[INFO] QUILAPIWrapperImpl::Uninitialize: QUIL SDK unloaded successfully"));

    // Every session the tool opened was unlocked and closed again, once per run.
    const Lines oneRun = {"Initialize", "ReleaseMemory", "LockDirectory", "UnLockDirectory",
                          "Uninitialize"};
    Lines twoRuns = oneRun;
    twoRuns.insert(twoRuns.end(), oneRun.begin(), oneRun.end());
    EXPECT_EQ(journal.Exports(), twoRuns);
}

using tsctest::Scene;

struct FailureCase : tsctest::Row {
    std::function<void(Scene&)> arrange;
    int step;
    std::function<void(const Diagnosis&, const Scene&)> verify;
};

class DiagnoseFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(DiagnoseFailure, NamesTheFirstFailingStepInBothForms) {
    Scene scene;
    GetParam().arrange(scene);
    const Diagnosis diagnosis = Diagnose(true);
    ExpectFirstFailure(diagnosis, GetParam().step);
    GetParam().verify(diagnosis, scene);
}

// clang-format off
const FailureCase kFailures[] = {
    {"MissingReleaseKey", [](Scene& s) { s.machine.ReleaseKey().DeleteKey(); },
     kRelease, [](const Diagnosis& d, const Scene&) {
        EXPECT_FALSE(d.Facts(kRelease)["keyOpened"].AsBool());
        EXPECT_EQ(d.Facts(kRelease)["error"].AsInt(), ERROR_FILE_NOT_FOUND);
        EXPECT_TRUE(HasDiagnostic(d.Step(kSession), "FATAL", "Failed to open registry key")); }},
    {"VersionFolderMissing", [](Scene& s) { s.machine.ReleaseKey().SetString(L"Version", L"2.0"); },
     kRelease, [](const Diagnosis& d, const Scene& s) {
        EXPECT_TRUE(d.Facts(kRelease)["installRootExists"].AsBool());
        EXPECT_EQ(d.Facts(kRelease)["versionFolder"].AsString(), Utf8(s.machine.InstallRoot() + L"\\2.0"));
        EXPECT_FALSE(d.Facts(kRelease)["versionFolderExists"].AsBool()); }},
    // Quotes, control characters and letters outside ASCII in a value come back unchanged from
    // the JSON form, and as visible escapes in the text form.
    {"OverrideVariableWithControlCharacters", [](Scene& s) {
        s.machine.ReleaseKey().SetDword(L"EnablePathOverride", 1);
        s.Keep<ScopedEnvironmentVariable>(L"TSC_PATH_2026", L"E:\\dev \"tsc\"\t\x00E9\n"); },
     kOverride, [](const Diagnosis& d, const Scene&) {
        EXPECT_EQ(d.Facts(kOverride)["variableValue"].AsString(), "E:\\dev \"tsc\"\t\xC3\xA9\n");
        EXPECT_TRUE(Has(d.text, "  Variable value: E:\\dev \"tsc\"\\x09\xC3\xA9\\x0A")); }},
    {"SdkRegistryValueMissing", [](Scene& s) { s.machine.QuilKey().DeleteValue(L"QUILSDKLocation"); },
     kSdkLocation, [](const Diagnosis& d, const Scene&) {
        EXPECT_FALSE(d.Facts(kSdkLocation)["value"]["present"].AsBool());
        EXPECT_EQ(d.Step(kSignature)["verdict"].AsString(), "skipped");
        EXPECT_TRUE(HasLogLine(d.Facts(kSession), "[ERROR] Load: dll path empty!")); }},
    {"SelfUpdateRunning", [](Scene& s) { s.Keep<tsctest::ScopedLockFile>(tsctest::OwnProcessId()); },
     kSelfUpdate, [](const Diagnosis& d, const Scene&) {
        const Json& facts = d.Facts(kSelfUpdate);
        EXPECT_EQ(facts["content"].AsString(), tsctest::OwnProcessId());
        EXPECT_EQ(facts["process"]["id"].AsInt(), static_cast<std::int64_t>(GetCurrentProcessId()));
        EXPECT_STRCASEEQ(facts["process"]["executable"].AsString().c_str(), "dll_tests.exe");
        EXPECT_TRUE(HasLogLine(d.Facts(kSession), "[INFO] Load: Self-update is running")); }},
    {"PathAlreadyNamesSharedFolder", [](Scene& s) {
        s.Keep<ScopedEnvironmentVariable>(L"PATH", L"C:\\windows;D:\\Tesmora Shared\\Components\\1.0\\bin;C:\\x"); },
     kPath, [](const Diagnosis& d, const Scene&) {
        ASSERT_EQ(d.Facts(kPath)["entries"].Items().size(), 1u);
        EXPECT_EQ(d.Facts(kPath)["entries"][0].AsString(), "D:\\Tesmora Shared\\Components\\1.0\\bin");
        EXPECT_FALSE(d.Facts(kSession)["initializeResult"].AsBool());
        EXPECT_TRUE(d.Facts(kSession)["logLines"].Items().empty()) << "refused before any session attempt"; }},
    {"BypassVariableSet", [](Scene& s) { s.Keep<ScopedEnvironmentVariable>(L"TSC_INITIALIZE_BYPASSED", L"0"); },
     kBypass, [](const Diagnosis& d, const Scene&) {
        EXPECT_EQ(d.Facts(kBypass)["value"].AsString(), "0");
        EXPECT_TRUE(HasDiagnostic(d.Step(kSession), "INFO", "Intialize is bypassed")); }},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, DiagnoseFailure, ::testing::ValuesIn(kFailures), tsctest::RowName);

struct SignatureCase : tsctest::Row {
    const wchar_t* fixture;
    int exitCode;
    std::int64_t trustStatus;
    const char* trustStatusHex;
    bool publisherFound;
    const char* signer;  // part of the signer's subject; null: no signer
};

class DiagnoseSignature : public ::testing::TestWithParam<SignatureCase> {};

// The tool's verdict on the SDK file agrees with the library's for every kind of signature: only
// a certificate of the verified chain may name the maker, never one merely carried in the bag.
TEST_P(DiagnoseSignature, VerdictMatchesTheLibrary) {
    const SignatureCase& row = GetParam();
    const tsctest::HealthyMachine machine(row.fixture);
    const Diagnosis diagnosis = Diagnose(row.exitCode != 0);
    if (row.exitCode != 0) ExpectFirstFailure(diagnosis, row.exitCode);
    EXPECT_EQ(diagnosis.jsonExit, static_cast<DWORD>(row.exitCode));
    const Json& facts = diagnosis.Facts(kSignature);
    EXPECT_EQ(facts["trustStatus"].AsInt(), row.trustStatus);
    EXPECT_EQ(facts["trustStatusHex"].AsString(), row.trustStatusHex);
    EXPECT_EQ(facts["publisherFound"].AsBool(), row.publisherFound);
    const auto& chain = facts["chain"].Items();
    EXPECT_EQ(std::any_of(chain.begin(), chain.end(),
                          [](const Json& c) { return c["namesPublisher"].AsBool(); }),
              row.publisherFound);
    if (row.signer == nullptr) {
        EXPECT_TRUE(facts["signer"].IsNull());
    } else {
        EXPECT_NE(facts["signer"].AsString().find(row.signer), std::string::npos)
            << facts["signer"].AsString();
    }
    EXPECT_EQ(diagnosis.Facts(kSession)["sessionOpened"].AsBool(), row.exitCode == 0);
}

// clang-format off
const SignatureCase kSignatures[] = {
    // name                      fixture                   exit  trust status  hex           found  signer
    {"Unsigned",                 L"quilsdk_unsigned.dll",  5,    -2146762496, "0x800B0100", false, nullptr},
    // A file changed after signing gets no verified chain at all.
    {"ChangedAfterSigning",      L"quilsdk_flipped.dll",   5,    -2146869232, "0x80096010", false, nullptr},
    {"UntrustedRoot",            L"quilsdk_untrusted.dll", 5,    -2146762487, "0x800B0109", true,  "Tesmora, Inc"},
    {"AnotherPublisher",         L"quilsdk_other.dll",     5,    0,           "0x00000000", false, "Brightwell"},
    {"SmuggledMakerCertificate", L"quilsdk_smuggled.dll",  5,    0,           "0x00000000", false, "Brightwell"},
    // Organisation in capitals with a full stop: the match ignores case and extra text.
    {"UpperCaseOrganisation",    L"quilsdk_upper.dll",     0,    0,           "0x00000000", true,  "TESMORA, INC."},
    {"Trusted",                  L"quilsdk.dll",           0,    0,           "0x00000000", true,  "Tesmora, Inc"},
};
INSTANTIATE_TEST_SUITE_P(Fixtures, DiagnoseSignature, ::testing::ValuesIn(kSignatures), tsctest::RowName);
// clang-format on

struct LockContentCase : tsctest::Row {
    std::string content;
    std::string shown;
};

class DiagnoseLockFile : public ::testing::TestWithParam<LockContentCase> {};

// Only the bare decimal id of a live process means a running self-update; anything else in the
// lock file is shown byte for byte and blocks nothing.
TEST_P(DiagnoseLockFile, IsShownAndDoesNotBlock) {
    const tsctest::HealthyMachine machine;
    const tsctest::ScopedLockFile lock(GetParam().content);
    const Diagnosis diagnosis = Diagnose();
    EXPECT_EQ(diagnosis.jsonExit, 0u);
    EXPECT_TRUE(diagnosis.Facts(kSelfUpdate)["lockFileExists"].AsBool());
    EXPECT_EQ(diagnosis.Facts(kSelfUpdate)["content"].AsString(), GetParam().shown);
    EXPECT_FALSE(diagnosis.Facts(kSelfUpdate)["running"].AsBool());
}

using tsctest::OwnProcessId;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Contents, DiagnoseLockFile, ::testing::Values(
    LockContentCase{"IdWithLineEnd",     OwnProcessId() + "\r\n",           OwnProcessId() + "\\x0D\\x0A"},
    LockContentCase{"IdWithLeadingZero", "0" + OwnProcessId(),              "0" + OwnProcessId()},
    LockContentCase{"Empty",             "",                                ""},
    LockContentCase{"BinaryAndQuotes",   std::string("\"1\\\xFF\x00", 5),   "\"1\\\\\\xFF\\x00"}),
    tsctest::RowName);
// clang-format on

// With the override in effect, the registry's folder values are not used, and the session locks
// the variable's folder; a name outside ASCII arrives intact in the JSON form.
TEST(Diagnose, OverrideFolderIsTheOneLocked) {
    tsctest::HealthyMachine machine;
    const tsctest::ScopedDirectory folder(tsctest::TempRoot() + L"\\dev tsc \x00FC\x6F22");
    machine.ReleaseKey().SetDword(L"EnablePathOverride", 1);
    machine.ReleaseKey().DeleteValue(L"Version");
    const ScopedEnvironmentVariable variable(L"TSC_PATH_2026", folder.path());

    const Diagnosis diagnosis = Diagnose();
    EXPECT_EQ(diagnosis.jsonExit, 0u);
    EXPECT_FALSE(diagnosis.Facts(kRelease)["usedByLibrary"].AsBool());
    EXPECT_TRUE(diagnosis.Facts(kOverride)["active"].AsBool());
    EXPECT_EQ(diagnosis.Facts(kSession)["folder"].AsString(), Utf8(folder.path()));
    EXPECT_TRUE(diagnosis.Facts(kSession)["folderLocked"].AsBool());
}

TEST(Diagnose, UnknownOptionIsAUsageError) {
    const tsctest::ProgramRun run = RunTool(L"--jsn");
    EXPECT_EQ(run.exitCode, 64u);
    EXPECT_TRUE(run.output.empty()) << "usage goes to standard error";
}

}  // namespace
