// Records the library's diagnostic messages while alive (tests that link the library statically).
#pragma once

#include <string>
#include <vector>

namespace tsctest {

struct Diagnostic {
    std::string level;
    std::string message;  // UTF-8
    bool operator==(const Diagnostic&) const = default;
};

class DiagnosticRecorder {
public:
    DiagnosticRecorder();
    ~DiagnosticRecorder();
    DiagnosticRecorder(const DiagnosticRecorder&) = delete;
    DiagnosticRecorder& operator=(const DiagnosticRecorder&) = delete;

    const std::vector<Diagnostic>& messages() const;
    void clear();
};

// For readable failure output.
void PrintTo(const Diagnostic& diagnostic, std::ostream* out);

}  // namespace tsctest
