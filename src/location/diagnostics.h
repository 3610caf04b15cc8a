// Leveled diagnostic messages of session control and the install-location steps. They go to one
// process-wide receiver that the library itself never installs; without one they are dropped.
#pragma once

#include <string>

// Receives the level ("INFO", "WARN", "ERROR" or "FATAL") and the message, both as UTF-16.
using DiagnosticSinkFunc = void (*)(std::wstring level, std::wstring message);

extern DiagnosticSinkFunc DiagnosticSink;

void EmitDiagnostic(std::wstring level, std::wstring message);

// Converts a UTF-8 level word and message and hands them to EmitDiagnostic.
void EmitDiagnosticUtf8(const char* level, const std::string& message);
