// Every status the session, location and wrapper steps answer, as signed 32-bit numbers. 0 is
// success everywhere; the other numbers belong to the step that answers them, so one number may
// mean different things in different steps (8 is "no release" from the manager's folder and
// teardown steps, "a self-update is running" from the wrapper). The exports turn them into a
// bool or nothing; the diagnostic messages and the diagnosis tool show them as they are.
#pragma once

#include <cstdint>

namespace tsc::status {

// Every step.
inline constexpr std::int32_t kSuccess = 0;

// Session control (TscComponentManager::Initialize, LockInstallLocation, Uninitialize).
// 8: no release was recorded (the start was bypassed or never ran): nothing to do.
inline constexpr std::int32_t kNoRelease = 8;
// 14: TSC_INITIALIZE_BYPASSED is set: the start does nothing.
inline constexpr std::int32_t kBypassed = 14;

// Install location (ReadInstallLocation, ReadPathOverride).
// 6: the release's key or one of its values cannot be read.
inline constexpr std::int32_t kRegistryUnreadable = 6;
// 12: the installation root or the version folder does not exist; from the override step, the
// override is enabled but its variable is not set.
inline constexpr std::int32_t kFolderMissing = 12;
inline constexpr std::int32_t kOverrideVariableMissing = 12;
// 13: Version is empty.
inline constexpr std::int32_t kVersionEmpty = 13;
// 100: no override is in effect: the registry values decide.
inline constexpr std::int32_t kNoOverride = 100;

// Wrapper (QUILAPIWrapperImpl's SDK operations and Load). Any number not listed here is the
// installer service's own answer, passed on unchanged.
// 1: the SDK library could not be unloaded.
inline constexpr std::int32_t kUnloadFailed = 1;
// 2: a session is already open (counts as success for the session).
inline constexpr std::int32_t kSessionAlreadyOpen = 2;
// 3: the SDK library could not be loaded (no path, a failed query, no hold, or Windows refused).
inline constexpr std::int32_t kNotLoaded = 3;
// 4: the SDK lacks the export, or no SDK is loaded.
inline constexpr std::int32_t kExportMissing = 4;
// 5: a required argument is empty.
inline constexpr std::int32_t kArgumentEmpty = 5;
// 7: no session is open; also the manager's last status before any session attempt.
inline constexpr std::int32_t kNoSession = 7;
// 8: a self-update of the installer is running.
inline constexpr std::int32_t kSelfUpdateRunning = 8;
// 9: the SDK file's signature or publisher is not accepted.
inline constexpr std::int32_t kSignatureRejected = 9;

// A session can be used for the lock when it opened now or was already open.
inline constexpr bool SessionUsable(std::int32_t status) {
    return status == kSuccess || status == kSessionAlreadyOpen;
}

}  // namespace tsc::status
