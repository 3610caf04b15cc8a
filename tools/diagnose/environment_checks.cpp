// Steps 6 and 7: what in this process's environment makes the library refuse to start at all.
// The host's environment decides for the host: run the tool from an environment like it.
#include <algorithm>

#include "checks.h"
#include "location/environment_variable.h"

namespace tscdiag {
namespace {

constexpr wchar_t kSharedComponentsMarker[] = L"Tesmora Shared\\Components";
constexpr wchar_t kBypassVariable[] = L"TSC_INITIALIZE_BYPASSED";

// The entries of PATH that contain the marker (case matters, as for the library).
Array EntriesNamingSharedComponents(const std::wstring& path) {
    Array entries;
    std::size_t begin = 0;
    while (begin <= path.size()) {
        const std::size_t end = std::min(path.find(L';', begin), path.size());
        const std::wstring entry = path.substr(begin, end - begin);
        if (entry.find(kSharedComponentsMarker) != std::wstring::npos) entries.push_back(entry);
        begin = end + 1;
    }
    return entries;
}

}  // namespace

void CheckPathVariable(Step& step) {
    const std::wstring path = tsc::ReadEnvironmentVariable(L"PATH").value_or(std::wstring());
    // The library looks for the text anywhere in the value, even across a ";".
    const bool names = path.find(kSharedComponentsMarker) != std::wstring::npos;
    step.facts.push_back({"namesSharedComponents", "PATH names Tesmora Shared\\Components", names});
    step.facts.push_back({"entries", "Entries naming it", EntriesNamingSharedComponents(path)});
    if (names) {
        Fail(step,
             "PATH already names Tesmora Shared\\Components, so the library refuses to start "
             "a second time in this process.");
    } else {
        Pass(step, "PATH does not name Tesmora Shared\\Components.");
    }
}

void CheckBypassVariable(Step& step) {
    const std::optional<std::wstring> value = tsc::ReadEnvironmentVariable(kBypassVariable);
    step.facts.push_back({"variable", "Variable", std::wstring(kBypassVariable)});
    step.facts.push_back({"set", "Set", value.has_value()});
    step.facts.push_back({"value", "Value", value ? Value(*value) : Value()});
    if (value) {
        Fail(step,
             "TSC_INITIALIZE_BYPASSED is set (any value counts, even 0 or empty): the "
             "library skips the whole start.");
    } else {
        Pass(step, "TSC_INITIALIZE_BYPASSED is not set.");
    }
}

}  // namespace tscdiag
