// Runs a program of this build as a child process and collects what it printed.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace bench {

struct ChildOutput {
    DWORD exitCode = 0;
    std::string out;  // everything the child wrote to its standard output
};

// The program's full path followed by its arguments, each quoted when it holds a blank.
std::wstring CommandLine(const std::wstring& program, std::initializer_list<std::wstring> args);

// Starts the command, waits for it to end and returns its output; nullopt when it cannot be
// started. The child shares this process's standard error and environment.
std::optional<ChildOutput> RunChild(const std::wstring& commandLine);

}  // namespace bench
