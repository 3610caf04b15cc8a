#include "soak_report.h"

#include <algorithm>
#include <cstdio>

namespace bench {
namespace {

double PerCycle(std::int64_t growth, std::int64_t cycles) {
    return cycles > 0 ? static_cast<double>(growth) / static_cast<double>(cycles) : 0.0;
}

// Per cycle, what the baselines together may account for. A baseline that shrank does not
// excuse growth elsewhere.
// growth: one of PhaseResult's growth figures.
using Growth = std::int64_t (PhaseResult::*)() const;

double BaselinePerCycle(const std::vector<PhaseResult>& baselines, Growth growth) {
    double sum = 0;
    for (const PhaseResult& b : baselines) sum += std::max(0.0, PerCycle((b.*growth)(), b.cycles));
    return sum;
}

// Growth per cycle beyond what the baselines account for.
double ExcessPerCycle(const PhaseResult& library, const std::vector<PhaseResult>& baselines,
                      Growth growth) {
    return PerCycle((library.*growth)(), library.cycles) - BaselinePerCycle(baselines, growth);
}

std::string Names(const std::vector<PhaseResult>& phases) {
    std::string names;
    for (const PhaseResult& p : phases) names += (names.empty() ? "" : " + ") + p.name;
    return names;
}

long long KiB(std::int64_t bytes) { return static_cast<long long>(bytes / 1024); }

}  // namespace

SoakReport::SoakReport(std::int64_t handleTolerance, std::int64_t byteTolerancePerCycle)
    : handleTolerance_(handleTolerance), byteTolerancePerCycle_(byteTolerancePerCycle) {}

void SoakReport::Show(const PhaseResult& phase) {
    const bool known = std::any_of(phases_.begin(), phases_.end(),
                                   [&](const PhaseResult& p) { return p.name == phase.name; });
    if (!known) phases_.push_back(phase);
}

void SoakReport::Compare(const PhaseResult& library, const std::vector<PhaseResult>& baselines) {
    Show(library);
    for (const PhaseResult& baseline : baselines) Show(baseline);
    comparisons_.push_back({library, baselines});
}

double SoakReport::ExcessHandles(const Comparison& c) const {
    return static_cast<double>(c.library.HandleGrowth()) -
           BaselinePerCycle(c.baselines, &PhaseResult::HandleGrowth) *
               static_cast<double>(c.library.cycles);
}

double SoakReport::ExcessBytesPerCycle(const Comparison& c) const {
    return ExcessPerCycle(c.library, c.baselines, &PhaseResult::HeapGrowth);
}

bool SoakReport::Holds(const Comparison& c) const {
    const bool measured =
        c.library.Measured() && std::all_of(c.baselines.begin(), c.baselines.end(),
                                            [](const PhaseResult& b) { return b.Measured(); });
    return c.library.failures == 0 && measured &&
           ExcessHandles(c) <= static_cast<double>(handleTolerance_) &&
           ExcessBytesPerCycle(c) <= static_cast<double>(byteTolerancePerCycle_);
}

bool SoakReport::WithinBaseline() const {
    return std::all_of(comparisons_.begin(), comparisons_.end(),
                       [&](const Comparison& c) { return Holds(c); });
}

void SoakReport::Print() const {
    std::printf("%-38s %6s %4s | %-27s | %-35s | %-26s\n", "", "", "", "handles", "heap KiB in use",
                "private KiB");
    std::printf("%-38s %6s %4s | %6s %6s %6s %6s | %8s %8s %8s %8s | %8s %8s %8s\n", "phase",
                "cycles", "fail", "warm", "middle", "end", "growth", "warm", "middle", "end",
                "growth", "warm", "end", "growth");
    for (const PhaseResult& p : phases_) {
        std::printf(
            "%-38s %6lld %4lld | %6lld %6lld %6lld %6lld | %8lld %8lld %8lld %8lld | "
            "%8lld %8lld %8lld\n",
            p.name.c_str(), static_cast<long long>(p.cycles), static_cast<long long>(p.failures),
            static_cast<long long>(p.warm.handles), static_cast<long long>(p.middle.handles),
            static_cast<long long>(p.end.handles), static_cast<long long>(p.HandleGrowth()),
            KiB(p.warm.heapBytes), KiB(p.middle.heapBytes), KiB(p.end.heapBytes),
            KiB(p.HeapGrowth()), KiB(p.warm.privateBytes), KiB(p.end.privateBytes),
            KiB(p.ByteGrowth()));
    }
    std::printf(
        "\n(warm: after the phase's warm-up; middle: after half its cycles; end: after all; "
        "growth of handles and heap: twice that of the half that grew less, so that what the "
        "platform sets up once is not counted)\n\n");
    std::printf("%-38s | %9s | %14s | %16s | %-18s | %s\n", "library phase", "excess",
                "excess heap", "excess private", "verdict", "baseline");
    std::printf("%-38s | %9s | %14s | %16s | %-18s |\n", "", "handles", "bytes/cycle",
                "bytes/cycle", "");
    for (const Comparison& c : comparisons_) {
        std::printf("%-38s | %9.1f | %14.1f | %16.1f | %-18s | %s\n", c.library.name.c_str(),
                    ExcessHandles(c), ExcessBytesPerCycle(c),
                    ExcessPerCycle(c.library, c.baselines, &PhaseResult::ByteGrowth),
                    Holds(c) ? "within baseline" : "GROWTH OR FAILURES",
                    Names(c.baselines).c_str());
    }
    std::printf(
        "\ntolerance: %lld handles, %lld heap bytes per cycle beyond the baseline; private "
        "bytes grow in whole pages and heap segments and are shown, not judged\n",
        static_cast<long long>(handleTolerance_), static_cast<long long>(byteTolerancePerCycle_));
    std::printf("soak %s\n", WithinBaseline() ? "passed" : "FAILED");
}

}  // namespace bench
