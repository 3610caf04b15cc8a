#include "child_modes.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>

#include "harness/paths.h"
#include "harness/program_run.h"
#include "loader/process_list.h"
#include "platform_cycle.h"
#include "stopwatch.h"
#include "support/dttscsdk_dll.h"
#include "support/scoped_environment.h"

namespace bench {
namespace {

constexpr DWORD kLongestSleepMs = 10 * 60 * 1000;

std::int64_t Count(const std::wstring& text) { return std::wcstoll(text.c_str(), nullptr, 10); }

int Outcome(bool ok, const char* failure) {
    if (!ok) std::fprintf(stderr, "benchmark child: %s\n", failure);
    return ok ? 0 : 1;
}

// A PATH of that many short, distinct entries, none naming the shared components.
std::wstring PathOfEntries(std::int64_t entries) {
    std::wstring path = L"C:\\windows\\system32";
    for (std::int64_t i = 1; i < entries; ++i) {
        wchar_t entry[32];
        std::swprintf(entry, 32, L";C:\\Tools\\t%04lld", static_cast<long long>(i));
        path += entry;
    }
    return path;
}

// A failed start ends a loop: nothing is printed for it.
int LibraryCold() {
    const tsctest::DttscsdkDll dll;
    const bool started = RunTimedLoop(0, 1, [&] { return dll.Initialize(); });
    dll.Uninitialize();
    return Outcome(started, "dtutInitializeTSC answered false");
}

int LibraryCycle(std::int64_t warmUp, std::int64_t cycles) {
    const tsctest::DttscsdkDll dll;
    return Outcome(RunTimedLoop(warmUp, cycles,
                                [&] {
                                    const bool started = dll.Initialize();
                                    dll.Uninitialize();
                                    return started;
                                }),
                   "dtutInitializeTSC answered false");
}

int PathUpdate(std::int64_t entries, std::int64_t warmUp, std::int64_t repeats) {
    const std::wstring path = PathOfEntries(entries);
    const tsctest::ScopedEnvironmentVariable pathVariable(L"PATH", path);
    const tsctest::DttscsdkDll dll;
    const bool ok = dll.Initialize() && RunTimedLoop(
                                            warmUp, repeats, [&] { return dll.UpdatePath(); },
                                            [&] { tsctest::SetEnv(L"PATH", path); });
    dll.Uninitialize();
    return Outcome(ok, "dtutInitializeTSC or dtutUpdatePathForTSC answered false");
}

int BaselineCold(const std::wstring& sdk, const std::wstring& folder) {
    PlatformCycle platform(sdk, folder);
    const bool opened = RunTimedLoop(0, 1, [&] { return platform.Open(); });
    platform.Close();
    return Outcome(opened, "a platform call of the start failed");
}

int BaselineCycle(const std::wstring& sdk, const std::wstring& folder, std::int64_t warmUp,
                  std::int64_t cycles) {
    PlatformCycle platform(sdk, folder);
    return Outcome(RunTimedLoop(warmUp, cycles, [&] { return platform.Cycle(); }),
                   "a platform call of the cycle failed");
}

int Snapshot(const std::wstring& id, std::int64_t warmUp, std::int64_t cycles) {
    const std::string idText = tsctest::Utf8(id);
    return Outcome(RunTimedLoop(warmUp, cycles, [&] { return tsc::IsProcessIdListed(idText); }),
                   "the process is not in the snapshot");
}

int Sleep(const std::wstring& parentId, const std::wstring& semaphore) {
    const tsctest::UniqueHandle parent(
        OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(Count(parentId))));
    if (!parent) return 1;
    const tsctest::UniqueHandle started(
        OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, semaphore.c_str()));
    if (started) ReleaseSemaphore(started.get(), 1, nullptr);
    WaitForSingleObject(parent.get(), kLongestSleepMs);
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: benchmark.exe --probe cold | --probe cycle <warm-up> <cycles> | "
                 "--probe update <entries> <warm-up> <repeats> | --baseline cold <sdk> <folder> "
                 "| --baseline cycle <sdk> <folder> <warm-up> <cycles> | --baseline snapshot "
                 "<process id> <warm-up> <cycles> | --sleep <parent id> <semaphore>\n");
    return 2;
}

}  // namespace

std::optional<int> RunChildMode(const std::vector<std::wstring>& a) {
    if (a.empty() || (a[0] != L"--probe" && a[0] != L"--baseline" && a[0] != L"--sleep")) {
        return std::nullopt;
    }
    const std::wstring mode = a[0] + (a.size() > 1 ? L" " + a[1] : L"");
    if (mode == L"--probe cold" && a.size() == 2) return LibraryCold();
    if (mode == L"--probe cycle" && a.size() == 4) return LibraryCycle(Count(a[2]), Count(a[3]));
    if (mode == L"--probe update" && a.size() == 5) {
        return PathUpdate(Count(a[2]), Count(a[3]), Count(a[4]));
    }
    if (mode == L"--baseline cold" && a.size() == 4) return BaselineCold(a[2], a[3]);
    if (mode == L"--baseline cycle" && a.size() == 6) {
        return BaselineCycle(a[2], a[3], Count(a[4]), Count(a[5]));
    }
    if (mode == L"--baseline snapshot" && a.size() == 5) {
        return Snapshot(a[2], Count(a[3]), Count(a[4]));
    }
    if (a[0] == L"--sleep" && a.size() == 3) return Sleep(a[1], a[2]);
    return Usage();
}

}  // namespace bench
