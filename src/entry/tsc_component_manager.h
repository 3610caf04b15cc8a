// The session state of one host process: which release and product line it runs, which
// shared-components folder it resolved, and the wrapper through which it reaches the SDK.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/status.h"
#include "wrapper/tsc_quil_sdk_wrapper_impl.h"

// Owns the one wrapper object; created at load and destroyed at unload with the manager.
struct TscQuilSdkWrapperHolder {
    std::unique_ptr<TscQuilSdkWrapperImpl> object;
};

class TscComponentManager {
  public:
    TscComponentManager();
    // A manager that knows its release but has asked the wrapper for nothing: its folder steps
    // can be asked on their own, without a session.
    explicit TscComponentManager(std::wstring releaseName);
    TscComponentManager(const TscComponentManager&) = delete;
    TscComponentManager& operator=(const TscComponentManager&) = delete;

    // 0: go on (whether the session opened is in lastStatus); 14: bypassed by the environment.
    std::int32_t Initialize(std::wstring releaseName);
    // Resolves the folder into `folder` and asks the SDK to lock it. 0 when resolved.
    std::int32_t LockInstallLocation(std::wstring& folder);
    // Unlocks the folder and closes the session. 8 when no release was ever recorded.
    std::int32_t Uninitialize();

    // The override first, the registry when it gives no folder; the status of the one used.
    std::int32_t ResolveInstallLocation();
    // Folder from the registry values of the release. 0, 6, 12 or 13.
    std::int32_t ReadInstallLocation(std::wstring releaseName);
    // Folder from the environment when the registry enables the override. 0, 12 or 100.
    std::int32_t ReadPathOverride(std::wstring releaseName);
    // False, with an ERROR message and `folder` cleared, when the folder is too short to be a
    // real installation and must not be handed out.
    static bool KeepUsableFolder(std::wstring& folder);

    const std::wstring& InstallPath() const noexcept { return installPath; }
    // The folder came from the override the last time the override was in effect.
    bool PathOverrideActive() const noexcept { return pathOverrideActive; }
    // The wrapper's status of the last session or lock step; 0 after a successful lock.
    std::int32_t LastStatus() const noexcept { return lastStatus; }
    // The installer service has a session of this process open.
    bool SessionOpen() { return Wrapper().IsInitialized(); }
    // The SDK locked the folder for the session, and neither an unlock nor the session's end has
    // released it since. Teardown does not depend on it: it unlocks whenever a session is open.
    bool FolderLocked() const noexcept { return folderLocked; }

  private:
    // Asks the SDK to lock installPath and keeps its status in lastStatus.
    void LockFolder();
    // installPath as the SDK's lock and unlock calls take it: UTF-8 with a trailing "\".
    std::string LockText() const;

    TscQuilSdkWrapperInterface& Wrapper() { return *wrapper->object; }

    HKEY registryRoot = HKEY_LOCAL_MACHINE;
    std::wstring installPath;
    std::wstring release;
    bool pathOverrideActive = false;
    std::string plc;
    std::unique_ptr<TscQuilSdkWrapperHolder> wrapper;
    // The status meaning "no session is open" until the first session attempt.
    std::int32_t lastStatus = tsc::status::kNoSession;
    bool folderLocked = false;
};
