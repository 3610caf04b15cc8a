// Soak: thousands of session cycles and library loads in one process, with the process's
// handle count, heap bytes in use and private bytes after a warm-up, halfway and at the end,
// beside the same number of bare platform cycles and empty DLL loads, so that what the platform
// itself keeps is not charged to the library. It runs on a provisioned machine (the shared
// components of release 2026 installed, the signed stand-in SDK recorded, the wrapper log set
// aside) and puts everything back at the end.
//
// Exit status: 0 when no library phase grew beyond its baseline, 1 when one did, 2 when the
// run could not be made.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "harness/paths.h"
#include "harness/program_run.h"
#include "options.h"
#include "platform_cycle.h"
#include "soak_phase.h"
#include "soak_report.h"
#include "support/dttscsdk_dll.h"
#include "support/machine.h"

namespace {

using bench::PhaseResult;

constexpr wchar_t kEmptyDll[] = L"bench_empty.dll";
constexpr wchar_t kEmptyRuntimeDll[] = L"bench_empty_cxx.dll";
constexpr wchar_t kUnsignedSdk[] = L"quilsdk_unsigned.dll";
constexpr wchar_t kSmuggledSdk[] = L"quilsdk_smuggled.dll";

std::wstring InBin(const std::wstring& name) { return tsctest::BinDir() + L"\\" + name; }

// What a session cycle of a phase answers when all is as it should be.
struct Expected {
    bool started;    // what dtutInitializeTSC answers
    bool sdkLoaded;  // whether the SDK file is loaded between start and end
};

class Soak {
  public:
    explicit Soak(std::int64_t warmUpCycles) : warmUp_(warmUpCycles) {
        if (!platformLibrary_) problem_ = "cannot load DtPal.dll";
        for (const std::wstring& needed :
             {tsctest::DttscsdkPath(), machine_.SdkPath(), tsctest::FixturePath(kUnsignedSdk),
              tsctest::FixturePath(kSmuggledSdk), InBin(kEmptyDll), InBin(kEmptyRuntimeDll)}) {
            if (GetFileAttributesW(needed.c_str()) == INVALID_FILE_ATTRIBUTES) {
                problem_ = "missing " + tsctest::Utf8(needed) + " (build the target soak)";
            }
        }
    }

    // Empty when the soak can run; otherwise which file is missing.
    const std::string& Problem() const { return problem_; }

