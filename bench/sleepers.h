// Idle processes that fill the prefix's process list for the self-update check. They are ended
// when the object goes (and end by themselves when this process does).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "harness/program_run.h"

namespace bench {

// The processes in the list the self-update check walks (this prefix's).
std::size_t ProcessCount();

class Sleepers {
  public:
    // program: benchmark.exe, whose child mode --sleep is the idle process.
    explicit Sleepers(std::wstring program);
    ~Sleepers();
    Sleepers(const Sleepers&) = delete;
    Sleepers& operator=(const Sleepers&) = delete;

    // Starts sleepers until the process list holds at least `total` processes, and waits until
    // every one has started and sits idle. False when one could not be started in time.
    bool GrowTo(std::size_t total);
    // The id of the last sleeper started, or of this process when none was.
    DWORD NewestId() const;

  private:
    std::wstring program_;
    std::wstring startedName_;
    // Released once by every sleeper that is up.
    tsctest::UniqueHandle started_;
    std::vector<tsctest::UniqueHandle> processes_;
    DWORD newestId_ = 0;
};

}  // namespace bench
