// Receives the library's leveled diagnostic messages while a diagnosis runs. The library never
// installs a receiver itself; this tool does, so that a support engineer sees every message.
#pragma once

#include <functional>
#include <vector>

#include "location/diagnostics.h"
#include "report.h"

namespace tscdiag {

class DiagnosticCapture {
  public:
    using Listener = std::function<void(const Diagnostic&)>;

    // Installs the receiver; `listener` hears each message as it comes.
    explicit DiagnosticCapture(Listener listener);
    // Puts back whatever receiver was installed before.
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    // The messages received since the last Take.
    const std::vector<Diagnostic>& Pending() const { return pending_; }
    std::vector<Diagnostic> Take();

  private:
    static void Receive(std::wstring level, std::wstring message);

    Listener listener_;
    std::vector<Diagnostic> pending_;
    DiagnosticSinkFunc previousSink_ = nullptr;
};

}  // namespace tscdiag
