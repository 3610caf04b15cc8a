#include "child_process.h"

namespace demo {
namespace {

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

std::wstring Quote(const std::wstring& argument) { return L"\"" + argument + L"\""; }

std::optional<ChildProcess> ChildProcess::StartSelf(const std::wstring& arguments) {
    tsctest::StartedProgram started = tsctest::StartProgram(Quote(OwnPath()) + L" " + arguments);
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
