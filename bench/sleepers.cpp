#include "sleepers.h"

#include <tlhelp32.h>

#include <utility>

#include "common/win_handles.h"

namespace bench {
namespace {

// How long one sleeper may take to start.
constexpr DWORD kPatienceMs = 30000;

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

Sleepers::Sleepers(std::wstring program)
    : program_(std::move(program)),
      startedName_(L"Local\\dttsc-bench-sleepers-" + std::to_wstring(GetCurrentProcessId())),
      started_(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, startedName_.c_str())) {}

Sleepers::~Sleepers() {
    for (const tsctest::UniqueHandle& process : processes_) TerminateProcess(process.get(), 0);
    for (const tsctest::UniqueHandle& process : processes_) {
        WaitForSingleObject(process.get(), 10000);
    }
}

bool Sleepers::GrowTo(std::size_t total) {
    if (!started_) return false;
    std::size_t launched = 0;
    for (std::size_t count = ProcessCount(); count < total; ++count, ++launched) {
        tsctest::StartedProgram sleeper =
            tsctest::StartProgram(L"\"" + program_ + L"\" --sleep " +
                                  std::to_wstring(GetCurrentProcessId()) + L" " + startedName_);
        if (!sleeper.process) return false;
        processes_.push_back(std::move(sleeper.process));
        newestId_ = sleeper.id;
    }
    // Starting a process takes a while under load; the list names it long before it is idle.
    for (std::size_t i = 0; i < launched; ++i) {
        if (WaitForSingleObject(started_.get(), kPatienceMs) != WAIT_OBJECT_0) return false;
    }
    return ProcessCount() >= total;
}

DWORD Sleepers::NewestId() const { return newestId_ != 0 ? newestId_ : GetCurrentProcessId(); }

}  // namespace bench
