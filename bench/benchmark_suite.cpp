#include "benchmark_suite.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/win_handles.h"
#include "library_probe.h"
#include "sleepers.h"
#include "harness/program_run.h"

namespace bench {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::wstring Arg(std::int64_t value) { return std::to_wstring(value); }

// Each argument quoted, so that a path with blanks arrives whole.
std::wstring Arguments(std::initializer_list<std::wstring> args) {
    std::wstring line;
    for (const std::wstring& arg : args) line += (line.empty() ? L"\"" : L" \"") + arg + L"\"";
    return line;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::string SizeLabel(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f MB SDK", static_cast<double>(bytes) / kMiB);
    return text;
}

// Fills the file with whole log lines up to about `bytes`, and lets the disk catch up, so that
// writing it does not slow the runs that follow.
bool WriteLogOfSize(const std::wstring& path, std::uint64_t bytes) {
    const tsc::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                 nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
    if (!file) return false;
    const std::string line =
        "[2026-01-01T00:00:00] [INFO] QUILAPIWrapperImpl::Initialize: an earlier session\r\n";
    std::string chunk;
    while (chunk.size() + line.size() <= kMiB) chunk += line;
    for (std::uint64_t written = 0; written + chunk.size() <= bytes; written += chunk.size()) {
        DWORD done = 0;
        if (!WriteFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &done,
                       nullptr)) {
            return false;
        }
    }
    return FlushFileBuffers(file.get()) != FALSE;
}

// Logs of several sizes, written once beside the wrapper log; Use moves one into its place
// (and the one there back to its own name), which costs a rename instead of a rewrite.
class LogsOfSizes {
  public:
    LogsOfSizes(std::wstring logPath, const std::vector<std::uint64_t>& megabytes)
        : logPath_(std::move(logPath)) {
        // What the earlier runs wrote is of no further use (the user's own log is set aside).
        DeleteFileW(logPath_.c_str());
        for (std::uint64_t size : megabytes) {
            const std::wstring path = logPath_ + L".bench-" + std::to_wstring(size) + L"MB";
            ready_ = WriteLogOfSize(path, size * kMiB) && ready_;
            spares_.push_back(path);
        }
    }
    ~LogsOfSizes() {
        PutBack();
        for (const std::wstring& path : spares_) DeleteFileW(path.c_str());
    }
    LogsOfSizes(const LogsOfSizes&) = delete;
    LogsOfSizes& operator=(const LogsOfSizes&) = delete;

    bool Use(std::size_t index) {
        PutBack();
        if (!ready_ || !MoveFileExW(spares_[index].c_str(), logPath_.c_str(), 0)) return false;
        inPlace_ = index;
        return true;
    }

  private:
    void PutBack() {
        if (inPlace_ < spares_.size()) {
            MoveFileExW(logPath_.c_str(), spares_[inPlace_].c_str(), MOVEFILE_REPLACE_EXISTING);
        }
        inPlace_ = spares_.size();
    }

    std::wstring logPath_;
    std::vector<std::wstring> spares_;
    std::size_t inPlace_ = static_cast<std::size_t>(-1);
    bool ready_ = true;
};

}  // namespace

BenchmarkSuite::BenchmarkSuite(const Options& options)
    : options_(options), binDir_(tsctest::BinDir()) {
    const std::wstring fixtures = binDir_ + L"\\bench-fixtures\\";
    for (const wchar_t* name : {L"quilsdk_bench.dll", L"quilsdk_1mb.dll", L"quilsdk_20mb.dll"}) {
        const std::wstring path = fixtures + name;
        sdks_.push_back({SizeLabel(FileSize(path)), path});
        if (!FileExists(path)) {
            problem_ = "missing " + tsctest::Utf8(path) + " (build the target bench_fixtures)";
        }
    }
    for (const wchar_t* program : {L"\\baseline.exe", L"\\bench_sleeper.exe", L"\\dttscsdk.dll"}) {
        if (!FileExists(binDir_ + program))
            problem_ = "missing " + tsctest::Utf8(binDir_ + program);
    }
}

