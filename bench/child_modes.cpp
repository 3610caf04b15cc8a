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

int Outcome(bool ok) {
    if (!ok) std::fprintf(stderr, "benchmark: a call of the child did not answer as expected\n");
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

// The library's start and end through the DLL's exports, in the shape of the bare platform's
// cycle (PlatformCycle).
struct LibrarySession {
    tsctest::DttscsdkDll dll;
    bool Open() const { return dll.Initialize(); }
    bool Close() const {
        dll.Uninitialize();
        return true;
    }
    bool Cycle() const {
        const bool opened = Open();
        return Close() && opened;
    }
};

// The start timed as the first call after loading, then the end. A failed start ends a loop:
// nothing is printed for it.
template <typename Session, typename... Args>
int Cold(const Args&... args) {
    Session session{args...};
    const bool opened = RunTimedLoop(0, 1, [&] { return session.Open(); });
    session.Close();
    return Outcome(opened);
}

template <typename Session, typename... Args>
int Cycles(std::int64_t warmUp, std::int64_t cycles, const Args&... args) {
    Session session{args...};
    return Outcome(RunTimedLoop(warmUp, cycles, [&] { return session.Cycle(); }));
}

int PathUpdate(std::int64_t entries, std::int64_t warmUp, std::int64_t repeats) {
    const std::wstring path = PathOfEntries(entries);
    const tsctest::ScopedEnvironmentVariable pathVariable(L"PATH", path);
    const LibrarySession library;
    const bool ok = library.Open() && RunTimedLoop(
                                          warmUp, repeats, [&] { return library.dll.UpdatePath(); },
                                          [&] { tsctest::SetEnv(L"PATH", path); });
    library.Close();
    return Outcome(ok);
}

int Snapshot(const std::wstring& id, std::int64_t warmUp, std::int64_t cycles) {
    const std::string idText = tsctest::Utf8(id);
    return Outcome(RunTimedLoop(warmUp, cycles, [&] { return tsc::IsProcessIdListed(idText); }));
}

int Idle(const std::wstring& parentId, const std::wstring& semaphore) {
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
    std::fprintf(stderr, "benchmark: a child mode with other arguments (child_modes.h)\n");
    return 2;
}

}  // namespace

std::optional<int> RunChildMode(const std::vector<std::wstring>& a) {
    if (a.empty() || (a[0] != L"--probe" && a[0] != L"--baseline" && a[0] != L"--sleep")) {
        return std::nullopt;
    }
    const std::wstring mode = a[0] + (a.size() > 1 ? L" " + a[1] : L"");
    if (mode == L"--probe cold" && a.size() == 2) return Cold<LibrarySession>();
    if (mode == L"--probe cycle" && a.size() == 4) {
        return Cycles<LibrarySession>(Count(a[2]), Count(a[3]));
    }
    if (mode == L"--probe update" && a.size() == 5) {
        return PathUpdate(Count(a[2]), Count(a[3]), Count(a[4]));
    }
    if (mode == L"--baseline cold" && a.size() == 4) return Cold<PlatformCycle>(a[2], a[3]);
    if (mode == L"--baseline cycle" && a.size() == 6) {
        return Cycles<PlatformCycle>(Count(a[4]), Count(a[5]), a[2], a[3]);
    }
    if (mode == L"--baseline snapshot" && a.size() == 5) {
        return Snapshot(a[2], Count(a[3]), Count(a[4]));
    }
    if (a[0] == L"--sleep" && a.size() == 3) return Idle(a[1], a[2]);
    return Usage();
}

}  // namespace bench
