#include "support/loader_support.h"

#include <algorithm>

#include "support/program_run.h"

namespace tsctest {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

DWORD RunShellCommand(const std::wstring& command) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const ProgramRun run = RunProgram(std::wstring(system) + L"\\cmd.exe", L"/c " + command);
    return run.started ? run.exitCode : 0xFFFFFFFFu;
}

std::vector<std::string> MessagesBetween(const std::vector<std::string>& messages,
                                         const std::string& first, const std::string& last) {
    const auto begin = std::find(messages.begin(), messages.end(), first);
    if (begin == messages.end()) return {};
    auto end = std::find(begin, messages.end(), last);
    if (end != messages.end()) ++end;
    return std::vector<std::string>(begin, end);
}

}  // namespace tsctest
