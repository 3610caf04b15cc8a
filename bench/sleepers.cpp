#include "sleepers.h"

#include <tlhelp32.h>

#include <utility>

#include "location/win_handles.h"

namespace bench {
namespace {

constexpr ULONGLONG kPatienceMs = 10000;

}  // namespace

std::size_t ProcessCount() {
    const tsc::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    std::size_t count = 0;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        ++count;
    }
    return count;
}

Sleepers::Sleepers(std::wstring sleeperProgram) : program_(std::move(sleeperProgram)) {}

Sleepers::~Sleepers() {
    for (const UniqueKernelHandle& process : processes_) TerminateProcess(process.get(), 0);
    for (const UniqueKernelHandle& process : processes_) {
        WaitForSingleObject(process.get(), 10000);
    }
}

bool Sleepers::GrowTo(std::size_t total) {
    for (std::size_t count = ProcessCount(); count < total; ++count) {
        std::wstring line = L"\"" + program_ + L"\" " + std::to_wstring(GetCurrentProcessId());
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started = {};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &started)) {
            return false;
        }
        const UniqueKernelHandle thread(started.hThread);
        processes_.emplace_back(started.hProcess);
        newestId_ = started.dwProcessId;
    }
    // A new process enters the list only once it has started, which takes a while for each
    // under load; wait for all of them, as long as the list keeps growing.
    std::size_t seen = ProcessCount();
    for (ULONGLONG lastGrowth = GetTickCount64(); seen < total;) {
        if (GetTickCount64() - lastGrowth > kPatienceMs) return false;
        Sleep(50);
        const std::size_t now = ProcessCount();
        if (now > seen) lastGrowth = GetTickCount64();
        seen = now;
    }
    return true;
}

DWORD Sleepers::NewestId() const { return newestId_ != 0 ? newestId_ : GetCurrentProcessId(); }

}  // namespace bench
