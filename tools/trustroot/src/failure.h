// The error trustroot reports when a step fails: what was attempted and the Windows error code.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace trustroot {

class Failure : public std::runtime_error {
  public:
    explicit Failure(const std::string& what) : std::runtime_error(what) {}
};

// Throws a Failure naming the step and the error code (GetLastError() unless given).
[[noreturn]] void Fail(const std::string& step, DWORD error = GetLastError());

}  // namespace trustroot
