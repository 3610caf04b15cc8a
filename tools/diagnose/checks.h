// The numbered checks of a diagnosis. Each fills the facts, verdict and summary of its step; the
// steps run in this order, and later steps use what earlier ones found (Context).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "entry/session_names.h"
#include "entry/tsc_component_manager.h"
#include "report.h"
#include "wrapper/quil_api_wrapper_impl.h"

namespace tscdiag {

struct Context {
    // The library's messages received so far during the running step.
    std::vector<Diagnostic> received;
    // The wrapper log named by the environment, and its size when the running step began.
    std::wstring logPath;
    std::uintmax_t logStart = 0;
    // Steps 3 and 5 ask a wrapper of the tool's own, so that nothing they find or remember
    // reaches the session of steps 8 to 10.
    QUILAPIWrapperImpl wrapper;
    // dtutInitializeTSC answered true.
    bool initialized = false;

    // The whole lines appended to the wrapper log since the running step began, without their
    // line ends. Other processes may append meanwhile; their lines then show up too.
    std::vector<std::string> LogLines() const;
};

void CheckReleaseValues(Context& context, Step& step);   // 1
void CheckPathOverride(Context& context, Step& step);    // 2
void CheckSdkLocation(Context& context, Step& step);     // 3
void CheckSelfUpdate(Context& context, Step& step);      // 4
void CheckSdkSignature(Context& context, Step& step);    // 5
void CheckPathVariable(Context& context, Step& step);    // 6
void CheckBypassVariable(Context& context, Step& step);  // 7
void CheckSessionStart(Context& context, Step& step);    // 8
void CheckPathUpdate(Context& context, Step& step);      // 9
void CheckTeardown(Context& context, Step& step);        // 10

}  // namespace tscdiag
