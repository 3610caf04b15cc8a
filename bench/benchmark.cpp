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
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "child_modes.h"
#include "common/win_handles.h"
#include "harness/program_run.h"
#include "options.h"
#include "result_table.h"
#include "sleepers.h"
#include "support/machine.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

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

// Whole log lines up to about `bytes`, flushed, so that writing them does not slow the runs
// that follow.
bool WriteLogOfSize(const std::wstring& path, std::uint64_t bytes) {
    const tsc::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                 nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
    const std::string line =
        "[2026-01-01T00:00:00] [INFO] QUILAPIWrapperImpl::Initialize: an earlier session\r\n";
    std::string chunk;
    while (chunk.size() + line.size() <= kMiB) chunk += line;
    bool ok = file.valid();
    for (std::uint64_t written = 0; ok && written + chunk.size() <= bytes;
         written += chunk.size()) {
        DWORD done = 0;
        ok = WriteFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &done, nullptr);
    }
    return ok && FlushFileBuffers(file.get()) != FALSE;
}

// A large log written once under a spare name and moved into the wrapper log's place for the
// runs that need it (a rename instead of a rewrite); the other runs start without a log.
class SpareLog {
  public:
    SpareLog(std::wstring log, std::uint64_t bytes)
        : log_(std::move(log)),
          spare_(log_ + L".bench-large"),
          ready_(WriteLogOfSize(spare_, bytes)) {}
    ~SpareLog() {
        Use(false);
        DeleteFileW(spare_.c_str());
    }
    SpareLog(const SpareLog&) = delete;
    SpareLog& operator=(const SpareLog&) = delete;

