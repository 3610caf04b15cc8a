// The report in plain words, for a support engineer reading the console.
#pragma once

#include <string>

#include "report.h"

namespace tscdiag {

std::string TitleText();
// "Step 3. SDK location", the library's messages of the step, the facts indented under it, and
// the verdict with its summary.
std::string StepText(const Step& step);
// The last line: the result in plain words.
std::string OutcomeText(const Outcome& outcome);

}  // namespace tscdiag
