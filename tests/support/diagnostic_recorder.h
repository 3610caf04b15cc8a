// Records the library's diagnostic messages while alive (tests that link the library statically).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "location/diagnostics.h"
#include "location/text_conversion.h"

namespace tsctest {

struct Diagnostic {
    std::string level;
    std::string message;  // UTF-8
    bool operator==(const Diagnostic&) const = default;
};

// For readable failure output.
inline void PrintTo(const Diagnostic& diagnostic, std::ostream* out) {
    *out << "{" << diagnostic.level << ", \"" << diagnostic.message << "\"}";
}

class DiagnosticRecorder {
  public:
    DiagnosticRecorder() {
        recorded_.clear();
        DiagnosticSink = [](std::wstring level, std::wstring message) {
            recorded_.push_back({WideToUtf8(level), WideToUtf8(message)});
        };
    }
    ~DiagnosticRecorder() { DiagnosticSink = nullptr; }
    DiagnosticRecorder(const DiagnosticRecorder&) = delete;
    DiagnosticRecorder& operator=(const DiagnosticRecorder&) = delete;

    const std::vector<Diagnostic>& messages() const { return recorded_; }

  private:
    static inline std::vector<Diagnostic> recorded_;
};

}  // namespace tsctest
