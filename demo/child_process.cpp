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
    const std::wstring self = OwnPath();
    std::wstring commandLine = Quote(self) + L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    return ChildProcess(UniqueHandle(info.hProcess), info.dwProcessId);
}

DWORD ChildProcess::Wait() {
    WaitForSingleObject(process_.Get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

void ChildProcess::Terminate() {
    TerminateProcess(process_.Get(), 0);
    WaitForSingleObject(process_.Get(), INFINITE);
}

}  // namespace demo
