#include "child_runs.h"

#include <windows.h>

#include <cstdio>

#include "harness/paths.h"
#include "harness/program_run.h"
#include "result_table.h"

namespace bench {

ChildRun Child(std::initializer_list<std::wstring> args) {
    ChildRun run;
    for (const std::wstring& arg : args) {
        run.arguments += (run.arguments.empty() ? L"\"" : L" \"") + arg + L"\"";
    }
    return run;
}

std::vector<std::vector<double>> Interleave(const std::wstring& program,
                                            const std::vector<ChildRun>& runs, std::int64_t rounds,
                                            bool* failed) {
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
                tsctest::RunProgram(program, run.arguments, GetStdHandle(STD_ERROR_HANDLE));
            if (!child.started || child.exitCode != 0) {
                std::fprintf(stderr, "benchmark: failed (%s): %s\n",
                             child.started
                                 ? ("exit status " + std::to_string(child.exitCode)).c_str()
                                 : "not started",
                             tsctest::Utf8(run.arguments).c_str());
                *failed = true;
                continue;
            }
            for (double sample : ParseSamples(child.output)) samples[i].push_back(sample);
        }
    }
    return samples;
}

}  // namespace bench