    bool Use(bool large) {
        if (inPlace_)
            inPlace_ = !MoveFileExW(log_.c_str(), spare_.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (large && !inPlace_) {
            inPlace_ =
                ready_ && MoveFileExW(spare_.c_str(), log_.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
        return inPlace_ == large;
    }

  private:
    std::wstring log_;
    std::wstring spare_;
    bool ready_;
    bool inPlace_ = false;
};

// One child process to run (this program with these arguments), and what to put in place
// right before it.
struct ChildRun {
    std::wstring arguments;
    std::function<bool()> prepare;
};

// Each argument quoted, so that a path with blanks arrives whole.
ChildRun Child(std::initializer_list<std::wstring> args) {
    ChildRun run;
    for (const std::wstring& arg : args)
        run.arguments += (run.arguments.empty() ? L"\"" : L" \"") + arg + L"\"";
    return run;
}

class Benchmark {
  public:
    explicit Benchmark(const bench::Options& options) : options_(options) {
        for (const wchar_t* name :
             {L"quilsdk_bench.dll", L"quilsdk_1mb.dll", L"quilsdk_20mb.dll"}) {
            sdks_.push_back(tsctest::BinDir() + L"\\bench-fixtures\\" + name);
            if (!FileExists(sdks_.back()))
                problem_ =
                    "missing " + tsctest::Utf8(sdks_.back()) + " (build the target bench_fixtures)";
        }
        const std::wstring dll = tsctest::BinDir() + L"\\dttscsdk.dll";
        if (!FileExists(dll)) problem_ = "missing " + tsctest::Utf8(dll);
    }

    // Empty when the run can be made; otherwise which file is missing.
    const std::string& Problem() const { return problem_; }
    const std::vector<bench::ResultRow>& Rows() const { return rows_; }

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

    // The fastest cold starts (less exposed to a busy machine than the medians) and the ratios.
    void PrintSummary() const {
        const bench::ResultRow& cold = rows_.front();
        if (cold.library.count > 0 && cold.baseline->count > 0) {
            std::printf("fastest cold starts: library %.3f ms, baseline %.3f ms (%.2f)\n",
                        cold.library.min, cold.baseline->min,
                        cold.library.min / cold.baseline->min);
        }
        std::printf("ratio cold=%s warm=%s\n", RatioText(bench::Ratio(cold)).c_str(),
                    RatioText(warmRatio_).c_str());
    }

  private:
    static std::string RatioText(const std::optional<double>& ratio) {
        if (!ratio) return "n/a";
        char text[16];
        std::snprintf(text, sizeof(text), "%.2f", *ratio);
        return text;
    }

    std::int64_t Get(const char* name) const { return options_.at(name); }
    // The cycles of one round when `total` are spread over the rounds: one at least.
    std::int64_t PerRound(std::int64_t total) const {
        return std::max<std::int64_t>(total / Get("rounds"), 1);
    }
    void UseSdk(const std::wstring& sdk) { machine_.QuilKey().SetString(L"QUILSDKLocation", sdk); }
    ChildRun LibraryCycle(std::int64_t cycles) const {
        return Child({L"--probe", L"cycle", Arg(Get("warm-up")), Arg(cycles)});
    }

    // Runs each in turn, `rounds` times over, so that a busy moment of the machine falls on all
    // of them alike (every other round in reverse order); the times each printed, in the order
    // of `runs`. A run that cannot be prepared, started, or that ends with a non-zero status
    // sets *failed.
    std::vector<std::vector<double>> Interleave(const std::vector<ChildRun>& runs,
                                                std::int64_t rounds, bool* failed) const {
        std::vector<std::vector<double>> samples(runs.size());
        for (std::int64_t round = 0; round < rounds; ++round) {
            for (std::size_t k = 0; k < runs.size(); ++k) {
                const std::size_t i = round % 2 == 0 ? k : runs.size() - 1 - k;
                const ChildRun& run = runs[i];
                if (run.prepare && !run.prepare()) {
                    *failed = true;
                    continue;
                }
                // The child's complaints go to this program's standard error.
                const tsctest::ProgramRun child =
                    tsctest::RunProgram(program_, run.arguments, GetStdHandle(STD_ERROR_HANDLE));
                if (!child.started || child.exitCode != 0) {
                    std::fprintf(stderr, "benchmark: failed (%s): %s\n",
                                 child.started
                                     ? ("exit status " + std::to_string(child.exitCode)).c_str()
                                     : "not started",
                                 tsctest::Utf8(run.arguments).c_str());
                    *failed = true;
                    continue;
                }
                for (double sample : bench::ParseSamples(child.output))
                    samples[i].push_back(sample);
            }
        }
        return samples;
    }

    // Runs interleaved, one row each, named by its variant; with a baseline, the first two runs
    // make one row, the library's beside the baseline's.
    void Measure(const std::string& measure, const std::vector<std::string>& variants,
                 const std::vector<ChildRun>& runs, std::int64_t rounds, bool withBaseline) {
        bool failed = false;
        const auto samples = Interleave(runs, rounds, &failed);
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
        Measure(
            "cold: first start in a process", {SizeLabel(sdk)},
            {Child({L"--probe", L"cold"}), Child({L"--baseline", L"cold", sdk, machine_.Folder()})},
            Get("cold-runs"), true);
    }

    void MeasureWarm(const std::wstring& sdk, std::int64_t cycles) {
        UseSdk(sdk);
        const std::int64_t perRound = PerRound(cycles);
        Measure("warm: start + end cycle", {SizeLabel(sdk)},
                {LibraryCycle(perRound), Child({L"--baseline", L"cycle", sdk, machine_.Folder(),
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
                    {LibraryCycle(perRound),
                     Child({L"--baseline", L"snapshot", id, Arg(Get("warm-up")), Arg(perRound)})},
                    Get("rounds"), true);
            rows_.back().failed = rows_.back().failed || !grown;
        }
    }

    void MeasurePathLengths() {
        std::vector<std::string> variants;
        std::vector<ChildRun> runs;
        for (int entries : {1, 100, 1000}) {
            variants.push_back(std::to_string(entries) + " entries");
            runs.push_back(Child({L"--probe", L"update", Arg(entries), Arg(Get("warm-up")),
                                  Arg(PerRound(Get("path-repeats")))}));
        }
        Measure("PATH update", variants, runs, Get("rounds"), false);
    }

    // The runs' own lines add a few KiB to a log; the sizes stay what they were.
    void MeasureLogSizes() {
        SpareLog large(tsctest::WrapperLogPath(), 100 * kMiB);
        std::vector<ChildRun> runs(2, LibraryCycle(PerRound(Get("log-cycles"))));
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
    std::string problem_;
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
    Benchmark benchmark(options);
    if (!benchmark.Problem().empty()) {
        std::fprintf(stderr, "benchmark: %s\n", benchmark.Problem().c_str());
        return 2;
    }
    benchmark.Run();
    bench::PrintTable(benchmark.Rows());
    benchmark.PrintSummary();
    const auto& rows = benchmark.Rows();
    return std::any_of(rows.begin(), rows.end(),
                       [](const bench::ResultRow& row) { return row.failed; })
               ? 1
               : 0;
}
