#include "soak_scenarios.h"

#include <windows.h>

#include "platform_cycle.h"
#include "support/dttscsdk_dll.h"
#include "harness/paths.h"
#include "support/scoped_files.h"
#include "support/scoped_registry.h"

namespace bench {
namespace {

constexpr wchar_t kEmptyDll[] = L"bench_empty.dll";
constexpr wchar_t kEmptyRuntimeDll[] = L"bench_empty_cxx.dll";
constexpr wchar_t kPlatformLibrary[] = L"DtPal.dll";
constexpr wchar_t kUnsignedSdk[] = L"quilsdk_unsigned.dll";
constexpr wchar_t kSmuggledSdk[] = L"quilsdk_smuggled.dll";
// A file beneath two links that name each other (made by the build): its status query fails for
// another reason than absence, on every start.
std::wstring UnresolvableSdkPath() {
    return tsctest::BinDir() + L"\\bench-fixtures\\link-loop\\a\\quilsdk.dll";
}

// The stand-in SDK built for long runs (target bench_soak_sdk): the tests' copy keeps resources
// for every load and could not be loaded ten thousand times in one process.
std::wstring SoakSdkPath() { return tsctest::BinDir() + L"\\bench-fixtures\\quilsdk_bench.dll"; }

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

SoakScenarios::SoakScenarios(std::int64_t warmUpCycles)
    : warmUp_(warmUpCycles),
      platformLibrary_(LoadLibraryW((tsctest::BinDir() + L"\\" + kPlatformLibrary).c_str())),
      machine_(SoakSdkPath()),
      path_(tsctest::GetEnv(L"PATH").value_or(L"C:\\windows")) {
    if (!platformLibrary_) problem_ = "cannot load DtPal.dll";
    for (const std::wstring& needed :
         {tsctest::DttscsdkPath(), machine_.SdkPath(), tsctest::FixturePath(kUnsignedSdk),
          tsctest::FixturePath(kSmuggledSdk), tsctest::BinDir() + L"\\" + kEmptyDll,
          tsctest::BinDir() + L"\\" + kEmptyRuntimeDll}) {
        if (!FileExists(needed)) {
            problem_ = "missing " + tsctest::Utf8(needed) + " (build the target soak)";
        }
    }
}

PhaseResult SoakScenarios::SessionPhase(const std::string& name, std::int64_t cycles,
                                        const std::wstring& sdkPath, Expected expected) {
    // One load for the whole phase: the cycles run in one module state, as in a host.
    const tsctest::DttscsdkDll dll;
    return RunPhase(name, warmUp_, cycles, [&] {
        tsctest::SetEnv(L"PATH", path_);
        const bool started = dll.Initialize();
        const bool loaded = tsctest::IsModuleLoaded(sdkPath);
        const bool updated = dll.UpdatePath();
        dll.Uninitialize();
        const bool unloaded = !tsctest::IsModuleLoaded(sdkPath);
        tsctest::SetEnv(L"PATH", path_);
        return started == expected.started && loaded == expected.sdkLoaded &&
               updated == expected.started && unloaded;
    });
}

PhaseResult SoakScenarios::Sessions(std::int64_t cycles) {
    return SessionPhase("library session cycles", cycles, machine_.SdkPath(), {true, true});
}

PhaseResult SoakScenarios::BarePlatform(std::int64_t cycles) {
    PlatformCycle platform(machine_.SdkPath(), machine_.Folder());
    return RunPhase("bare platform cycles", warmUp_, cycles, [&] { return platform.Cycle(); });
}

PhaseResult SoakScenarios::LibraryLoads(std::int64_t loads) {
    return RunPhase("dttscsdk.dll loads", warmUp_, loads, [] {
        tsctest::DttscsdkDll dll;
        return dll.module() != nullptr && dll.Unload();
    });
}

PhaseResult SoakScenarios::LoadsWithSession(const std::string& name, std::int64_t loads) {
    return RunPhase(name, warmUp_, loads, [&] {
        tsctest::DttscsdkDll dll;
        const bool started = dll.Initialize();
        dll.Uninitialize();
        return started && !tsctest::IsModuleLoaded(machine_.SdkPath()) && dll.Unload();
    });
}

PhaseResult SoakScenarios::LibraryLoadsWithSession(std::int64_t loads) {
    return LoadsWithSession("dttscsdk.dll loads with a session", loads);
}

PhaseResult SoakScenarios::LibraryLoadsWithFailedQuery(std::int64_t loads) {
    tsctest::ScopedRegistryKey quilKey(HKEY_LOCAL_MACHINE, tsctest::kQuilKey);
    quilKey.SetString(L"QUILSDKLocation", UnresolvableSdkPath());
    return LoadsWithSession("dttscsdk.dll loads with a failed query", loads);
}

PhaseResult SoakScenarios::BareLoads(const std::string& name, const std::wstring& dll,
                                     std::int64_t loads) {
    const std::wstring path = tsctest::BinDir() + L"\\" + dll;
    return RunPhase(name, warmUp_, loads, [&] {
        HMODULE module = LoadLibraryW(path.c_str());
        return module != nullptr && FreeLibrary(module) != FALSE;
    });
}

PhaseResult SoakScenarios::EmptyLoads(std::int64_t loads) {
    return BareLoads("empty DLL loads", kEmptyDll, loads);
}

PhaseResult SoakScenarios::EmptyRuntimeLoads(std::int64_t loads) {
    return BareLoads("empty C++ runtime DLL loads", kEmptyRuntimeDll, loads);
}

// The start still answers true in the refusals that leave the folder resolvable: the folder is
// handed out, only the session and the lock are missing.
PhaseResult SoakScenarios::UnsignedSdk(std::int64_t cycles) {
    const std::wstring unsignedSdk = tsctest::FixturePath(kUnsignedSdk);
    tsctest::ScopedRegistryKey quilKey(HKEY_LOCAL_MACHINE, tsctest::kQuilKey);
    quilKey.SetString(L"QUILSDKLocation", unsignedSdk);
    return SessionPhase("refusal: unsigned SDK", cycles, unsignedSdk, {true, false});
}

PhaseResult SoakScenarios::SelfUpdateRunning(std::int64_t cycles) {
    // This process is alive for the whole phase: the lock file names a running installer.
    const tsctest::ScopedLockFile lockFile(tsctest::OwnProcessId());
    return SessionPhase("refusal: self-update running", cycles, machine_.SdkPath(), {true, false});
}

// A signature that holds, whose maker's certificate was only added to it, outside the signer's
// chain: the publisher check refuses it after opening the trust state, the certificate store and
// the message. The lock file names no process, so every attempt walks the process list first.
PhaseResult SoakScenarios::SmuggledPublisher(std::int64_t cycles) {
    const std::wstring smuggledSdk = tsctest::FixturePath(kSmuggledSdk);
    tsctest::ScopedRegistryKey quilKey(HKEY_LOCAL_MACHINE, tsctest::kQuilKey);
    quilKey.SetString(L"QUILSDKLocation", smuggledSdk);
    const tsctest::ScopedLockFile staleLockFile("4294967295");
    return SessionPhase("refusal: publisher smuggled in", cycles, smuggledSdk, {true, false});
}

PhaseResult SoakScenarios::MissingSdkKey(std::int64_t cycles) {
    tsctest::ScopedRegistryKey quilKey(HKEY_LOCAL_MACHINE, tsctest::kQuilKey);
    quilKey.DeleteKey();
    return SessionPhase("refusal: SDK location key missing", cycles, machine_.SdkPath(),
                        {true, false});
}

PhaseResult SoakScenarios::MissingReleaseKey(std::int64_t cycles) {
    tsctest::ScopedRegistryKey releaseKey(HKEY_LOCAL_MACHINE, tsctest::kReleaseKey);
    releaseKey.DeleteKey();
    // The session opens and is torn down again; the folder step fails.
    return SessionPhase("refusal: release key missing", cycles, machine_.SdkPath(), {false, true});
}

}  // namespace bench