void BenchmarkSuite::UseSdk(const SdkVariant& sdk) {
    machine_.QuilKey().SetString(L"QUILSDKLocation", sdk.path);
}

std::vector<std::vector<double>> BenchmarkSuite::Interleave(const std::vector<ChildRun>& runs,
                                                            std::int64_t rounds, bool* failed) {
    std::vector<std::vector<double>> samples(runs.size());
    for (std::int64_t round = 0; round < rounds; ++round) {
        // Every other round runs them in reverse order, so that none always goes first.
        for (std::size_t k = 0; k < runs.size(); ++k) {
            const std::size_t i = round % 2 == 0 ? k : runs.size() - 1 - k;
            if (runs[i].prepare && !runs[i].prepare()) {
                *failed = true;
                continue;
            }
            // The child's complaints go to this program's standard error.
            const tsctest::ProgramRun child = tsctest::RunProgram(
                runs[i].program, runs[i].arguments, GetStdHandle(STD_ERROR_HANDLE));
            if (!child.started || child.exitCode != 0) {
                std::fprintf(stderr, "benchmark: failed (%s): %s\n",
                             child.started
                                 ? ("exit status " + std::to_string(child.exitCode)).c_str()
                                 : "not started",
                             tsctest::Utf8(runs[i].program + L" " + runs[i].arguments).c_str());
                *failed = true;
                continue;
            }
            for (double sample : ParseSamples(child.output)) samples[i].push_back(sample);
        }
    }
    return samples;
}

BenchmarkSuite::ChildRun BenchmarkSuite::Probe(std::initializer_list<std::wstring> args) const {
    return {binDir_ + L"\\benchmark.exe", L"--probe " + Arguments(args), nullptr};
}

BenchmarkSuite::ChildRun BenchmarkSuite::Baseline(std::initializer_list<std::wstring> args) const {
    return {binDir_ + L"\\baseline.exe", Arguments(args), nullptr};
}

BenchmarkSuite::ChildRun BenchmarkSuite::LibraryCycle(std::int64_t cycles) const {
    return Probe({L"cycle", Arg(options_.Get("warm-up")), Arg(cycles)});
}

BenchmarkSuite::ChildRun BenchmarkSuite::BaselineCycle(const SdkVariant& sdk,
                                                       std::int64_t cycles) const {
    return Baseline(
        {L"cycle", sdk.path, machine_.Folder(), Arg(options_.Get("warm-up")), Arg(cycles)});
}

ResultRow BenchmarkSuite::Compare(const std::string& measure, const std::string& variant,
                                  const ChildRun& library, const ChildRun& baseline,
                                  std::int64_t rounds) {
    ResultRow row{measure, variant, {}, Summary{}, false};
    const auto samples = Interleave({library, baseline}, rounds, &row.failed);
    row.library = Summarize(samples[0]);
    row.baseline = Summarize(samples[1]);
    return row;
}

void BenchmarkSuite::MeasureAlone(const std::string& measure,
                                  const std::vector<std::string>& variants,
                                  const std::vector<ChildRun>& runs) {
    bool failed = false;
    const auto samples = Interleave(runs, options_.Get("rounds"), &failed);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        rows_.push_back({measure, variants[i], Summarize(samples[i]), std::nullopt, failed});
    }
}

std::int64_t BenchmarkSuite::PerRound(std::int64_t total) const {
    return std::max<std::int64_t>(total / options_.Get("rounds"), 1);
}

