// Runs a program of the build as a child process and captures what it prints.
#pragma once

#include <windows.h>

#include <string>

namespace tsctest {

struct ProgramRun {
    bool started = false;
    DWORD exitCode = 0;
    std::string output;  // standard output, as bytes
};

// Inherits this process's environment; standard input and standard error are the NUL device.
ProgramRun RunProgram(const std::wstring& path, const std::wstring& arguments);

}  // namespace tsctest
