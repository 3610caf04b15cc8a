#include "diagnostic_capture.h"

#include <utility>

#include "location/diagnostics.h"
#include "location/text_conversion.h"

namespace tscdiag {
namespace {

// The library's receiver is a plain function pointer, so the capture it reaches is kept here.
DiagnosticCapture* activeCapture = nullptr;

}  // namespace

DiagnosticCapture::DiagnosticCapture(Listener listener)
    : listener_(std::move(listener)), previousSink_(DiagnosticSink) {
    activeCapture = this;
    DiagnosticSink = &DiagnosticCapture::Receive;
}

DiagnosticCapture::~DiagnosticCapture() {
    DiagnosticSink = previousSink_;
    activeCapture = nullptr;
}

std::vector<Diagnostic> DiagnosticCapture::Take() { return std::exchange(pending_, {}); }

void DiagnosticCapture::Receive(std::wstring level, std::wstring message) {
    if (activeCapture == nullptr) return;
    Diagnostic diagnostic{WideToUtf8(level), WideToUtf8(message)};
    if (activeCapture->listener_) activeCapture->listener_(diagnostic);
    activeCapture->pending_.push_back(std::move(diagnostic));
}

}  // namespace tscdiag
