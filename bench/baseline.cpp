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
//       a process snapshot walked until the id turns up, as the self-update check does
//
// <folder> is the folder to lock, without the trailing backslash the SDK receives.
// Exit status: 0 on success, 1 when a cycle failed, 2 on bad arguments.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/win_handles.h"
#include "platform_cycle.h"
#include "stopwatch.h"
#include "text.h"
#include "timed_loop.h"
#include "wide_args.h"

namespace {

std::int64_t Count(const std::wstring& text) { return std::wcstoll(text.c_str(), nullptr, 10); }

std::string LockText(const std::wstring& folder) { return bench::Utf8(folder) + "\\"; }

int Cold(const std::wstring& sdk, const std::wstring& folder) {
    bench::PlatformCycle platform(sdk, LockText(folder));
    const bench::Stopwatch watch;
    const bool opened = platform.Open();
    const double ms = watch.ElapsedMs();
    platform.Close();
    if (!opened) {
        std::fprintf(stderr, "baseline: a platform call of the start failed\n");
        return 1;
    }
    std::printf("%.4f\n", ms);
    return 0;
}

int Cycle(const std::wstring& sdk, const std::wstring& folder, std::int64_t warmUp,
          std::int64_t cycles) {
    bench::PlatformCycle platform(sdk, LockText(folder));
    const bool ok = bench::RunTimedLoop(warmUp, cycles, [&] {
        const bool opened = platform.Open();
        return platform.Close() && opened;
    });
    if (!ok) std::fprintf(stderr, "baseline: a platform call of the cycle failed\n");
    return ok ? 0 : 1;
}

bool FindInSnapshot(const std::string& idText) {
    const tsc::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (std::to_string(entry.th32ProcessID) == idText) return true;
    }
    return false;
}

int Snapshot(const std::wstring& id, std::int64_t warmUp, std::int64_t cycles) {
    const std::string idText = bench::Utf8(id);
    if (bench::RunTimedLoop(warmUp, cycles, [&] { return FindInSnapshot(idText); })) return 0;
    std::fprintf(stderr, "baseline: process %s is not in the snapshot\n", idText.c_str());
    return 1;
}

}  // namespace

int main() {
    const std::vector<std::wstring> args = bench::WideArguments();
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
