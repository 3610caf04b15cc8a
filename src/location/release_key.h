// The machine key under which the installer records a release's shared components, its values,
// and the variable that can name the folder instead.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tsc {

// The values under the release's key: the installation root, the installed version's subfolder,
// and the switch that lets the environment name the folder.
inline constexpr wchar_t kInstallPathValue[] = L"InstallPath";
inline constexpr wchar_t kVersionValue[] = L"Version";
inline constexpr wchar_t kPathOverrideValue[] = L"EnablePathOverride";

// Write access is asked for on purpose when the switch is read: only a process allowed to change
// the machine's setup (an elevated one) may use the override.
inline constexpr REGSAM kPathOverrideAccess = KEY_READ | KEY_WRITE;

// The switch as a little-endian 32-bit integer of whatever type it is stored as: shorter data
// leave the high bytes 0; missing or longer data read as nothing. Only exactly kPathOverrideOn
// enables the override.
std::optional<DWORD> ReadPathOverrideSwitch(HKEY key);
inline constexpr DWORD kPathOverrideOn = 1;

// The override step's message (level FATAL) when the switch cannot be read with that access: on
// a machine without an override, the usual case, the switch is simply missing. The registry
// values are used then.
inline constexpr char kNoCustomPathMessage[] = "There is no custom path set";

// "SOFTWARE\Tesmora\SharedComponents\" followed directly by the release, nothing trimmed.
inline std::wstring ReleaseKeyPath(const std::wstring& release) {
    return L"SOFTWARE\\Tesmora\\SharedComponents\\" + release;
}

// "TSC_PATH_" followed directly by the release.
inline std::wstring PathOverrideVariable(const std::wstring& release) {
    return L"TSC_PATH_" + release;
}

}  // namespace tsc
