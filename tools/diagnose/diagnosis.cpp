#include "diagnosis.h"

#include <windows.h>

#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include "checks.h"
#include "console_output.h"
#include "location/diagnostics.h"
#include "location/release_key.h"
#include "common/silent_error_mode.h"
#include "common/system_error_text.h"
#include "location/text_conversion.h"
#include "wrapper/wrapper_log.h"

namespace tscdiag {
namespace {

struct StepDefinition {
    const char* id;
    const char* title;
    void (*run)(Context&, Step&);
    bool logged;  // the facts end with the lines the step appended to the wrapper log
};

// The library's own checks answer within these steps; the session steps follow.
constexpr int kLastCheckStep = 5;

constexpr StepDefinition kSteps[] = {
    {"release-registry", "Release registry values and folders", &CheckReleaseValues, false},
    {"path-override", "Path override", &CheckPathOverride, false},
    {"sdk-location", "SDK location", &CheckSdkLocation, true},
    {"self-update", "Self-update of the installer", &CheckSelfUpdate, false},
    {"sdk-signature", "SDK signature and publisher", &CheckSdkSignature, true},
    {"path-variable", "PATH before the start", &CheckPathVariable, false},
    {"bypass-variable", "Bypass variable", &CheckBypassVariable, false},
    {"session-start", "Session start and folder lock (dtutInitializeTSC)", &CheckSessionStart,
     true},
    {"path-update", "PATH update (dtutUpdatePathForTSC)", &CheckPathUpdate, false},
    {"teardown", "Unlock, session end and unload (dtutUninitializeTSC)", &CheckTeardown, true},
};

// The library's receiver is a plain function pointer; it hands every message to this context.
Context* receiving = nullptr;

void Receive(std::wstring level, std::wstring message) {
    Diagnostic diagnostic{WideToUtf8(level), WideToUtf8(message), {}};
    if (diagnostic.message == tsc::kNoCustomPathMessage) diagnostic.note = NoOverrideNote();
    receiving->received.push_back(std::move(diagnostic));
}

std::uintmax_t FileSize(const std::wstring& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// Keeps the checks' wrapper-log lines out of the user's log: the checks' own wrapper writes its
// log into a temporary folder of the tool's own, removed when the object ends. The environment is
// left alone, so every reference the checks expand (%LOCALAPPDATA% in the SDK's recorded path
// among them) names what it names for the session.
class CheckLog {
  public:
    explicit CheckLog(QUILAPIWrapperImpl& wrapper) {
        std::error_code error;
        folder_ = std::filesystem::temp_directory_path(error) /
                  ("tscdiag-" + std::to_string(GetCurrentProcessId()));
        if (!error) std::filesystem::create_directories(folder_, error);
        if (error) {
            folder_.clear();
            return;
        }
        path_ = (folder_ / "QUIL_APIWrapper.log").wstring();
        wrapper.UseLogFile(path_);
    }
    ~CheckLog() {
        std::error_code error;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
    }
    CheckLog(const CheckLog&) = delete;
    CheckLog& operator=(const CheckLog&) = delete;

    // The file the checks' lines go to; the user's log when no folder could be made.
    std::wstring path() const { return path_.empty() ? tsc::WrapperLogPath() : path_; }

  private:
    std::filesystem::path folder_;
    std::wstring path_;
};

// A check that raises is a failed step, not a lost report.
void RunGuarded(const StepDefinition& definition, Context& context, Step& step) {
    try {
        definition.run(context, step);
    } catch (const std::exception& error) {
        step.Fail(std::string("the check itself failed: ") + error.what());
    }
}

}  // namespace

std::vector<std::string> Context::LogLines() const {
    // Opened for reading only, so that the library and other writers can go on appending.
    std::ifstream file(std::filesystem::path(logPath), std::ios::binary);
    std::vector<std::string> lines;
    if (!file || FileSize(logPath) < logStart) return lines;
    file.seekg(static_cast<std::streamoff>(logStart));
    for (std::string line; std::getline(file, line) && !file.eof();) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

int RunDiagnosis(OutputFormat format) {
    // The checks probe paths and load the SDK outside the exports too: no system error box
    // may stop the tool on a customer's machine either.
    const tsc::ScopedSilentErrorMode silent;
    const bool text = format == OutputFormat::kText;
    const Identity identity = IdentifyTool();
    if (text) WriteOut(TitleText(identity));
    Context context;
    receiving = &context;
    const DiagnosticSinkFunc previousSink = std::exchange(DiagnosticSink, &Receive);
    std::optional<CheckLog> checkLog(std::in_place, context.wrapper);
    std::vector<Step> steps;
    for (const StepDefinition& definition : kSteps) {
        Step& step = steps.emplace_back();
        step.number = static_cast<int>(steps.size());
        step.id = definition.id;
        step.title = definition.title;
        context.logPath = checkLog ? checkLog->path() : tsc::WrapperLogPath();
        context.logStart = FileSize(context.logPath);
        RunGuarded(definition, context, step);
        if (definition.logged && step.verdict != Verdict::kSkipped) {
            step.facts["logLines"] = context.LogLines();
        }
        if (step.number == kLastCheckStep) checkLog.reset();
        step.diagnostics = std::exchange(context.received, {});
        if (text) WriteOut(StepText(step));
    }
    DiagnosticSink = previousSink;
    const Outcome outcome = Conclude(steps);
    WriteOut(text ? OutcomeText(outcome) : ReportJson(identity, steps, outcome));
    return outcome.exitCode;
}

}  // namespace tscdiag
