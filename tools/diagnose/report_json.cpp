#include "report.h"

#include "entry/session_names.h"
#include "location/text_conversion.h"

namespace tscdiag {

std::string ReportJson(const std::vector<Step>& steps, const Outcome& outcome) {
    static const char* const kVerdicts[] = {"passed", "failed", "skipped"};
    Json report = {{"tool", "tscdiag"},
                   {"formatVersion", kJsonFormatVersion},
                   {"release", WideToUtf8(tsc::kRelease)}};
    report["steps"] = Json::array();
    for (const Step& step : steps) {
        Json diagnostics = Json::array();
        for (const Diagnostic& diagnostic : step.diagnostics) {
            diagnostics.push_back({{"level", diagnostic.level}, {"message", diagnostic.message}});
        }
        report["steps"].push_back({{"number", step.number},
                                   {"id", step.id},
                                   {"title", step.title},
                                   {"verdict", kVerdicts[static_cast<int>(step.verdict)]},
                                   {"summary", step.summary},
                                   {"facts", step.facts},
                                   {"diagnostics", diagnostics}});
    }
    report["exitCode"] = outcome.exitCode;
    report["firstFailingStep"] =
        outcome.firstFailingStep == 0 ? Json(nullptr) : Json(outcome.firstFailingStep);
    report["result"] = outcome.result;
    // Bytes that are not valid UTF-8 (from a file or a value) become U+FFFD.
    return report.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tscdiag
