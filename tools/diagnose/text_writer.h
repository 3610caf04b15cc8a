// The report in plain words, for a support engineer reading the console.
#pragma once

#include <string>

#include "report.h"

namespace tscdiag {

std::string TitleText();
// "Step 3. SDK location" and a line end.
std::string StepHeaderText(const Step& step);
// The facts, indented under the header, and the verdict with its summary.
std::string StepBodyText(const Step& step);
// One leveled message of the library, printed as it comes.
std::string DiagnosticText(const Diagnostic& diagnostic);
// The last line: the result in plain words.
std::string OutcomeText(const Outcome& outcome);

}  // namespace tscdiag
