#include "entry/tsc_component_manager.h"

// Placeholder until the folder resolution lands: no folder is ever resolved.
std::int32_t TscComponentManager::LockInstallLocation(std::wstring& folder) {
    if (release.empty()) return 8;
    folder = installPath;
    return 6;
}

std::int32_t TscComponentManager::Uninitialize() {
    if (release.empty()) return 8;
    return 0;
}
