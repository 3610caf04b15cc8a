// Receives the library's leveled diagnostic messages while a diagnosis runs. The library never
// installs a receiver itself; this tool does, so that a support engineer sees every message.
#pragma once

#include <vector>

#include "location/diagnostics.h"
#include "report.h"

namespace tscdiag {

class DiagnosticCapture {
  public:
    // Installs the receiver, and puts back the one installed before at scope end.
    DiagnosticCapture();
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    // The messages received since the last Take.
    const std::vector<Diagnostic>& Pending() const;
    std::vector<Diagnostic> Take();

  private:
    DiagnosticSinkFunc previousSink_ = nullptr;
};

}  // namespace tscdiag
