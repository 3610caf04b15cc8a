// Steps 6 and 7: what in this process's environment makes the library refuse to start at all.
// The host's environment decides for the host: run the tool from an environment like it.
#include <algorithm>

#include "checks.h"
#include "entry/start_conditions.h"
#include "common/environment_variable.h"
#include "location/text_conversion.h"

namespace tscdiag {
namespace {

const std::string kMarker = WideToUtf8(tsc::kSharedComponentsMarker);
const std::string kBypass = WideToUtf8(tsc::kBypassVariable);

// The entries of PATH that, on their own, would stop the start.
Json EntriesNamingSharedComponents(const std::wstring& path) {
    Json entries = Json::array();
    for (std::size_t begin = 0, end = 0; begin <= path.size(); begin = end + 1) {
        end = std::min(path.find(L';', begin), path.size());
        const std::wstring entry = path.substr(begin, end - begin);
        if (tsc::PathNamesSharedComponents(entry)) entries.push_back(WideToUtf8(entry));
    }
    return entries;
}

}  // namespace

void CheckPathVariable(Context&, Step& step) {
    const std::wstring path = tsc::ReadEnvironmentVariable(L"PATH").value_or(std::wstring());
    const bool names = tsc::PathNamesSharedComponents(path);
    step.facts["namesSharedComponents"] = names;
    step.facts["entries"] = EntriesNamingSharedComponents(path);
    if (!names) return step.Pass("PATH does not name " + kMarker + ".");
    step.Fail("PATH already names " + kMarker +
              ", so the library refuses to start a second time in this process.");
}

void CheckBypassVariable(Context&, Step& step) {
    const std::optional<std::wstring> value = tsc::ReadEnvironmentVariable(tsc::kBypassVariable);
    const bool bypassed = tsc::IsInitializeBypassed();
    step.facts["variable"] = kBypass;
    step.facts["set"] = bypassed;
    step.facts["value"] = value ? Json(WideToUtf8(*value)) : Json(nullptr);
    if (!bypassed) return step.Pass(kBypass + " is not set.");
    step.Fail(kBypass + " is set (any value counts, even 0 or empty): the library skips the " +
              "whole start.");
}

}  // namespace tscdiag
