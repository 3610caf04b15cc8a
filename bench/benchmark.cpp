// benchmark.exe: the library's time for a session start (cold, as the first call of a process,
// and warm, repeated) against the bare platform calls it cannot do without, and how its costs
// grow with the SDK file's size, the number of processes, PATH's length and the log's size.
// Prints a table and ends with the line "ratio cold=<x> warm=<y>" (library / baseline, 1 MB
// SDK). Exit status: 0 when every run answered as expected, 1 otherwise, 2 when the run could not
// be made.
#include <cstdio>
#include <string>
#include <vector>

#include "benchmark_suite.h"
#include "library_probe.h"
#include "options.h"

namespace {

bool AnyFailed(const std::vector<bench::ResultRow>& rows) {
    for (const bench::ResultRow& row : rows) {
        if (row.failed) return true;
    }
    return false;
}

std::string RatioText(const std::optional<double>& ratio) {
    if (!ratio) return "n/a";
    char text[16];
    std::snprintf(text, sizeof(text), "%.2f", *ratio);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--probe") {
        return bench::RunLibraryProbe(std::vector<std::string>(argv + 2, argv + argc));
    }
    bench::Options options({{"cold-runs", 61},
                            {"warm-up", 5},
                            {"warm-cycles", 90},
                            {"large-sdk-cycles", 30},
                            {"rounds", 5},
                            {"process-cycles", 30},
                            {"path-repeats", 300},
                            {"log-cycles", 60}});
    std::string error;
    if (!options.Parse(argc, argv, &error) || options.Get("rounds") < 1) {
        std::fprintf(stderr, "%s\n%s\n", error.c_str(), options.Usage("benchmark.exe").c_str());
        return 2;
    }
    bench::BenchmarkSuite suite(options);
    if (!suite.Ready()) {
        std::fprintf(stderr, "benchmark: %s\n", suite.Problem().c_str());
        return 2;
    }
    suite.Run();
    bench::PrintTable(suite.Rows());
    if (const auto fastest = suite.FastestColdStarts()) {
        std::printf("fastest cold starts: library %.3f ms, baseline %.3f ms (%.2f)\n",
                    fastest->first, fastest->second, fastest->first / fastest->second);
    }
    std::printf("ratio cold=%s warm=%s\n", RatioText(suite.ColdRatio()).c_str(),
                RatioText(suite.WarmRatio()).c_str());
    return AnyFailed(suite.Rows()) ? 1 : 0;
}