    // dtutInitializeTSC, dtutUpdatePathForTSC and dtutUninitializeTSC in one load of the
    // library, PATH put back after each; the SDK recorded at `sdk` for the phase, when given.
    PhaseResult Sessions(const std::string& name, std::int64_t cycles, Expected expected,
                         const std::optional<std::wstring>& sdk = std::nullopt) {
        return WithSdk(sdk, [&](const std::wstring& sdkPath) {
            const tsctest::DttscsdkDll dll;
            return bench::RunPhase(name, warmUp_, cycles, [&] {
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
        });
    }

    // The platform calls such a cycle cannot do without, made directly.
    PhaseResult BarePlatform(std::int64_t cycles) {
        bench::PlatformCycle platform(machine_.SdkPath(), machine_.Folder());
        return bench::RunPhase("bare platform cycles", warmUp_, cycles,
                               [&] { return platform.Cycle(); });
    }

    // LoadLibraryW and FreeLibrary of a DLL.
    PhaseResult Loads(const std::string& name, const std::wstring& path, std::int64_t loads) {
        return bench::RunPhase(name, warmUp_, loads, [&] {
            HMODULE module = LoadLibraryW(path.c_str());
            return module != nullptr && FreeLibrary(module) != FALSE;
        });
    }

    // A host that loads the library for each session: load, start, end, unload. The start
    // answers true and no SDK stays loaded.
    PhaseResult LoadsWithSession(const std::string& name, std::int64_t loads,
                                 const std::optional<std::wstring>& sdk = std::nullopt) {
        return WithSdk(sdk, [&](const std::wstring& sdkPath) {
            return bench::RunPhase(name, warmUp_, loads, [&] {
                tsctest::DttscsdkDll dll;
                const bool started = dll.Initialize();
                dll.Uninitialize();
                return started && !tsctest::IsModuleLoaded(sdkPath) && dll.Unload();
            });
        });
    }

  private:
    // Runs the phase with the SDK recorded at `sdk`, when given, and records the soak's own SDK
    // again afterwards; the phase gets the path recorded.
    template <typename Phase>
    PhaseResult WithSdk(const std::optional<std::wstring>& sdk, Phase phase) {
        if (!sdk) return phase(machine_.SdkPath());
        machine_.QuilKey().SetString(L"QUILSDKLocation", *sdk);
        PhaseResult result = phase(*sdk);
        machine_.QuilKey().SetString(L"QUILSDKLocation", machine_.SdkPath());
        return result;
    }

    std::int64_t warmUp_;
    // The host keeps its platform library loaded for its whole life, whatever it does with
    // dttscsdk.dll; so does the soak.
    tsctest::UniqueModule platformLibrary_{LoadLibraryW(InBin(L"DtPal.dll").c_str())};
    // The stand-in SDK built for long runs (target bench_soak_sdk): the tests' copy keeps
    // resources for every load and could not be loaded ten thousand times in one process.
    tsctest::HealthyMachine machine_{InBin(L"bench-fixtures\\quilsdk_bench.dll")};
    tsctest::ScopedMoveAside log_{tsctest::WrapperLogPath()};
    std::wstring path_ = tsctest::GetEnv(L"PATH").value_or(L"C:\\windows");
    tsctest::ScopedEnvironmentVariable journal_{L"QUILSDK_STANDIN_JOURNAL", std::nullopt};
    std::string problem_;
};

// Session cycles that end in each refusal. The start still answers true in the refusals that
// leave the folder resolvable: the folder is handed out, only the session and the lock are
// missing. A refusal runs part of the bare cycle at most.
void Refusals(Soak& soak, bench::SoakReport& report, const PhaseResult& bare, std::int64_t cycles) {
    const Expected refused{true, false};
    report.Compare(
        soak.Sessions("refusal: unsigned SDK", cycles, refused, tsctest::FixturePath(kUnsignedSdk)),
        {bare});
    {
        // This process is alive for the whole phase: the lock file names a running installer.
        const tsctest::ScopedLockFile lockFile(tsctest::OwnProcessId());
        report.Compare(soak.Sessions("refusal: self-update running", cycles, refused), {bare});
    }
    {
        // A signature that holds, whose maker's certificate was only added to it, outside the
        // signer's chain: the publisher check refuses it after opening the trust state, the
        // certificate store and the message. The lock file names no process, so every attempt
        // walks the process list first.
        const tsctest::ScopedLockFile staleLockFile("4294967295");
        report.Compare(soak.Sessions("refusal: publisher smuggled in", cycles, refused,
                                     tsctest::FixturePath(kSmuggledSdk)),
                       {bare});
    }
    {
        tsctest::ScopedRegistryKey quilKey(HKEY_LOCAL_MACHINE, tsctest::kQuilKey);
        quilKey.DeleteKey();
        report.Compare(soak.Sessions("refusal: SDK location key missing", cycles, refused), {bare});
    }
    tsctest::ScopedRegistryKey releaseKey(HKEY_LOCAL_MACHINE, tsctest::kReleaseKey);
    releaseKey.DeleteKey();
    // The session opens and is torn down again; the folder step fails.
    report.Compare(soak.Sessions("refusal: release key missing", cycles, {false, true}), {bare});
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options{{"cycles", 10000},        {"loads", 1000},
                           {"refusal-cycles", 1000}, {"warm-up", 50},
                           {"handle-tolerance", 2},  {"byte-tolerance-per-cycle", 16}};
    if (!bench::ParseOptions({argv + 1, argv + argc}, "soak.exe", options)) return 2;
    Soak soak(options.at("warm-up"));
    if (!soak.Problem().empty()) {
        std::fprintf(stderr, "soak: %s\n", soak.Problem().c_str());
        return 2;
    }
    const std::int64_t cycles = options.at("cycles");
    const std::int64_t loads = options.at("loads");
    bench::SoakReport report(options.at("handle-tolerance"),
                             options.at("byte-tolerance-per-cycle"));
    const PhaseResult sessions = soak.Sessions("library session cycles", cycles, {true, true});
    const PhaseResult bare = soak.BarePlatform(cycles);
    report.Compare(sessions, {bare});
    // A load may keep what the platform's loader keeps for a DLL with nothing in it, no more:
    // the library links the C++ runtime statically and gives back what that runtime allocates.
    const PhaseResult dllLoads = soak.Loads("dttscsdk.dll loads", tsctest::DttscsdkPath(), loads);
    const PhaseResult emptyLoads = soak.Loads("empty DLL loads", InBin(kEmptyDll), loads);
    report.Compare(dllLoads, {emptyLoads});
    report.Compare(soak.LoadsWithSession("dttscsdk.dll loads with a session", loads),
                   {bare, emptyLoads});
    // The SDK beneath two links that name each other (made by the build): its status query
    // fails for another reason than absence, every start is refused with the query's error in
    // the log, and nothing of it may stay per load.
    report.Compare(soak.LoadsWithSession("dttscsdk.dll loads with a failed query", loads,
                                         InBin(L"bench-fixtures\\link-loop\\a\\quilsdk.dll")),
                   {bare, emptyLoads});
    // What a DLL that keeps its runtime's memory at every unload loses per load, for reference.
    report.Show(soak.Loads("empty C++ runtime DLL loads", InBin(kEmptyRuntimeDll), loads));
    Refusals(soak, report, bare, options.at("refusal-cycles"));
    report.Print();
    return report.WithinBaseline() ? 0 : 1;
}
