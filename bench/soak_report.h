// The soak's figures: one row per phase, and each library phase set against its baseline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "soak_phase.h"

namespace bench {

class SoakReport {
  public:
    // handleTolerance: handles a library phase may gain beyond its baselines;
    // byteTolerancePerCycle: heap bytes in use it may gain per cycle beyond them.
    SoakReport(std::int64_t handleTolerance, std::int64_t byteTolerancePerCycle);

    // Adds the phases (each once) and the comparison of the library phase with the sum of its
    // baselines: each baseline's growth per cycle, times the library phase's cycles.
    void Compare(const PhaseResult& library, const std::vector<PhaseResult>& baselines);
    // Adds a phase that only shows in the table.
    void Show(const PhaseResult& phase);
    void Print() const;
    // True when every library phase ran as expected and stayed within its baseline.
    bool WithinBaseline() const;

  private:
    struct Comparison {
        PhaseResult library;
        std::vector<PhaseResult> baselines;
    };
    double ExcessHandles(const Comparison& comparison) const;
    double ExcessBytesPerCycle(const Comparison& comparison) const;
    bool Holds(const Comparison& comparison) const;

    std::int64_t handleTolerance_;
    std::int64_t byteTolerancePerCycle_;
    std::vector<PhaseResult> phases_;
    std::vector<Comparison> comparisons_;
};

}  // namespace bench
