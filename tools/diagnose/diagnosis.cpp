#include "diagnosis.h"

#include <windows.h>

#include <exception>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "checks.h"
#include "console_output.h"
#include "location/diagnostics.h"
#include "location/environment_variable.h"
#include "location/file_system_error.h"
#include "location/system_error_text.h"
#include "location/text_conversion.h"
#include "wrapper/wrapper_log.h"

namespace tscdiag {
namespace {

struct StepDefinition {
    const char* id;
    const char* title;
    void (*run)(Context&, Step&);
};

// The library's own checks answer within these steps; the session steps follow.
constexpr int kLastCheckStep = 5;

constexpr StepDefinition kSteps[] = {
    {"release-registry", "Release registry values and folders", &CheckReleaseValues},
    {"path-override", "Path override", &CheckPathOverride},
    {"sdk-location", "SDK location", &CheckSdkLocation},
    {"self-update", "Self-update of the installer", &CheckSelfUpdate},
    {"sdk-signature", "SDK signature and publisher", &CheckSdkSignature},
    {"path-variable", "PATH before the start", &CheckPathVariable},
    {"bypass-variable", "Bypass variable", &CheckBypassVariable},
    {"session-start", "Session start and folder lock (dtutInitializeTSC)", &CheckSessionStart},
    {"path-update", "PATH update (dtutUpdatePathForTSC)", &CheckPathUpdate},
    {"teardown", "Unlock, session end and unload (dtutUninitializeTSC)", &CheckTeardown},
};

// The library's receiver is a plain function pointer; it hands every message to this context.
Context* receiving = nullptr;

void Receive(std::wstring level, std::wstring message) {
    receiving->received.push_back({WideToUtf8(level), WideToUtf8(message)});
}

// Keeps the checks' wrapper-log lines out of the user's log: while an object lives, this
// process's LOCALAPPDATA names a temporary folder of the tool's own, with the log's folders in
// it (the library never creates them).
class LogRedirect {
  public:
    LogRedirect() : saved_(tsc::ReadEnvironmentVariable(kVariable)) {
        std::error_code error;
        folder_ = std::filesystem::temp_directory_path(error) /
                  ("tscdiag-" + std::to_string(GetCurrentProcessId()));
        active_ = !error && SetEnvironmentVariableW(kVariable, folder_.c_str()) != 0;
        if (active_) {
            std::filesystem::create_directories(
                std::filesystem::path(tsc::WrapperLogPath()).parent_path(), error);
        }
    }
    ~LogRedirect() { End(); }
    LogRedirect(const LogRedirect&) = delete;
    LogRedirect& operator=(const LogRedirect&) = delete;

    // Puts LOCALAPPDATA back as it was and removes the temporary folder.
    void End() {
        if (!active_) return;
        SetEnvironmentVariableW(kVariable, saved_ ? saved_->c_str() : nullptr);
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
        active_ = false;
    }

  private:
    static constexpr wchar_t kVariable[] = L"LOCALAPPDATA";
    std::filesystem::path folder_;
    std::optional<std::wstring> saved_;
    bool active_ = false;
};

// A check that raises is a failed step, not a lost report.
void RunGuarded(const StepDefinition& definition, Context& context, Step& step) {
    try {
        definition.run(context, step);
    } catch (const tsc::FileSystemError& error) {
        step.Fail("the library's status query (" + error.operation() + ") of " +
                  WideToUtf8(error.path()) + " failed: " + SystemErrorText(error.code()));
    } catch (const std::exception& error) {
        step.Fail(std::string("the check itself failed: ") + error.what());
    }
}

}  // namespace

int RunDiagnosis(OutputFormat format) {
    const bool text = format == OutputFormat::kText;
    if (text) WriteOut(TitleText());
    Context context;
    receiving = &context;
    const DiagnosticSinkFunc previousSink = std::exchange(DiagnosticSink, &Receive);
    LogRedirect redirect;
    std::vector<Step> steps;
    for (const StepDefinition& definition : kSteps) {
        Step& step = steps.emplace_back();
        step.number = static_cast<int>(steps.size());
        step.id = definition.id;
        step.title = definition.title;
        RunGuarded(definition, context, step);
        if (step.number == kLastCheckStep) redirect.End();
        step.diagnostics = std::exchange(context.received, {});
        if (text) WriteOut(StepText(step));
    }
    DiagnosticSink = previousSink;
    const Outcome outcome = Conclude(steps);
    WriteOut(text ? OutcomeText(outcome) : ReportJson(steps, outcome));
    return outcome.exitCode;
}

}  // namespace tscdiag
