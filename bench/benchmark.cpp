// benchmark.exe: the library's time for a session start (cold, as the first call of a process,
// and warm, repeated) against the bare platform calls it cannot do without, and how its costs
// grow with the SDK file's size, the number of processes, PATH's length and the log's size.
// Every measurement runs in fresh child processes of this program (child_modes.h), the library's
// and the baseline's taking turns. Prints a table and ends with the line
// "ratio cold=<x> warm=<y>" (library / baseline, 1 MB SDK). Exit status: 0 when every run
// answered as expected, 1 otherwise, 2 when the run could not be made.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "child_modes.h"
#include "child_runs.h"
#include "large_log.h"
#include "options.h"
#include "result_table.h"
#include "sleepers.h"
#include "support/machine.h"

namespace {

using bench::kMiB;

std::wstring Arg(std::int64_t value) { return std::to_wstring(value); }

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SizeLabel(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    const std::uint64_t bytes = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f MB SDK", static_cast<double>(bytes) / kMiB);
    return text;
}

// The SDK files of the three sizes (target bench_fixtures), smallest first.
std::vector<std::wstring> BenchSdks() {
    std::vector<std::wstring> sdks;
    for (const wchar_t* name : {L"quilsdk_bench.dll", L"quilsdk_1mb.dll", L"quilsdk_20mb.dll"}) {
        sdks.push_back(tsctest::BinDir() + L"\\bench-fixtures\\" + name);
    }
    return sdks;
}

// Which file the run needs is missing; empty when none is.
std::string MissingFile(const std::vector<std::wstring>& sdks) {
    for (const std::wstring& sdk : sdks) {
        if (!FileExists(sdk)) return tsctest::Utf8(sdk) + " (build the target bench_fixtures)";
    }
    const std::wstring dll = tsctest::BinDir() + L"\\dttscsdk.dll";
    return FileExists(dll) ? "" : tsctest::Utf8(dll);
}

std::string RatioText(const std::optional<double>& ratio) {
    if (!ratio) return "n/a";
    char text[16];
    std::snprintf(text, sizeof(text), "%.2f", *ratio);
    return text;
}

// The fastest cold starts (less exposed to a busy machine than the medians) and the ratios.
void PrintSummary(const bench::ResultRow& cold, const std::optional<double>& warmRatio) {
    if (cold.library.count > 0 && cold.baseline->count > 0) {
        std::printf("fastest cold starts: library %.3f ms, baseline %.3f ms (%.2f)\n",
                    cold.library.min, cold.baseline->min, cold.library.min / cold.baseline->min);
    }
    std::printf("ratio cold=%s warm=%s\n", RatioText(bench::Ratio(cold)).c_str(),
                RatioText(warmRatio).c_str());
}

class Benchmark {
  public:
    Benchmark(const bench::Options& options, std::vector<std::wstring> sdks)
        : options_(options), sdks_(std::move(sdks)) {}

    const std::vector<bench::ResultRow>& Rows() const { return rows_; }
    // The warm cycle's ratio for the 1 MB SDK, once Run has measured it.
    std::optional<double> WarmRatio() const { return warmRatio_; }

    void Run() {
        const std::wstring& oneMegabyte = sdks_[1];
        std::fprintf(stderr, "benchmark: cold starts ...\n");
        MeasureCold(oneMegabyte);
        std::fprintf(stderr, "benchmark: warm cycles by SDK size ...\n");
        MeasureWarm(sdks_[0], Get("warm-cycles"));
        MeasureWarm(oneMegabyte, Get("warm-cycles"));
        warmRatio_ = bench::Ratio(rows_.back());
        MeasureWarm(sdks_[2], Get("large-sdk-cycles"));
        UseSdk(oneMegabyte);
        std::fprintf(stderr, "benchmark: self-update check by process count ...\n");
        MeasureProcessCounts();
        std::fprintf(stderr, "benchmark: PATH update by length ...\n");
        MeasurePathLengths();
        std::fprintf(stderr, "benchmark: log size ...\n");
        MeasureLogSizes();
    }

  private:
    std::int64_t Get(const char* name) const { return options_.at(name); }
    // The cycles of one round when `total` are spread over the rounds: one at least.
    std::int64_t PerRound(std::int64_t total) const {
        return std::max<std::int64_t>(total / Get("rounds"), 1);
    }
    void UseSdk(const std::wstring& sdk) { machine_.QuilKey().SetString(L"QUILSDKLocation", sdk); }
    bench::ChildRun LibraryCycle(std::int64_t cycles) const {
        return bench::Child({L"--probe", L"cycle", Arg(Get("warm-up")), Arg(cycles)});
    }

    // Runs interleaved, one row each, named by its variant; with a baseline, the first two runs
    // make one row, the library's beside the baseline's.
    void Measure(const std::string& measure, const std::vector<std::string>& variants,
                 const std::vector<bench::ChildRun>& runs, std::int64_t rounds, bool withBaseline) {
        bool failed = false;
        const auto samples = bench::Interleave(program_, runs, rounds, &failed);
        if (withBaseline) {
            rows_.push_back({measure, variants[0], bench::Summarize(samples[0]),
                             bench::Summarize(samples[1]), failed});
            return;
        }
        for (std::size_t i = 0; i < runs.size(); ++i) {
            rows_.push_back(
                {measure, variants[i], bench::Summarize(samples[i]), std::nullopt, failed});
        }
    }

