#include "library_probe.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "stopwatch.h"
#include "support/dttscsdk_dll.h"
#include "support/scoped_environment.h"

namespace bench {
namespace {

std::int64_t Count(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

int Outcome(bool started) {
    if (!started) std::fprintf(stderr, "probe: dtutInitializeTSC answered false\n");
    return started ? 0 : 1;
}

// A failed start ends the loop: nothing is printed.
int Cold() {
    const tsctest::DttscsdkDll dll;
    const bool started = RunTimedLoop(0, 1, [&] { return dll.Initialize(); });
    dll.Uninitialize();
    return Outcome(started);
}

int Cycle(std::int64_t warmUp, std::int64_t cycles) {
    const tsctest::DttscsdkDll dll;
    return Outcome(RunTimedLoop(warmUp, cycles, [&] {
        const bool started = dll.Initialize();
        dll.Uninitialize();
        return started;
    }));
}

// Only the update itself is timed; PATH is put back between calls.
int Update(int entries, std::int64_t warmUp, std::int64_t repeats) {
    const std::wstring path = PathOfEntries(entries);
    const tsctest::ScopedEnvironmentVariable pathVariable(L"PATH", path);
    const tsctest::DttscsdkDll dll;
    if (!dll.Initialize()) return 1;
    bool ok = true;
    for (std::int64_t i = 0; ok && i < warmUp + repeats; ++i) {
        tsctest::SetEnv(L"PATH", path);
        const Stopwatch watch;
        ok = dll.UpdatePath();
        const double ms = watch.ElapsedMs();
        if (i >= warmUp) std::printf("%.4f\n", ms);
    }
    dll.Uninitialize();
    return ok ? 0 : 1;
}

}  // namespace

std::wstring PathOfEntries(int entries) {
    std::wstring path = L"C:\\windows\\system32";
    for (int i = 1; i < entries; ++i) {
        wchar_t entry[32];
        std::swprintf(entry, 32, L";C:\\Tools\\t%04d", i);
        path += entry;
    }
    return path;
}

int RunLibraryProbe(const std::vector<std::string>& args) {
    const std::string mode = args.empty() ? "" : args[0];
    if (mode == "cold" && args.size() == 1) return Cold();
    if (mode == "cycle" && args.size() == 3) return Cycle(Count(args[1]), Count(args[2]));
    if (mode == "update" && args.size() == 4) {
        return Update(static_cast<int>(Count(args[1])), Count(args[2]), Count(args[3]));
    }
    std::fprintf(stderr,
                 "usage: benchmark.exe --probe cold | cycle <warm-up> <cycles> | "
                 "update <entries> <warm-up> <repeats>\n");
    return 2;
}

}  // namespace bench
