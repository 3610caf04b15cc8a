// tscdiag [--json]
//
// For a support engineer on an end user's machine: checks, step by step, everything the
// library needs to start a session for release 2026, then starts one through the library in
// this process, locks the folder, and tears it all down again. The machine is left as it was,
// apart from the lines every session attempt appends to the wrapper log.
//
// Exit code: 0 when everything a host needs works; otherwise the number of the first failing
// step; 64 for a usage error.
#include <string>
#include <string_view>

#include "console_output.h"
#include "diagnosis.h"
#include "entry/session_names.h"
#include "location/text_conversion.h"

namespace {

constexpr int kUsageError = 64;

const std::string kUsage =
    "usage: tscdiag [--json]\n  Checks the shared components of release " +
    WideToUtf8(tsc::kRelease) +
    " and the installer-service session.\n"
    "  --json  print the report as one JSON document (see docs/diagnose.md)\n"
    "Exit code: 0 when everything works, else the number of the first failing step.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 1) return tscdiag::RunDiagnosis(tscdiag::OutputFormat::kText);
    const std::string_view option = argv[1];
    if (argc == 2 && option == "--json") {
        return tscdiag::RunDiagnosis(tscdiag::OutputFormat::kJson);
    }
    if (argc == 2 && (option == "--help" || option == "-h" || option == "/?")) {
        tscdiag::WriteOut(kUsage);
        return 0;
    }
    tscdiag::WriteError(kUsage);
    return kUsageError;
}
