// The benchmark's measurements, each made in fresh child processes on a provisioned machine:
// the library's probe (benchmark.exe --probe) against the bare platform calls (baseline.exe).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "options.h"
#include "result_table.h"
#include "support/machine.h"

namespace bench {

struct SdkVariant {
    std::string label;  // "1 MB", ...
    std::wstring path;
};

class BenchmarkSuite {
  public:
    explicit BenchmarkSuite(const Options& options);

    // False, with Problem() saying why, when a program or SDK file is missing.
    bool Ready() const { return problem_.empty(); }
    const std::string& Problem() const { return problem_; }

    void Run();
    const std::vector<ResultRow>& Rows() const { return rows_; }
    // The fastest cold starts, library and baseline, once Run has measured them: less exposed to
    // a busy machine than the medians.
    std::optional<std::pair<double, double>> FastestColdStarts() const { return fastestCold_; }
    // The cold and warm ratios for the 1 MB SDK, once Run has measured them.
    std::optional<double> ColdRatio() const { return coldRatio_; }
    std::optional<double> WarmRatio() const { return warmRatio_; }

  private:
    void MeasureCold(const SdkVariant& sdk);
    void MeasureWarm(const SdkVariant& sdk, std::int64_t cycles, bool forRatio);
    void MeasureProcessCounts();
    void MeasurePathLengths();
    void MeasureLogSizes();

    // One child process to run, and what to put in place right before it.
    struct ChildRun {
        std::wstring program;
        std::wstring arguments;
        std::function<bool()> prepare;
    };
    // Runs each in turn, `rounds` times over, so that a busy moment of the machine falls on all
    // of them alike (every other round in reverse order); the times each printed, in the order of
    // `runs`. A run that cannot be prepared, started, or that ends with a non-zero status sets
    // *failed.
    std::vector<std::vector<double>> Interleave(const std::vector<ChildRun>& runs,
                                                std::int64_t rounds, bool* failed);
    // The library's run against the baseline's, interleaved: one row.
    ResultRow Compare(const std::string& measure, const std::string& variant,
                      const ChildRun& library, const ChildRun& baseline, std::int64_t rounds);
    // Runs without a baseline, interleaved: one row each, named by its variant.
    void MeasureAlone(const std::string& measure, const std::vector<std::string>& variants,
                      const std::vector<ChildRun>& runs);
    // The cycles of one round when `total` are spread over the rounds: one at least.
    std::int64_t PerRound(std::int64_t total) const;
    void UseSdk(const SdkVariant& sdk);
    // benchmark.exe --probe <args>, and baseline.exe <args>.
    ChildRun Probe(std::initializer_list<std::wstring> args) const;
    ChildRun Baseline(std::initializer_list<std::wstring> args) const;
    ChildRun LibraryCycle(std::int64_t cycles) const;
    ChildRun BaselineCycle(const SdkVariant& sdk, std::int64_t cycles) const;

    const Options& options_;
    std::wstring binDir_;
    std::vector<SdkVariant> sdks_;
    tsctest::HealthyMachine machine_;
    // The wrapper log is set aside for the run and put back afterwards.
    tsctest::ScopedMoveAside log_{tsctest::WrapperLogPath()};
    tsctest::ScopedEnvironmentVariable journal_{L"QUILSDK_STANDIN_JOURNAL", std::nullopt};
    std::vector<ResultRow> rows_;
    std::optional<double> coldRatio_;
    std::optional<std::pair<double, double>> fastestCold_;
    std::optional<double> warmRatio_;
    std::string problem_;
};

}  // namespace bench
