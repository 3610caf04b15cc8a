#include "location/diagnostics.h"

#include <utility>

#include "location/text_conversion.h"

DiagnosticSinkFunc DiagnosticSink = nullptr;

void EmitDiagnostic(std::wstring level, std::wstring message) {
    // NOLINTNEXTLINE(performance-unnecessary-value-param): the receiver gets copies of its own
    if (DiagnosticSink != nullptr) DiagnosticSink(level, message);
}

void EmitDiagnosticUtf8(const char* level, const std::string& message) {
    EmitDiagnostic(Utf8ToWide(level), Utf8ToWide(message));
}
