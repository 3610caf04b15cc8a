// The library's whole surface: three exports without arguments.
#include <string>

#include "common/status.h"
#include "dttscsdk/dttscsdk.h"
#include "dtpal/dtpal.h"
#include "entry/module_state.h"
#include "entry/path_update.h"
#include "entry/session_names.h"
#include "entry/start_conditions.h"
#include "common/silent_error_mode.h"

namespace {

namespace PAL = Tesmora::Corvane::PAL;

// PATH as the host's settings give it.
bool PathNamesSharedComponents() {
    const std::wstring path = PAL::Settings::envVars().getString(L"PATH", std::wstring());
    return tsc::PathNamesSharedComponents(path);
}

bool InitializeTsc() {
    if (tscInitialized) return false;
    if (PathNamesSharedComponents()) return false;
    if (tscManager.Initialize(tsc::kRelease) != tsc::status::kSuccess) return false;
    // Set before the folder step: from here on the session must be torn down.
    tscInitialized = true;
    std::wstring folder;
    if (tscManager.LockInstallLocation(folder) != tsc::status::kSuccess) return false;
    tscPath = folder;
    return true;
}

void UninitializeTsc() {
    if (!tscInitialized) return;
    tscManager.Uninitialize();
    tscInitialized = false;
    tscPath.clear();
}

}  // namespace

// Nothing raised beneath an export may reach the host: it would end the host process. The
// exports that touch files and load the SDK do so with the system's error boxes silenced.
extern "C" bool dtutInitializeTSC() {
    const tsc::ScopedSilentErrorMode silent;
    try {
        return InitializeTsc();
    } catch (...) {
        // Memory ran out after the service opened a session: the teardown is owed all the same.
        if (tscManager.SessionOpen()) tscInitialized = true;
        return false;
    }
}

extern "C" bool dtutUpdatePathForTSC() {
    try {
        return tscInitialized && tsc::UpdatePathForTsc(tscPath);
    } catch (...) {
        return false;
    }
}

extern "C" void dtutUninitializeTSC() {
    const tsc::ScopedSilentErrorMode silent;
    try {
        UninitializeTsc();
    } catch (...) {
    }
}
