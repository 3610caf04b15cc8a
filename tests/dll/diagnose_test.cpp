// tscdiag.exe run as a support engineer runs it, on a machine set up for each case: its exit
// code, its plain-words report and its JSON report.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/json_reader.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/program_run.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/sdk_journal.h"

namespace {

using tsctest::Json;
using tsctest::ScopedEnvironmentVariable;
using tsctest::Utf8;

constexpr int kStepCount = 10;
constexpr int kReleaseStep = 1;
constexpr int kOverrideStep = 2;
constexpr int kSdkLocationStep = 3;
constexpr int kSelfUpdateStep = 4;
constexpr int kSignatureStep = 5;
constexpr int kPathStep = 6;
constexpr int kBypassStep = 7;
constexpr int kSessionStep = 8;

constexpr char kAllPassed[] =
    "Result: all checks passed: a host can start a session on this machine.";

std::wstring ToolPath() { return tsctest::BinDir() + L"\\tscdiag.exe"; }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        lines.push_back(text.substr(begin, end - begin));
    }
    return lines;
}

// The text form shows control characters as \xHH, so that every fact stays on its line.
std::string AsPrinted(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20) {
            out.push_back(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof(escaped), "\\x%02X", static_cast<unsigned>(c));
        out += escaped;
    }
    return out;
}

struct Diagnosis {
    DWORD textExit = 0;
    std::string text;
    DWORD jsonExit = 0;
    Json json;
};

Json ParseReport(const std::string& output) {
    std::string error;
    std::optional<Json> report = tsctest::ParseJson(output, &error);
    if (!report) ADD_FAILURE() << "--json printed no well-formed JSON: " << error << "\n" << output;
    return report.value_or(Json());
}

Diagnosis RunJsonOnly() {
    const tsctest::ProgramRun run = tsctest::RunProgram(ToolPath(), L"--json");
    EXPECT_TRUE(run.started) << "tscdiag.exe could not be started";
    Diagnosis diagnosis;
    diagnosis.jsonExit = run.exitCode;
    diagnosis.json = ParseReport(run.output);
    return diagnosis;
}

// The tool twice, once for each form: both must tell the same story.
Diagnosis RunBoth() {
    const tsctest::ProgramRun text = tsctest::RunProgram(ToolPath(), L"");
    EXPECT_TRUE(text.started) << "tscdiag.exe could not be started";
    Diagnosis diagnosis = RunJsonOnly();
    diagnosis.textExit = text.exitCode;
    diagnosis.text = text.output;
    return diagnosis;
}

const Json& StepOf(const Json& report, int number) {
    const Json& step = report["steps"][static_cast<std::size_t>(number - 1)];
    EXPECT_EQ(step["number"].AsInt(), number);
    return step;
}

const Json& FactsOf(const Json& report, int number) { return StepOf(report, number)["facts"]; }

bool HasLogLine(const Json& facts, const std::string& message) {
    for (const Json& line : facts["logLines"].Items()) {
        if (line.AsString().find(message) != std::string::npos) return true;
    }
    return false;
}

bool HasDiagnostic(const Json& step, const std::string& level, const std::string& message) {
    for (const Json& diagnostic : step["diagnostics"].Items()) {
        if (diagnostic["level"].AsString() == level &&
            diagnostic["message"].AsString() == message) {
            return true;
        }
    }
    return false;
}

// The first failing step decides the exit code of both forms; no earlier step failed; the text
// names the step on its last line and gives the same summary as the JSON form.
void ExpectFirstFailure(const Diagnosis& diagnosis, int number) {
    EXPECT_EQ(diagnosis.textExit, static_cast<DWORD>(number));
    EXPECT_EQ(diagnosis.jsonExit, static_cast<DWORD>(number));
    const Json& report = diagnosis.json;
    EXPECT_EQ(report["exitCode"].AsInt(), number);
    EXPECT_EQ(report["firstFailingStep"].AsInt(), number);
    ASSERT_EQ(report["steps"].Items().size(), static_cast<std::size_t>(kStepCount));
    for (int earlier = 1; earlier < number; ++earlier) {
        EXPECT_NE(StepOf(report, earlier)["verdict"].AsString(), "failed") << "step " << earlier;
    }
    const Json& failed = StepOf(report, number);
    EXPECT_EQ(failed["verdict"].AsString(), "failed");
    const std::vector<std::string> lines = Lines(diagnosis.text);
    ASSERT_FALSE(lines.empty());
    const std::string summary = AsPrinted(failed["summary"].AsString());
    EXPECT_EQ(lines.back(), "Result: step " + std::to_string(number) + " (" +
                                failed["title"].AsString() + ") failed: " + summary);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  FAILED: " + summary), lines.end());
}

