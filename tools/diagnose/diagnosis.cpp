#include "diagnosis.h"

#include <exception>
#include <functional>
#include <vector>

#include "checks.h"
#include "console_output.h"
#include "json_report.h"
#include "text_writer.h"

namespace tscdiag {
namespace {

struct StepDefinition {
    const char* id;
    const char* title;
    std::function<void(Step&)> run;
};

// A check that raises is a failed step, not a lost report.
void RunGuarded(const StepDefinition& definition, Step& step) {
    try {
        definition.run(step);
    } catch (const std::exception& error) {
        Fail(step, std::string("the check itself failed: ") + error.what());
    } catch (...) {
        Fail(step, "the check itself failed.");
    }
}

std::vector<StepDefinition> Definitions(const DiagnosticCapture& capture,
                                        const OverrideState& override, Context& context) {
    return {
        {"release-registry", "Release registry values and folders",
         [&](Step& step) { CheckReleaseValues(override, context, step); }},
        {"path-override", "Path override",
         [&](Step& step) { CheckPathOverride(override, context, step); }},
        {"sdk-location", "SDK location", [&](Step& step) { CheckSdkLocation(context, step); }},
        {"self-update", "Self-update of the installer", [](Step& step) { CheckSelfUpdate(step); }},
        {"sdk-signature", "SDK signature and publisher",
         [&](Step& step) { CheckSdkSignature(context, step); }},
        {"path-variable", "PATH before the start", [](Step& step) { CheckPathVariable(step); }},
        {"bypass-variable", "Bypass variable", [](Step& step) { CheckBypassVariable(step); }},
        {"session-start", "Session start and folder lock (dtutInitializeTSC)",
         [&](Step& step) { CheckSessionStart(capture, context, step); }},
        {"path-update", "PATH update (dtutUpdatePathForTSC)",
         [&](Step& step) { CheckPathUpdate(context, step); }},
        {"teardown", "Unlock, session end and unload (dtutUninitializeTSC)",
         [&](Step& step) { CheckTeardown(capture, context, step); }},
    };
}

}  // namespace

int RunDiagnosis(OutputFormat format) {
    const bool text = format == OutputFormat::kText;
    if (text) WriteOut(TitleText());
    // In text form each library message is printed the moment it arrives, under its step.
    DiagnosticCapture capture([text](const Diagnostic& diagnostic) {
        if (text) WriteOut(DiagnosticText(diagnostic));
    });
    Context context;
    const OverrideState override = ReadOverrideState();
    std::vector<Step> steps;
    int number = 0;
    for (const StepDefinition& definition : Definitions(capture, override, context)) {
        Step step;
        step.number = ++number;
        step.id = definition.id;
        step.title = definition.title;
        if (text) WriteOut(StepHeaderText(step));
        RunGuarded(definition, step);
        step.diagnostics = capture.Take();
        if (text) WriteOut(StepBodyText(step));
        steps.push_back(std::move(step));
    }
    const Outcome outcome = Conclude(steps);
    WriteOut(text ? OutcomeText(outcome) : ReportJson(steps, outcome));
    return outcome.exitCode;
}

}  // namespace tscdiag
