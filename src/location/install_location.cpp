// The shared-components folder of a release as its installer recorded it: an installation root
// and the name of the installed version's subfolder, both under the release's machine key.
#include <windows.h>

#include <optional>
#include <string>

#include "common/status.h"
#include "entry/tsc_component_manager.h"
#include "location/diagnostics.h"
#include "common/existence.h"
#include "common/system_error_text.h"
#include "common/registry_text.h"
#include "location/release_key.h"
#include "location/text_conversion.h"
#include "common/win_handles.h"

namespace {

// One path's worth of UTF-16 units; a longer value fails the read.
constexpr DWORD kValueUnits = MAX_PATH;

// The value's data taken as UTF-16 text, whatever its type: up to the first NUL and never past
// the bytes the registry returned, so a value stored without a terminator is cut at its end.
std::optional<std::wstring> ReadTextValue(HKEY key, const wchar_t* name) {
    wchar_t buffer[kValueUnits];
    DWORD byteCount = sizeof(buffer);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                         &byteCount) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return tsc::RegistryText(buffer, byteCount);
}

// A folder that is not there yields code 0 and so ends in the system's text for success;
// other failures (access denied, ...) bring their own text.
std::string ErrorCodeTail(std::uint32_t code) { return " Error Code : " + SystemErrorText(code); }

}  // namespace

// NOLINTNEXTLINE(performance-unnecessary-value-param): the caller hands over a copy of the release
std::int32_t TscComponentManager::ReadInstallLocation(std::wstring releaseName) {
    tsc::UniqueRegKey key;
    const std::wstring keyPath = tsc::ReleaseKeyPath(releaseName);
    if (RegOpenKeyExW(registryRoot, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        EmitDiagnosticUtf8("FATAL", "Failed to open registry key");
        return tsc::status::kRegistryUnreadable;
    }
    const std::optional<std::wstring> root = ReadTextValue(key.get(), tsc::kInstallPathValue);
    if (!root) {
        EmitDiagnosticUtf8("FATAL", "Failed to read InstallPath registry entry");
        return tsc::status::kRegistryUnreadable;
    }
    const tsc::Existence rootFound = tsc::QueryExistence(*root);
    if (!rootFound.exists) {
        EmitDiagnosticUtf8("ERROR", "The Install Location Path is Incorrect" + WideToUtf8(*root) +
                                        ErrorCodeTail(rootFound.error));
        return tsc::status::kFolderMissing;
    }
    // An override taken earlier in this process makes the root itself the folder.
    if (pathOverrideActive) {
        installPath = *root;
        return tsc::status::kSuccess;
    }
    const std::optional<std::wstring> version = ReadTextValue(key.get(), tsc::kVersionValue);
    if (!version) {
        EmitDiagnosticUtf8("FATAL", "Failed to read Version from registry entry");
        return tsc::status::kRegistryUnreadable;
    }
    if (version->empty()) {
        EmitDiagnosticUtf8("FATAL", "Entry for Version in Registry is Empty.");
        return tsc::status::kVersionEmpty;
    }
    // Kept even when the version folder turns out to be missing: teardown unlocks this path.
    installPath = *root + L"\\" + *version;
    const tsc::Existence versionFound = tsc::QueryExistence(installPath);
    if (!versionFound.exists) {
        EmitDiagnosticUtf8("ERROR", "The Version for the Install Path Does Not Exist." +
                                        WideToUtf8(*version) + ErrorCodeTail(versionFound.error));
        return tsc::status::kFolderMissing;
    }
    return tsc::status::kSuccess;
}