class Diagnose : public ::testing::Test {
  protected:
    ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    ScopedEnvironmentVariable override_{L"TSC_PATH_2026", std::nullopt};
    ScopedEnvironmentVariable path_{L"PATH", tsctest::GetEnv(L"PATH")};
};

TEST_F(Diagnose, HealthyMachinePassesEveryStepAndLeavesNoSessionBehind) {
    tsctest::HealthyMachine machine;
    tsctest::SdkJournal journal;
    const Diagnosis diagnosis = RunBoth();

    EXPECT_EQ(diagnosis.textExit, 0u);
    EXPECT_EQ(diagnosis.jsonExit, 0u);
    const std::vector<std::string> lines = Lines(diagnosis.text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), kAllPassed);
    const Json& report = diagnosis.json;
    EXPECT_EQ(report["exitCode"].AsInt(), 0);
    EXPECT_TRUE(report["firstFailingStep"].IsNull());
    ASSERT_EQ(report["steps"].Items().size(), static_cast<std::size_t>(kStepCount));
    for (const Json& step : report["steps"].Items()) {
        EXPECT_EQ(step["verdict"].AsString(), "passed") << step["id"].AsString();
    }

    const Json& release = FactsOf(report, kReleaseStep);
    EXPECT_EQ(release["versionFolder"].AsString(), Utf8(machine.Folder()));
    EXPECT_EQ(release["values"]["InstallPath"]["type"].AsString(), "REG_SZ");
    EXPECT_FALSE(release["values"]["EnablePathOverride"]["present"].AsBool());
    const Json& signature = FactsOf(report, kSignatureStep);
    EXPECT_EQ(signature["trustStatus"].AsInt(), 0);
    EXPECT_NE(signature["signer"].AsString().find("Tesmora, Inc"), std::string::npos);
    EXPECT_EQ(signature["chain"].Items().size(), 3u) << "signer, intermediate and root";
    const Json& session = FactsOf(report, kSessionStep);
    EXPECT_EQ(session["folder"].AsString(), Utf8(machine.Folder()));
    EXPECT_TRUE(session["folderLocked"].AsBool());
    EXPECT_TRUE(HasLogLine(session, "[INFO] QUILAPIWrapperImpl::Initialize: session id = "));
    EXPECT_TRUE(
        HasLogLine(FactsOf(report, kStepCount),
                   "[INFO] QUILAPIWrapperImpl::Uninitialize: QUIL SDK unloaded successfully"));

    // Every session the tool opened was unlocked and closed again, once per run.
    const std::vector<std::string> oneRun = {"Initialize", "ReleaseMemory", "LockDirectory",
                                             "UnLockDirectory", "Uninitialize"};
    std::vector<std::string> twoRuns = oneRun;
    twoRuns.insert(twoRuns.end(), oneRun.begin(), oneRun.end());
    EXPECT_EQ(journal.Exports(), twoRuns);
}

// The library's messages are printed as they arrive, under the step that caused them.
TEST_F(Diagnose, LibraryMessagesArePrintedUnderTheSessionStep) {
    tsctest::HealthyMachine machine;
    const tsctest::ProgramRun run = tsctest::RunProgram(ToolPath(), L"");
    const std::vector<std::string> lines = Lines(run.output);
    const auto position = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    const auto header = position("Step 8. Session start and folder lock (dtutInitializeTSC)");
    // Without EnablePathOverride the library reports that no custom path is set.
    const auto message = position("  Library message [FATAL] There is no custom path set");
    const auto result = position("  dtutInitializeTSC answered: yes");
    ASSERT_LT(result, static_cast<std::ptrdiff_t>(lines.size()));
    EXPECT_LT(header, message);
    EXPECT_LT(message, result);
}

// A machine on which the case's setup was done; everything put back at scope end, in reverse.
struct Scene {
    explicit Scene(const wchar_t* fixture) : machine(fixture) {}
    ~Scene() {
        while (!guards.empty()) guards.pop_back();
    }
    template <typename T, typename... Args>
    void Keep(Args&&... args) {
        guards.push_back(std::make_shared<T>(std::forward<Args>(args)...));
    }

