// A machine can take the shared-components folder from the environment instead of the
// installer's values: a switch under the release's key enables it, and the variable
// "TSC_PATH_<release>" names the folder.
#include <windows.h>

#include <optional>
#include <string>

#include "common/status.h"
#include "entry/tsc_component_manager.h"
#include "location/diagnostics.h"
#include "common/environment_variable.h"
#include "location/release_key.h"
#include "common/win_handles.h"

std::optional<DWORD> tsc::ReadPathOverrideSwitch(HKEY key) {
    DWORD value = 0;
    DWORD byteCount = sizeof(value);
    if (RegQueryValueExW(key, kPathOverrideValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &byteCount) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the caller hands over a copy of the release
std::int32_t TscComponentManager::ReadPathOverride(std::wstring releaseName) {
    tsc::UniqueRegKey key;
    const std::wstring keyPath = tsc::ReleaseKeyPath(releaseName);
    if (RegOpenKeyExW(registryRoot, keyPath.c_str(), 0, tsc::kPathOverrideAccess, key.put()) !=
        ERROR_SUCCESS) {
        EmitDiagnosticUtf8("FATAL", tsc::kNoCustomPathMessage);
        return tsc::status::kNoOverride;
    }
    const std::optional<DWORD> enabled = tsc::ReadPathOverrideSwitch(key.get());
    if (!enabled) {
        EmitDiagnosticUtf8("FATAL", tsc::kNoCustomPathMessage);
        return tsc::status::kNoOverride;
    }
    // Only exactly 1 enables; the flag keeps its value so that a later resolution in this
    // process still knows an override was taken.
    if (*enabled != tsc::kPathOverrideOn) return tsc::status::kNoOverride;
    EmitDiagnosticUtf8("INFO", "EnablePathOverride is set to 1");
    // A variable set to an empty value counts as set; the length check of the caller rejects it.
    const std::optional<std::wstring> folder =
        tsc::ReadEnvironmentVariable(tsc::PathOverrideVariable(release));
    if (!folder) {
        pathOverrideActive = false;
        return tsc::status::kOverrideVariableMissing;
    }
    pathOverrideActive = true;
    installPath = *folder;
    return tsc::status::kSuccess;
}
