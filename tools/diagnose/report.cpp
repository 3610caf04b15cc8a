#include "report.h"

#include "location/text_conversion.h"

namespace tscdiag {

Value::Value(const std::wstring& text) : data_(WideToUtf8(text)) {}

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::kPassed:
            return "passed";
        case Verdict::kFailed:
            return "failed";
        case Verdict::kSkipped:
            return "skipped";
    }
    return "failed";
}

Outcome Conclude(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (step.verdict != Verdict::kFailed) continue;
        return Outcome{step.number, step.number,
                       "step " + std::to_string(step.number) + " (" + step.title +
                           ") failed: " + step.summary};
    }
    return Outcome{0, 0, "all checks passed: a host can start a session on this machine."};
}

}  // namespace tscdiag