    // Each run is a fresh process whose first call is the one timed.
    void MeasureCold(const std::wstring& sdk) {
        UseSdk(sdk);
        Measure("cold: first start in a process", {SizeLabel(sdk)},
                {bench::Child({L"--probe", L"cold"}),
                 bench::Child({L"--baseline", L"cold", sdk, machine_.Folder()})},
                Get("cold-runs"), true);
    }

    void MeasureWarm(const std::wstring& sdk, std::int64_t cycles) {
        UseSdk(sdk);
        const std::int64_t perRound = PerRound(cycles);
        Measure(
            "warm: start + end cycle", {SizeLabel(sdk)},
            {LibraryCycle(perRound), bench::Child({L"--baseline", L"cycle", sdk, machine_.Folder(),
                                                   Arg(Get("warm-up")), Arg(perRound)})},
            Get("rounds"), true);
    }

    // The lock file names a live process, so every start is refused as a running self-update
    // after a walk through the process list; the baseline walks the same list to the same
    // process.
    void MeasureProcessCounts() {
        bench::Sleepers sleepers(program_);
        const std::int64_t perRound = PerRound(Get("process-cycles"));
        for (std::size_t target : {std::size_t{10}, std::size_t{50}, std::size_t{200}}) {
            const bool grown = sleepers.GrowTo(target);
            const std::wstring id = std::to_wstring(sleepers.NewestId());
            const tsctest::ScopedLockFile lockFile(tsctest::Utf8(id));
            Measure("self-update check: start + end",
                    {std::to_string(bench::ProcessCount()) + " processes"},
                    {LibraryCycle(perRound), bench::Child({L"--baseline", L"snapshot", id,
                                                           Arg(Get("warm-up")), Arg(perRound)})},
                    Get("rounds"), true);
            rows_.back().failed = rows_.back().failed || !grown;
        }
    }

    void MeasurePathLengths() {
        std::vector<std::string> variants;
        std::vector<bench::ChildRun> runs;
        for (int entries : {1, 100, 1000}) {
            variants.push_back(std::to_string(entries) + " entries");
            runs.push_back(bench::Child({L"--probe", L"update", Arg(entries), Arg(Get("warm-up")),
                                         Arg(PerRound(Get("path-repeats")))}));
        }
        Measure("PATH update", variants, runs, Get("rounds"), false);
    }

    // The runs' own lines add a few KiB to a log; the sizes stay what they were.
    void MeasureLogSizes() {
        bench::LargeLog large(tsctest::WrapperLogPath(), 100 * kMiB);
        std::vector<bench::ChildRun> runs(2, LibraryCycle(PerRound(Get("log-cycles"))));
        runs[0].prepare = [&large] { return large.Use(false); };
        runs[1].prepare = [&large] { return large.Use(true); };
        Measure("warm cycle with a log of", {"0 MB", "100 MB"}, runs, Get("rounds"), false);
    }

    const bench::Options& options_;
    std::wstring program_ = tsctest::BinDir() + L"\\benchmark.exe";
    std::vector<std::wstring> sdks_;
    tsctest::HealthyMachine machine_;
    // The wrapper log is set aside for the run and put back afterwards.
    tsctest::ScopedMoveAside log_{tsctest::WrapperLogPath()};
    tsctest::ScopedEnvironmentVariable journal_{L"QUILSDK_STANDIN_JOURNAL", std::nullopt};
    std::vector<bench::ResultRow> rows_;
    std::optional<double> warmRatio_;
};

}  // namespace

// wmain: the paths the child modes receive arrive as UTF-16, whatever the code page.
int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    if (const std::optional<int> status = bench::RunChildMode(args)) return *status;
    bench::Options options{{"cold-runs", 61},        {"warm-up", 5},    {"warm-cycles", 90},
                           {"large-sdk-cycles", 30}, {"rounds", 5},     {"process-cycles", 30},
                           {"path-repeats", 300},    {"log-cycles", 60}};
    std::vector<std::string> utf8;
    for (const std::wstring& arg : args) utf8.push_back(tsctest::Utf8(arg));
    if (!bench::ParseOptions(utf8, "benchmark.exe", options)) return 2;
    // Every measurement takes one round at least.
    options["rounds"] = std::max<std::int64_t>(options["rounds"], 1);
    const std::vector<std::wstring> sdks = BenchSdks();
    if (const std::string missing = MissingFile(sdks); !missing.empty()) {
        std::fprintf(stderr, "benchmark: missing %s\n", missing.c_str());
        return 2;
    }
    Benchmark benchmark(options, sdks);
    benchmark.Run();
    bench::PrintTable(benchmark.Rows());
    PrintSummary(benchmark.Rows().front(), benchmark.WarmRatio());
    const auto& rows = benchmark.Rows();
    return std::any_of(rows.begin(), rows.end(),
                       [](const bench::ResultRow& row) { return row.failed; })
               ? 1
               : 0;
}
