// baseline.exe: the platform calls that a session start and end cannot do without, timed on
// their own, as the yardstick for the library's times.
//
//   baseline.exe cold <sdk path> <folder>
//       the start's calls (trust check, publisher search, load, the SDK's Initialize,
//       ReleaseMemory and LockDirectory) as the first calls of this process: one time, in ms
//   baseline.exe cycle <sdk path> <folder> <warm-up cycles> <cycles>
//       a whole start and end (the above, then UnLockDirectory, Uninitialize, FreeLibrary),
//       repeated: one time per line
//   baseline.exe snapshot <process id> <warm-up cycles> <cycles>
//       a process snapshot walked until the id turns up, with the self-update check's own walk
//
// <folder> is the folder to lock, without the trailing backslash the SDK receives.
// Exit status: 0 on success, 1 when a cycle failed, 2 on bad arguments.
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "loader/process_list.h"
#include "platform_cycle.h"
#include "stopwatch.h"
#include "harness/paths.h"

namespace {

std::int64_t Count(const std::wstring& text) { return std::wcstoll(text.c_str(), nullptr, 10); }

// A failed start ends the loop: nothing is printed.
int Cold(const std::wstring& sdk, const std::wstring& folder) {
    bench::PlatformCycle platform(sdk, folder);
    const bool opened = bench::RunTimedLoop(0, 1, [&] { return platform.Open(); });
    platform.Close();
    if (!opened) std::fprintf(stderr, "baseline: a platform call of the start failed\n");
    return opened ? 0 : 1;
}

int Cycle(const std::wstring& sdk, const std::wstring& folder, std::int64_t warmUp,
          std::int64_t cycles) {
    bench::PlatformCycle platform(sdk, folder);
    const bool ok = bench::RunTimedLoop(warmUp, cycles, [&] { return platform.Cycle(); });
    if (!ok) std::fprintf(stderr, "baseline: a platform call of the cycle failed\n");
    return ok ? 0 : 1;
}

int Snapshot(const std::wstring& id, std::int64_t warmUp, std::int64_t cycles) {
    const std::string idText = tsctest::Utf8(id);
    if (bench::RunTimedLoop(warmUp, cycles, [&] { return tsc::IsProcessIdListed(idText); })) {
        return 0;
    }
    std::fprintf(stderr, "baseline: process %s is not in the snapshot\n", idText.c_str());
    return 1;
}

}  // namespace

// wmain: the paths arrive as UTF-16, whatever the code page.
int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv, argv + argc);
    const std::wstring mode = args.size() > 1 ? args[1] : L"";
    if (mode == L"cold" && args.size() == 4) return Cold(args[2], args[3]);
    if (mode == L"cycle" && args.size() == 6) {
        return Cycle(args[2], args[3], Count(args[4]), Count(args[5]));
    }
    if (mode == L"snapshot" && args.size() == 5) {
        return Snapshot(args[2], Count(args[3]), Count(args[4]));
    }
    std::fprintf(stderr,
                 "usage: baseline.exe cold <sdk> <folder> | cycle <sdk> <folder> <warm-up> "
                 "<cycles> | snapshot <process id> <warm-up> <cycles>\n");
    return 2;
}
