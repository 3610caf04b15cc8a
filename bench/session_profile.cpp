// session_profile.exe: where a session start and end spend their time. It links the library
// statically and takes a time stamp whenever one of the library's seams is passed: around the
// known-folder lookup, every existence query and the SDK's FreeLibrary, at the start of every
// log line, and right before the SDK is loaded. It prints the timeline of the first start and
// end in the process and of a later one, and the cost of one log line on its own.
//
// Usage: session_profile.exe [--warm-up N] (the cycles between the first and the profiled later
// one). Needs the 1 MB SDK of the target bench_fixtures.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/platform_seams.h"
#include "dttscsdk/dttscsdk.h"
#include "loader/loader_seams.h"
#include "options.h"
#include "stopwatch.h"
#include "support/machine.h"
#include "harness/paths.h"
#include "wrapper/quil_api_wrapper_impl.h"
#include "wrapper/wrapper_seams.h"

namespace {

struct Mark {
    const char* what;
    double ms;
};

std::vector<Mark> marks;
const bench::Stopwatch* profileClock = nullptr;

void Note(const char* what) { marks.push_back({what, profileClock->ElapsedMs()}); }

// Puts a timing wrapper in the seam: it notes `before`, calls the function the seam held and,
// when `after` is given, notes it once that function returns.
template <auto& seam, const char* before, const char* after, typename R, typename... A>
void Time(R (*)(A...)) {
    static R (*const real)(A...) = seam;
    seam = [](A... args) -> R {
        Note(before);
        if constexpr (!std::is_void_v<R>) {
            const R result = real(args...);
            if (after != nullptr) Note(after);
            return result;
        } else {
            real(args...);
        }
    };
}

constexpr char kQuery[] = "existence query ...";
constexpr char kQueryDone[] = "... existence query done";
constexpr char kKnownFolder[] = "known-folder lookup ...";
constexpr char kKnownFolderDone[] = "... known-folder lookup done";
constexpr char kBeforeLoad[] = "signature checks done; LoadLibraryW next";
constexpr char kLogLine[] = "log line ...";
constexpr char kFreeLibrary[] = "SDK FreeLibrary ...";
constexpr char kFreeLibraryDone[] = "... SDK FreeLibrary done";

void InstallTimers() {
    using tsc::seams::statusQuery, tsc::seams::knownFolderPath, tsc::seams::beforeSdkLoad,
        tsc::seams::localTime, tsc::seams::freeLibrary;
    Time<statusQuery, kQuery, kQueryDone>(statusQuery);
    Time<knownFolderPath, kKnownFolder, kKnownFolderDone>(knownFolderPath);
    Time<beforeSdkLoad, kBeforeLoad, nullptr>(beforeSdkLoad);
    Time<localTime, kLogLine, nullptr>(localTime);
    Time<freeLibrary, kFreeLibrary, kFreeLibraryDone>(freeLibrary);
}

bool ProfileCycle(const char* title) {
    const bench::Stopwatch watch;
    profileClock = &watch;
    marks.clear();
    Note("dtutInitializeTSC ...");
    const bool started = dtutInitializeTSC();
    Note("... dtutInitializeTSC done; dtutUninitializeTSC ...");
    dtutUninitializeTSC();
    Note("... dtutUninitializeTSC done");
    std::printf("%s\n%10s %10s  %s\n", title, "at ms", "step ms", "event");
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const double step = i == 0 ? 0.0 : marks[i].ms - marks[i - 1].ms;
        std::printf("%10.3f %10.3f  %s\n", marks[i].ms, step, marks[i].what);
    }
    std::printf("\n");
    return started;
}

// One log line on its own: open, lock, append, unlock, close.
double LogLineMs() {
    constexpr int kLines = 200;
    const bench::Stopwatch watch;
    for (int i = 0; i < kLines; ++i) {
        QUILAPIWrapperImpl::GetInstance().LogInfo("Profile: one line of the usual length");
    }
    return watch.ElapsedMs() / kLines;
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options{{"warm-up", 20}};
    if (!bench::ParseOptions({argv + 1, argv + argc}, "session_profile.exe", options)) return 2;
    const std::wstring sdk = tsctest::BinDir() + L"\\bench-fixtures\\quilsdk_1mb.dll";
    if (GetFileAttributesW(sdk.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "session_profile: build the target bench_fixtures first\n");
        return 2;
    }
    const tsctest::HealthyMachine machine(sdk);
    const tsctest::ScopedMoveAside log(tsctest::WrapperLogPath());
    // The stand-in SDK keeps no journal here, as in the benchmark and the soak.
    const tsctest::ScopedEnvironmentVariable journal(L"QUILSDK_STANDIN_JOURNAL", std::nullopt);
    InstallTimers();
    bool ok = ProfileCycle("first start and end in the process");
    for (std::int64_t i = 0; i < options.at("warm-up"); ++i) {
        ok = dtutInitializeTSC() && ok;
        dtutUninitializeTSC();
    }
    ok = ProfileCycle("a later start and end") && ok;
    std::printf("one log line on its own: %.3f ms\n", LogLineMs());
    return ok ? 0 : 1;
}
