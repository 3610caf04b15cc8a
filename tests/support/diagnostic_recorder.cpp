#include "support/diagnostic_recorder.h"

#include <ostream>

#include "location/diagnostics.h"
#include "location/text_conversion.h"

namespace tsctest {
namespace {

std::vector<Diagnostic>& Recorded() {
    static std::vector<Diagnostic> recorded;
    return recorded;
}

void Record(std::wstring level, std::wstring message) {
    Recorded().push_back({WideToUtf8(level), WideToUtf8(message)});
}

}  // namespace

DiagnosticRecorder::DiagnosticRecorder() {
    Recorded().clear();
    DiagnosticSink = &Record;
}

DiagnosticRecorder::~DiagnosticRecorder() { DiagnosticSink = nullptr; }

const std::vector<Diagnostic>& DiagnosticRecorder::messages() const { return Recorded(); }

void DiagnosticRecorder::clear() { Recorded().clear(); }

void PrintTo(const Diagnostic& diagnostic, std::ostream* out) {
    *out << "{" << diagnostic.level << ", \"" << diagnostic.message << "\"}";
}

}  // namespace tsctest
