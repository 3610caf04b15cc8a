#include "diagnostic_capture.h"

#include <utility>

#include "location/text_conversion.h"

namespace tscdiag {
namespace {

// The library's receiver is a plain function pointer, so what it receives is kept here.
std::vector<Diagnostic> received;

void Receive(std::wstring level, std::wstring message) {
    received.push_back({WideToUtf8(level), WideToUtf8(message)});
}

}  // namespace

DiagnosticCapture::DiagnosticCapture() : previousSink_(DiagnosticSink) {
    DiagnosticSink = &Receive;
}

DiagnosticCapture::~DiagnosticCapture() { DiagnosticSink = previousSink_; }

const std::vector<Diagnostic>& DiagnosticCapture::Pending() const { return received; }

std::vector<Diagnostic> DiagnosticCapture::Take() { return std::exchange(received, {}); }

}  // namespace tscdiag
