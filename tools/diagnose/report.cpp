#include "report.h"

namespace tscdiag {

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
