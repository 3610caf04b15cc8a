// Resolving and locking the shared-components folder for the session, and the teardown that
// releases the lock and closes the session.
#include <string>

#include "common/status.h"
#include "entry/tsc_component_manager.h"
#include "location/diagnostics.h"
#include "location/text_conversion.h"

namespace {

// Shorter folders cannot be a real installation ("C:\" and the like) and are not handed out.
constexpr std::size_t kShortestFolder = 5;

}  // namespace

// The SDK expects a folder with a trailing backslash; one is appended even when the folder
// already ends in one.
std::string TscComponentManager::LockText() const { return WideToUtf8(installPath) + "\\"; }

std::int32_t TscComponentManager::ResolveInstallLocation() {
    if (ReadPathOverride(release) == tsc::status::kSuccess) return tsc::status::kSuccess;
    return ReadInstallLocation(release);
}

std::int32_t TscComponentManager::LockInstallLocation(std::wstring& folder) {
    if (release.empty()) return tsc::status::kNoRelease;
    const std::int32_t status = ResolveInstallLocation();
    folder = installPath;
    const bool folderUsable = status == tsc::status::kSuccess && KeepUsableFolder(folder);
    if (folderUsable && tsc::status::SessionUsable(lastStatus)) {
        LockFolder();
    } else {
        EmitDiagnosticUtf8("WARN", "Failed to intialize QUIL SDK wrapper status code:" +
                                       std::to_string(lastStatus));
    }
    return status;
}

bool TscComponentManager::KeepUsableFolder(std::wstring& folder) {
    if (folder.size() >= kShortestFolder) return true;
    EmitDiagnosticUtf8("ERROR", "The Install Location Path is Incorrect" + WideToUtf8(folder));
    folder.clear();
    return false;
}

// Locking is best effort: a failure is reported and kept in lastStatus, and the folder is
// handed out all the same.
void TscComponentManager::LockFolder() {
    const std::string lockText = LockText();
    lastStatus = Wrapper().LockDirectory(lockText);
    folderLocked = lastStatus == tsc::status::kSuccess;
    if (lastStatus != tsc::status::kSuccess) {
        EmitDiagnosticUtf8("WARN",
                           "Failed to lock" + lockText +
                               ", QUIL SDK wrapper status code : " + std::to_string(lastStatus));
    }
}

std::int32_t TscComponentManager::Uninitialize() {
    if (release.empty()) return tsc::status::kNoRelease;
    if (!Wrapper().IsInitialized()) {
        EmitDiagnosticUtf8("WARN", "QUIL SDK wrapper is not initialized");
        return tsc::status::kSuccess;
    }
    // An open session is always unlocked, whether or not a lock is known to be held.
    const std::int32_t unlockStatus = Wrapper().UnLockDirectory(LockText());
    if (unlockStatus != tsc::status::kSuccess) {
        EmitDiagnosticUtf8("WARN", "Failed to Unlock QUIL SDK wrapper status code:" +
                                       std::to_string(unlockStatus));
    }
    const std::int32_t closeStatus = Wrapper().Uninitialize();
    // Ending the session releases its locks too.
    if (unlockStatus == tsc::status::kSuccess || closeStatus == tsc::status::kSuccess)
        folderLocked = false;
    if (closeStatus != tsc::status::kSuccess) {
        EmitDiagnosticUtf8("WARN", "Failed to Uninitialize QUIL SDK wrapper status code:" +
                                       std::to_string(closeStatus));
    }
    return tsc::status::kSuccess;
}
