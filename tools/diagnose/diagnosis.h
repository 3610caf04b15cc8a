// Runs every step of a diagnosis in order and reports it, as text or as JSON.
#pragma once

namespace tscdiag {

enum class OutputFormat { kText, kJson };

// Answers the exit code: 0 when everything a host needs works, else the first failing step.
int RunDiagnosis(OutputFormat format);

}  // namespace tscdiag
