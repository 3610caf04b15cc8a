#include "json_report.h"

#include "json_writer.h"

namespace tscdiag {
namespace {

Value DiagnosticsValue(const std::vector<Diagnostic>& diagnostics) {
    Array values;
    for (const Diagnostic& diagnostic : diagnostics) {
        values.push_back(Object{{"level", "Level", diagnostic.level},
                                {"message", "Message", diagnostic.message}});
    }
    return values;
}

Value StepValue(const Step& step) {
    return Object{{"number", "Number", step.number},
                  {"id", "Id", step.id},
                  {"title", "Title", step.title},
                  {"verdict", "Verdict", VerdictName(step.verdict)},
                  {"summary", "Summary", step.summary},
                  {"facts", "Facts", step.facts},
                  {"diagnostics", "Library messages", DiagnosticsValue(step.diagnostics)}};
}

}  // namespace

std::string ReportJson(const std::vector<Step>& steps, const Outcome& outcome) {
    Array stepValues;
    for (const Step& step : steps) stepValues.push_back(StepValue(step));
    const Value report =
        Object{{"tool", "Tool", "tscdiag"},
               {"formatVersion", "Format version", kJsonFormatVersion},
               {"release", "Release", "2026"},
               {"steps", "Steps", stepValues},
               {"exitCode", "Exit code", outcome.exitCode},
               {"firstFailingStep", "First failing step",
                outcome.firstFailingStep == 0 ? Value() : Value(outcome.firstFailingStep)},
               {"result", "Result", outcome.result}};
    return JsonText(report) + "\n";
}

}  // namespace tscdiag
