// The soak's phases on a provisioned machine: the shared components of release 2026 installed,
// the signed stand-in SDK recorded, the wrapper log set aside. Everything is put back when the
// object goes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "soak_phase.h"
#include "support/machine.h"
#include "harness/program_run.h"

namespace bench {

class SoakScenarios {
  public:
    explicit SoakScenarios(std::int64_t warmUpCycles);

    // False, with Problem() saying why, when a file the soak needs is missing.
    bool Ready() const { return problem_.empty(); }
    const std::string& Problem() const { return problem_; }

    // dtutInitializeTSC, dtutUpdatePathForTSC and dtutUninitializeTSC, PATH put back after each.
    PhaseResult Sessions(std::int64_t cycles);
    // The platform calls such a cycle cannot do without, made directly.
    PhaseResult BarePlatform(std::int64_t cycles);
    // LoadLibraryW and FreeLibrary of dttscsdk.dll; of a DLL with nothing in it; and of one with
    // nothing but the C++ runtime the library links statically.
    PhaseResult LibraryLoads(std::int64_t loads);
    PhaseResult EmptyLoads(std::int64_t loads);
    PhaseResult EmptyRuntimeLoads(std::int64_t loads);
    // A host that loads the library for each session: load, start, end, unload.
    PhaseResult LibraryLoadsWithSession(std::int64_t loads);
    // The same where the SDK's status query fails (a path through a link loop): every start is
    // refused with the query's error in the log, and nothing of it may stay per load.
    PhaseResult LibraryLoadsWithFailedQuery(std::int64_t loads);
    // Session cycles that end in each refusal.
    PhaseResult UnsignedSdk(std::int64_t cycles);
    PhaseResult SelfUpdateRunning(std::int64_t cycles);
    PhaseResult SmuggledPublisher(std::int64_t cycles);
    PhaseResult MissingSdkKey(std::int64_t cycles);
    PhaseResult MissingReleaseKey(std::int64_t cycles);

  private:
    struct Expected {
        bool started;    // what dtutInitializeTSC answers
        bool sdkLoaded;  // whether the SDK file is loaded between start and end
    };
    PhaseResult BareLoads(const std::string& name, const std::wstring& dll, std::int64_t loads);
    PhaseResult SessionPhase(const std::string& name, std::int64_t cycles,
                             const std::wstring& sdkPath, Expected expected);
    // Load, start, end, unload: the start answers true and no SDK stays loaded.
    PhaseResult LoadsWithSession(const std::string& name, std::int64_t loads);

    std::int64_t warmUp_;
    // The host keeps its platform library loaded for its whole life, whatever it does with
    // dttscsdk.dll; so does the soak.
    tsctest::UniqueModule platformLibrary_;
    tsctest::HealthyMachine machine_;
    // The wrapper log is set aside for the run and put back afterwards.
    tsctest::ScopedMoveAside log_{tsctest::WrapperLogPath()};
    std::wstring path_;
    tsctest::ScopedEnvironmentVariable journal_{L"QUILSDK_STANDIN_JOURNAL", std::nullopt};
    std::string problem_;
};

}  // namespace bench
