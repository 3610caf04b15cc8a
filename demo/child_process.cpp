#include "child_process.h"

#include "common/program_path.h"

namespace demo {

std::wstring Quote(const std::wstring& argument) { return L"\"" + argument + L"\""; }

std::optional<ChildProcess> ChildProcess::StartSelf(const std::wstring& arguments) {
    tsctest::StartedProgram started =
        tsctest::StartProgram(Quote(tsc::ProgramPath()) + L" " + arguments);
    if (!started.process) return std::nullopt;
    return ChildProcess(std::move(started));
}

DWORD ChildProcess::Wait() {
    WaitForSingleObject(started_.process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(started_.process.get(), &code);
    return code;
}

void ChildProcess::Terminate() {
    TerminateProcess(started_.process.get(), 0);
    WaitForSingleObject(started_.process.get(), INFINITE);
}

}  // namespace demo
