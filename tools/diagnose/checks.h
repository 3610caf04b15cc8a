// The numbered checks of a diagnosis. Each fills the facts, verdict and summary of its step; the
// steps run in this order, and later steps use what earlier ones found (Context).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "diagnostic_capture.h"
#include "registry_value.h"
#include "report.h"

namespace tscdiag {

inline constexpr wchar_t kRelease[] = L"2026";

// What later steps need from earlier ones.
struct Context {
    // The folder the library would resolve (from the override or the registry); empty if none.
    std::wstring folder;
    // The expanded SDK path, when something exists there.
    std::wstring sdkPath;
    // dtutInitializeTSC answered true.
    bool initialized = false;
};

// The path override as the library would see it. Step 1 needs it too: when the override supplies
// the folder, the library does not use the registry's folder values.
struct OverrideState {
    RawValue switchValue;
    // The library opens the key asking for write access; without it the override is ignored.
    DWORD writeOpenError = 0;
    std::optional<std::uint32_t> switchNumber;  // as the library reads it; none when unreadable
    std::optional<std::wstring> variable;       // TSC_PATH_2026

    bool Enabled() const { return switchNumber == 1u; }
    bool Active() const { return writeOpenError == 0 && Enabled() && variable.has_value(); }
};

OverrideState ReadOverrideState();

// Folders shorter than this are rejected by the library ("C:\" and the like).
inline constexpr std::size_t kShortestFolder = 5;

void CheckReleaseValues(const OverrideState& override, Context& context, Step& step);      // 1
void CheckPathOverride(const OverrideState& override, Context& context, Step& step);       // 2
void CheckSdkLocation(Context& context, Step& step);                                       // 3
void CheckSelfUpdate(Step& step);                                                          // 4
void CheckSdkSignature(const Context& context, Step& step);                                // 5
void CheckPathVariable(Step& step);                                                        // 6
void CheckBypassVariable(Step& step);                                                      // 7
void CheckSessionStart(const DiagnosticCapture& capture, Context& context, Step& step);    // 8
void CheckPathUpdate(const Context& context, Step& step);                                  // 9
void CheckTeardown(const DiagnosticCapture& capture, const Context& context, Step& step);  // 10

// Sets the verdict and the summary in one go.
inline void Fail(Step& step, std::string summary) {
    step.verdict = Verdict::kFailed;
    step.summary = std::move(summary);
}
inline void Pass(Step& step, std::string summary) {
    step.verdict = Verdict::kPassed;
    step.summary = std::move(summary);
}
inline void Skip(Step& step, std::string summary) {
    step.verdict = Verdict::kSkipped;
    step.summary = std::move(summary);
}

}  // namespace tscdiag