// Each run is a fresh process whose first call is the one timed.
void BenchmarkSuite::MeasureCold(const SdkVariant& sdk) {
    UseSdk(sdk);
    const ResultRow row =
        Compare("cold: first start in a process", sdk.label, Probe({L"cold"}),
                Baseline({L"cold", sdk.path, machine_.Folder()}), options_.Get("cold-runs"));
    coldRatio_ = Ratio(row);
    if (row.library.count > 0 && row.baseline->count > 0) {
        fastestCold_ = std::make_pair(row.library.min, row.baseline->min);
    }
    rows_.push_back(row);
}

void BenchmarkSuite::MeasureWarm(const SdkVariant& sdk, std::int64_t cycles, bool forRatio) {
    UseSdk(sdk);
    const std::int64_t perRound = PerRound(cycles);
    rows_.push_back(Compare("warm: start + end cycle", sdk.label, LibraryCycle(perRound),
                            BaselineCycle(sdk, perRound), options_.Get("rounds")));
    if (forRatio) warmRatio_ = Ratio(rows_.back());
}

// The lock file names a live process, so every start is refused as a running self-update after
// a walk through the process list; the baseline walks the same list to the same process.
void BenchmarkSuite::MeasureProcessCounts() {
    Sleepers sleepers(binDir_ + L"\\bench_sleeper.exe");
    const std::int64_t perRound = PerRound(options_.Get("process-cycles"));
    for (std::size_t target : {std::size_t{10}, std::size_t{50}, std::size_t{200}}) {
        const bool grown = sleepers.GrowTo(target);
        const std::string variant = std::to_string(ProcessCount()) + " processes";
        const std::wstring id = std::to_wstring(sleepers.NewestId());
        const tsctest::ScopedLockFile lockFile(tsctest::Utf8(id));
        rows_.push_back(
            Compare("self-update check: start + end", variant, LibraryCycle(perRound),
                    Baseline({L"snapshot", id, Arg(options_.Get("warm-up")), Arg(perRound)}),
                    options_.Get("rounds")));
        rows_.back().failed = rows_.back().failed || !grown;
    }
}

void BenchmarkSuite::MeasurePathLengths() {
    std::vector<std::string> variants;
    std::vector<ChildRun> runs;
    for (int entries : {1, 100, 1000}) {
        variants.push_back(std::to_string(entries) + " entries");
        runs.push_back(Probe({L"update", Arg(entries), Arg(options_.Get("warm-up")),
                              Arg(PerRound(options_.Get("path-repeats")))}));
    }
    MeasureAlone("PATH update", variants, runs);
}

// The runs' own lines add a few KiB to a log; the sizes stay what they were.
void BenchmarkSuite::MeasureLogSizes() {
    const std::vector<std::uint64_t> sizes = {0, 100};
    LogsOfSizes logs(tsctest::WrapperLogPath(), sizes);
    std::vector<std::string> variants;
    std::vector<ChildRun> runs;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        variants.push_back(std::to_string(sizes[i]) + " MB");
        runs.push_back(LibraryCycle(PerRound(options_.Get("log-cycles"))));
        runs.back().prepare = [&logs, i] { return logs.Use(i); };
    }
    MeasureAlone("warm cycle with a log of", variants, runs);
}

void BenchmarkSuite::Run() {
    const SdkVariant& oneMegabyte = sdks_[1];
    std::fprintf(stderr, "benchmark: cold starts ...\n");
    MeasureCold(oneMegabyte);
    std::fprintf(stderr, "benchmark: warm cycles by SDK size ...\n");
    MeasureWarm(sdks_[0], options_.Get("warm-cycles"), false);
    MeasureWarm(oneMegabyte, options_.Get("warm-cycles"), true);
    MeasureWarm(sdks_[2], options_.Get("large-sdk-cycles"), false);
    UseSdk(oneMegabyte);
    std::fprintf(stderr, "benchmark: self-update check by process count ...\n");
    MeasureProcessCounts();
    std::fprintf(stderr, "benchmark: PATH update by length ...\n");
    MeasurePathLengths();
    std::fprintf(stderr, "benchmark: log size ...\n");
    MeasureLogSizes();
}

}  // namespace bench
