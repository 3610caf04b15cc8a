// Runs a program of the build as a child process and captures what it prints; owners for the
// kernel handles and modules that the tests and the bench programs open themselves.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace tsctest {

// A kernel handle closed at scope end.
struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// A loaded module freed at scope end.
struct ModuleFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

// A process started and left running: its handle and id.
struct StartedProgram {
    UniqueHandle process;
    DWORD id = 0;
};

// Starts the command line (the program's quoted path first) with this process's environment,
// without waiting. Its standard handles are this process's, or those `startup` names (then
// inherited). No process when it cannot be started.
inline StartedProgram StartProgram(std::wstring commandLine, STARTUPINFOW* startup = nullptr) {
    STARTUPINFOW own{};
    own.cb = sizeof(own);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, startup != nullptr, 0,
                        nullptr, nullptr, startup != nullptr ? startup : &own, &info))
        return {};
    CloseHandle(info.hThread);
    return {UniqueHandle(info.hProcess), info.dwProcessId};
}

// A job that ends the processes in it when its last handle goes, so that a child run below
// never outlives the program that ran it: a soak left running by a test killed at its time-out
// would change the registry under the tests that follow.
inline UniqueHandle KillOnCloseJob() {
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job) {
        SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                sizeof(limits));
    }
    return job;
}

struct ProgramRun {
    bool started = false;
    DWORD exitCode = 0;
    std::string output;  // standard output, as bytes
};

// Runs the program to its end, in a job of its own that ends it should this process end first.
// Inherits this process's environment; standard input is the NUL device, and so is standard
// error unless errorOutput names a handle for it.
inline ProgramRun RunProgram(const std::wstring& path, const std::wstring& arguments,
                             HANDLE errorOutput = nullptr) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inheritable, 0)) return {};
    const UniqueHandle readEnd(read);
    UniqueHandle writeEnd(write);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    const UniqueHandle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                       OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.get();
    startup.hStdError = errorOutput != nullptr ? errorOutput : nul.get();
    startup.hStdOutput = write;
    const StartedProgram child =
        StartProgram(L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments), &startup);
    if (!child.process) return {};
    const UniqueHandle job = KillOnCloseJob();
    if (job) AssignProcessToJobObject(job.get(), child.process.get());
    // Only the child may hold the write end now, so reading ends when the child ends.
    writeEnd.reset();
    ProgramRun run;
    run.started = true;
    char chunk[4096];
    for (DWORD got = 0; ReadFile(read, chunk, sizeof(chunk), &got, nullptr) && got > 0;)
        run.output.append(chunk, got);
    WaitForSingleObject(child.process.get(), INFINITE);
    GetExitCodeProcess(child.process.get(), &run.exitCode);
    return run;
}

}  // namespace tsctest
