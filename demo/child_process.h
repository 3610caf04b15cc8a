// Copies of this program started as separate processes: another process is needed to show
// that the session's folder lock holds against the rest of the machine.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "harness/program_run.h"

namespace demo {

class ChildProcess {
  public:
    // Starts this program again with the given arguments; nothing when it cannot be started.
    static std::optional<ChildProcess> StartSelf(const std::wstring& arguments);

    DWORD Id() const { return started_.id; }
    // Waits for the end of the process and answers its exit code.
    DWORD Wait();
    void Terminate();

  private:
    explicit ChildProcess(tsctest::StartedProgram started) : started_(std::move(started)) {}

    tsctest::StartedProgram started_;
};

// Quotes one command-line argument so that a path with blanks arrives whole.
std::wstring Quote(const std::wstring& argument);

}  // namespace demo
