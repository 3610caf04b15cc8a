// Soak: thousands of session cycles and library loads in one process, with the process's
// handle count, heap bytes in use and private bytes after a warm-up, halfway and at the end,
// beside the same number of bare platform cycles and empty DLL loads, so that what the platform
// itself keeps is not charged to the library.
//
// Exit status: 0 when no library phase grew beyond its baseline, 1 when one did, 2 when the
// run could not be made.
#include <cstdint>
#include <cstdio>
#include <string>

#include "options.h"
#include "soak_phase.h"
#include "soak_report.h"
#include "soak_scenarios.h"

int main(int argc, char** argv) {
    bench::Options options({{"cycles", 10000},
                            {"loads", 1000},
                            {"refusal-cycles", 1000},
                            {"warm-up", 50},
                            {"handle-tolerance", 2},
                            {"byte-tolerance-per-cycle", 16}});
    std::string error;
    if (!options.Parse(argc, argv, &error)) {
        std::fprintf(stderr, "%s\n%s\n", error.c_str(), options.Usage("soak.exe").c_str());
        return 2;
    }
    bench::SoakScenarios scenarios(options.Get("warm-up"));
    if (!scenarios.Ready()) {
        std::fprintf(stderr, "soak: %s\n", scenarios.Problem().c_str());
        return 2;
    }
    const std::int64_t cycles = options.Get("cycles");
    const std::int64_t loads = options.Get("loads");
    const std::int64_t refusals = options.Get("refusal-cycles");

    bench::SoakReport report(options.Get("handle-tolerance"),
                             options.Get("byte-tolerance-per-cycle"));
    const bench::PhaseResult sessions = scenarios.Sessions(cycles);
    const bench::PhaseResult bare = scenarios.BarePlatform(cycles);
    report.Compare(sessions, {bare});
    // A load may keep what the platform's loader keeps for a DLL with nothing in it, no more:
    // the library links the C++ runtime statically and gives back what that runtime allocates.
    const bench::PhaseResult dllLoads = scenarios.LibraryLoads(loads);
    const bench::PhaseResult emptyLoads = scenarios.EmptyLoads(loads);
    report.Compare(dllLoads, {emptyLoads});
    report.Compare(scenarios.LibraryLoadsWithSession(loads), {bare, emptyLoads});
    report.Compare(scenarios.LibraryLoadsWithFailedQuery(loads), {bare, emptyLoads});
    // What a DLL that keeps its runtime's memory at every unload loses per load, for reference.
    report.Show(scenarios.EmptyRuntimeLoads(loads));
    // A refusal runs part of the bare cycle at most.
    for (const bench::PhaseResult& refusal :
         {scenarios.UnsignedSdk(refusals), scenarios.SelfUpdateRunning(refusals),
          scenarios.SmuggledPublisher(refusals), scenarios.MissingSdkKey(refusals),
          scenarios.MissingReleaseKey(refusals)}) {
        report.Compare(refusal, {bare});
    }
    report.Print();
    return report.WithinBaseline() ? 0 : 1;
}
