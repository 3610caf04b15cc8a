#include "diagnosis.h"

#include <exception>
#include <vector>

#include "checks.h"
#include "console_output.h"
#include "report.h"
#include "location/file_system_error.h"
#include "location/system_error_text.h"
#include "location/text_conversion.h"
#include "log_redirect.h"

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
    DiagnosticCapture capture;
    Context context{capture};
    LogRedirect redirect;
    std::vector<Step> steps;
    for (const StepDefinition& definition : kSteps) {
        Step& step = steps.emplace_back();
        step.number = static_cast<int>(steps.size());
        step.id = definition.id;
        step.title = definition.title;
        RunGuarded(definition, context, step);
        if (step.number == kLastCheckStep) redirect.End();
        for (Diagnostic& diagnostic : capture.Take()) step.diagnostics.push_back(diagnostic);
        if (text) WriteOut(StepText(step));
    }
    const Outcome outcome = Conclude(steps);
    WriteOut(text ? OutcomeText(outcome) : ReportJson(steps, outcome));
    return outcome.exitCode;
}

}  // namespace tscdiag