    tsctest::HealthyMachine machine;
    std::vector<std::shared_ptr<void>> guards;
};

struct FailureCase {
    const char* name;
    const wchar_t* fixture;
    std::function<void(Scene&)> arrange;
    int step;
    std::function<void(const Json& report, const Scene&)> verify;
};

void PrintTo(const FailureCase& failure, std::ostream* out) { *out << failure.name; }

class DiagnoseFailure : public Diagnose, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DiagnoseFailure, NamesTheFirstFailingStepInBothForms) {
    Scene scene(GetParam().fixture);
    GetParam().arrange(scene);
    const Diagnosis diagnosis = RunBoth();
    ExpectFirstFailure(diagnosis, GetParam().step);
    GetParam().verify(diagnosis.json, scene);
}

std::string OwnProcessId() { return std::to_string(GetCurrentProcessId()); }

const FailureCase kCommonFailures[] = {
    {"MissingReleaseKey", L"quilsdk.dll",
     [](Scene& scene) { scene.machine.ReleaseKey().DeleteKey(); }, kReleaseStep,
     [](const Json& report, const Scene&) {
         EXPECT_FALSE(FactsOf(report, kReleaseStep)["keyOpened"].AsBool());
         EXPECT_EQ(FactsOf(report, kReleaseStep)["error"].AsInt(), ERROR_FILE_NOT_FOUND);
         EXPECT_TRUE(
             HasDiagnostic(StepOf(report, kSessionStep), "FATAL", "Failed to open registry key"));
     }},
    {"VersionFolderMissing", L"quilsdk.dll",
     [](Scene& scene) { scene.machine.ReleaseKey().SetString(L"Version", L"2.0"); }, kReleaseStep,
     [](const Json& report, const Scene& scene) {
         const Json& facts = FactsOf(report, kReleaseStep);
         EXPECT_TRUE(facts["installRootExists"].AsBool());
         EXPECT_EQ(facts["versionFolder"].AsString(), Utf8(scene.machine.InstallRoot() + L"\\2.0"));
         EXPECT_FALSE(facts["versionFolderExists"].AsBool());
     }},
    {"SdkRegistryValueMissing", L"quilsdk.dll",
     [](Scene& scene) { scene.machine.QuilKey().DeleteValue(L"QUILSDKLocation"); },
     kSdkLocationStep,
     [](const Json& report, const Scene&) {
         EXPECT_FALSE(FactsOf(report, kSdkLocationStep)["value"]["present"].AsBool());
         EXPECT_EQ(StepOf(report, kSignatureStep)["verdict"].AsString(), "skipped");
         EXPECT_TRUE(HasLogLine(FactsOf(report, kSessionStep), "[ERROR] Load: dll path empty!"));
     }},
    {"UnsignedSdk", L"quilsdk_unsigned.dll", [](Scene&) {}, kSignatureStep,
     [](const Json& report, const Scene&) {
         const Json& facts = FactsOf(report, kSignatureStep);
         EXPECT_EQ(facts["trustStatus"].AsInt(), -2146762496);
         EXPECT_EQ(facts["trustStatusHex"].AsString(), "0x800B0100");
         EXPECT_TRUE(facts["signer"].IsNull());
         EXPECT_TRUE(
             HasLogLine(FactsOf(report, kSessionStep), "[ERROR] VerifyCertificate failed!"));
     }},
    {"AnotherPublisher", L"quilsdk_other.dll", [](Scene&) {}, kSignatureStep,
     [](const Json& report, const Scene&) {
         const Json& facts = FactsOf(report, kSignatureStep);
         EXPECT_EQ(facts["trustStatus"].AsInt(), 0);
         EXPECT_NE(facts["signer"].AsString().find("Brightwell Tools Ltd"), std::string::npos);
         EXPECT_FALSE(facts["publisherFound"].AsBool());
     }},
    // The bag of the signature carries a self-made "Tesmora, Inc" certificate; only the
    // verified chain counts.
    {"SmuggledMakerCertificate", L"quilsdk_smuggled.dll", [](Scene&) {}, kSignatureStep,
     [](const Json& report, const Scene&) {
         const Json& facts = FactsOf(report, kSignatureStep);
         EXPECT_EQ(facts["trustStatus"].AsInt(), 0);
         for (const Json& certificate : facts["chain"].Items()) {
             EXPECT_FALSE(certificate["namesPublisher"].AsBool())
                 << certificate["subject"].AsString();
         }
         EXPECT_FALSE(facts["publisherFound"].AsBool());
     }},
    {"SelfUpdateRunning", L"quilsdk.dll",
     [](Scene& scene) {
         scene.Keep<tsctest::ScopedDirectory>(tsctest::kLockFileFolder);
         scene.Keep<tsctest::ScopedFile>(
             std::wstring(tsctest::kLockFileFolder) + L"\\TsQUILInstaller.run.lock",
             OwnProcessId());
     },
     kSelfUpdateStep,
     [](const Json& report, const Scene&) {
         const Json& facts = FactsOf(report, kSelfUpdateStep);
         EXPECT_EQ(facts["content"].AsString(), OwnProcessId());
         EXPECT_EQ(facts["process"]["id"].AsInt(),
                   static_cast<std::int64_t>(GetCurrentProcessId()));
         std::string executable = facts["process"]["executable"].AsString();
         std::transform(executable.begin(), executable.end(), executable.begin(),
                        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
         EXPECT_EQ(executable, "dll_tests.exe");
         EXPECT_TRUE(
             HasLogLine(FactsOf(report, kSessionStep), "[INFO] Load: Self-update is running"));
     }},
    {"PathAlreadyNamesSharedFolder", L"quilsdk.dll",
     [](Scene& scene) {
         scene.Keep<ScopedEnvironmentVariable>(
             L"PATH", L"C:\\windows;D:\\Tesmora Shared\\Components\\1.0\\bin;C:\\tools");
     },
     kPathStep,
     [](const Json& report, const Scene&) {
         const Json& entries = FactsOf(report, kPathStep)["entries"];
         ASSERT_EQ(entries.Items().size(), 1u);
         EXPECT_EQ(entries[0].AsString(), "D:\\Tesmora Shared\\Components\\1.0\\bin");
         EXPECT_FALSE(FactsOf(report, kSessionStep)["initializeResult"].AsBool());
         EXPECT_TRUE(FactsOf(report, kSessionStep)["logLines"].Items().empty())
             << "the library refuses before any session attempt";
     }},
    {"BypassVariableSet", L"quilsdk.dll",
     [](Scene& scene) { scene.Keep<ScopedEnvironmentVariable>(L"TSC_INITIALIZE_BYPASSED", L"0"); },
     kBypassStep,
     [](const Json& report, const Scene&) {
         EXPECT_EQ(FactsOf(report, kBypassStep)["value"].AsString(), "0");
         EXPECT_TRUE(HasDiagnostic(StepOf(report, kSessionStep), "INFO", "Intialize is bypassed"));
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, DiagnoseFailure, ::testing::ValuesIn(kCommonFailures),
                         [](const auto& info) { return std::string(info.param.name); });

struct SignatureCase {
    const char* name;
    const wchar_t* fixture;
    int exitCode;
    std::int64_t trustStatus;
    bool publisherFound;
};

void PrintTo(const SignatureCase& signature, std::ostream* out) { *out << signature.name; }

class DiagnoseSignature : public Diagnose, public ::testing::WithParamInterface<SignatureCase> {};

// The tool's verdict on the SDK file agrees with the library's for every kind of signature.
TEST_P(DiagnoseSignature, VerdictMatchesTheLibrary) {
    tsctest::HealthyMachine machine(GetParam().fixture);
    const Diagnosis diagnosis = RunJsonOnly();
    EXPECT_EQ(diagnosis.jsonExit, static_cast<DWORD>(GetParam().exitCode));
    const Json& facts = FactsOf(diagnosis.json, kSignatureStep);
    EXPECT_EQ(facts["trustStatus"].AsInt(), GetParam().trustStatus);
    EXPECT_EQ(facts["publisherFound"].AsBool(), GetParam().publisherFound);
    EXPECT_EQ(FactsOf(diagnosis.json, kSessionStep)["sessionOpened"].AsBool(),
              GetParam().exitCode == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DiagnoseSignature,
    ::testing::Values(
        // Organisation in capitals with a full stop: the match ignores case and extra text.
        SignatureCase{"UpperCaseOrganisation", L"quilsdk_upper.dll", 0, 0, true},
        // A file changed after signing gets no verified chain at all.
        SignatureCase{"ChangedAfterSigning", L"quilsdk_flipped.dll", kSignatureStep, -2146869232,
                      false},
        SignatureCase{"UntrustedRoot", L"quilsdk_untrusted.dll", kSignatureStep, -2146762487,
                      true}),
    [](const auto& info) { return std::string(info.param.name); });

struct LockContentCase {
    const char* name;
    std::string content;
    std::string shown;
};

void PrintTo(const LockContentCase& lock, std::ostream* out) { *out << lock.name; }

class DiagnoseLockFile : public Diagnose, public ::testing::WithParamInterface<LockContentCase> {};

// Only the bare decimal id of a live process means a running self-update; anything else in the
// lock file is shown byte for byte and blocks nothing.
TEST_P(DiagnoseLockFile, IsShownAndDoesNotBlock) {
    tsctest::HealthyMachine machine;
    tsctest::ScopedDirectory folder(tsctest::kLockFileFolder);
    tsctest::ScopedFile lock(std::wstring(tsctest::kLockFileFolder) + L"\\TsQUILInstaller.run.lock",
                             GetParam().content);
    const Diagnosis diagnosis = RunJsonOnly();
    EXPECT_EQ(diagnosis.jsonExit, 0u);
    const Json& facts = FactsOf(diagnosis.json, kSelfUpdateStep);
    EXPECT_TRUE(facts["lockFileExists"].AsBool());
    EXPECT_EQ(facts["content"].AsString(), GetParam().shown);
    EXPECT_FALSE(facts["running"].AsBool());
}

INSTANTIATE_TEST_SUITE_P(
    Contents, DiagnoseLockFile,
    ::testing::Values(
        LockContentCase{"IdWithLineEnd", OwnProcessId() + "\r\n", OwnProcessId() + "\\x0D\\x0A"},
        LockContentCase{"IdWithLeadingZero", "0" + OwnProcessId(), "0" + OwnProcessId()},
        LockContentCase{"Empty", "", ""},
        LockContentCase{"BinaryAndQuotes", std::string("\"1\\\xFF\x00", 5), "\"1\\\\\\xFF\\x00"}),
    [](const auto& info) { return std::string(info.param.name); });

// With the override in effect, the registry's folder values are not used, and the session locks
// the variable's folder; a name outside ASCII arrives intact in the JSON form.
TEST_F(Diagnose, OverrideFolderIsTheOneLocked) {
    tsctest::HealthyMachine machine;
    tsctest::ScopedDirectory folder(tsctest::TempRoot() + L"\\dev tsc \x00FC\x6F22");
    machine.ReleaseKey().SetDword(L"EnablePathOverride", 1);
    machine.ReleaseKey().DeleteValue(L"Version");
    ScopedEnvironmentVariable variable(L"TSC_PATH_2026", folder.path());

    const Diagnosis diagnosis = RunJsonOnly();
    EXPECT_EQ(diagnosis.jsonExit, 0u);
    EXPECT_FALSE(FactsOf(diagnosis.json, kReleaseStep)["usedByLibrary"].AsBool());
    EXPECT_TRUE(FactsOf(diagnosis.json, kOverrideStep)["active"].AsBool());
    EXPECT_EQ(FactsOf(diagnosis.json, kSessionStep)["folder"].AsString(), Utf8(folder.path()));
    EXPECT_TRUE(FactsOf(diagnosis.json, kSessionStep)["folderLocked"].AsBool());
}

// Quotes, control characters and letters outside ASCII in a value come back unchanged from the
// JSON form, and as visible escapes in the text form.
TEST_F(Diagnose, OverrideVariableTextSurvivesBothForms) {
    tsctest::HealthyMachine machine;
    machine.ReleaseKey().SetDword(L"EnablePathOverride", 1);
    const std::wstring value = L"E:\\dev \"tsc\"\t\x00E9\n";
    ScopedEnvironmentVariable variable(L"TSC_PATH_2026", value);

    const Diagnosis diagnosis = RunBoth();
    ExpectFirstFailure(diagnosis, kOverrideStep);
    EXPECT_EQ(FactsOf(diagnosis.json, kOverrideStep)["variableValue"].AsString(), Utf8(value));
    const std::vector<std::string> lines = Lines(diagnosis.text);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "  Variable value: E:\\dev \"tsc\"\\x09\xC3\xA9\\x0A"),
              lines.end());
}

TEST_F(Diagnose, UnknownOptionIsAUsageError) {
    const tsctest::ProgramRun run = tsctest::RunProgram(ToolPath(), L"--jsn");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 64u);
    EXPECT_TRUE(run.output.empty()) << "usage goes to standard error";
}

}  // namespace
