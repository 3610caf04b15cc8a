// Helpers for the tests of the SDK loader: texts as the wrapper log writes them, and other
// processes acting on files.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "harness/paths.h"
#include "harness/program_run.h"

namespace tsctest {

// The text with every "{key}" of the list replaced by its value.
template <typename Char>
std::basic_string<Char> Filled(
    std::basic_string<Char> text,
    const std::vector<std::pair<std::basic_string<Char>, std::basic_string<Char>>>& values) {
    for (const auto& [key, value] : values)
        for (size_t at = text.find(key); at != std::basic_string<Char>::npos;
             at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    return text;
}

// The wrapper log's lines about a session start's SDK load, without their time stamps: the
// start's first line after the separator, the load's outcome (success or failure), and others.
inline constexpr char kSessionLine[] =
    "[INFO] QUILAPIWrapperImpl::Initialize: plc = \"TSC\", release = \"2026\", language = "
    "\"neutral\"";
inline constexpr char kLoadedLine[] =
    "[INFO] QUILAPIWrapperImpl::Initialize: QUIL SDK loaded successfully";
inline constexpr char kLoadFailedLine[] =
    "[ERROR] QUILAPIWrapperImpl::Initialize: Failed to load SDK! ";
inline constexpr char kPathEmptyLine[] = "[ERROR] Load: dll path empty!";
inline constexpr char kReadFailedLine[] =
    "[ERROR] QUILAPIWrapperImpl::GetDllPath: Failed to read registry!";
inline std::string SdkPathLine(const std::wstring& path) {
    return "[INFO] Load: QUIL SDK path = " + Utf8(path);
}
inline std::string SignatureInvalidLine(const std::wstring& path) {
    return "[ERROR] IsSignatureValid: Signature invalid at path = " + Utf8(path);
}

// The messages from the first session line up to and including the first load outcome after
// it (empty without a session line; up to the end without an outcome).
inline std::vector<std::string> LoadLines(const std::vector<std::string>& messages) {
    const auto begin = std::find(messages.begin(), messages.end(), kSessionLine);
    auto end = std::find_if(begin, messages.end(), [](const std::string& message) {
        return message == kLoadedLine || message == kLoadFailedLine;
    });
    return std::vector<std::string>(begin, end == messages.end() ? end : end + 1);
}

// Opens an existing file for writing, sharing everything, as another program might hold it.
inline UniqueHandle OpenForWriting(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
}

// Runs a built-in command of the system's command interpreter ("copy /y a b", "del x", ...) in
// another process; its exit code, or 0xFFFFFFFF when the interpreter could not be started.
inline DWORD RunShellCommand(const std::wstring& command) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const ProgramRun run = RunProgram(std::wstring(system) + L"\\cmd.exe", L"/c " + command);
    return run.started ? run.exitCode : 0xFFFFFFFFu;
}

// Whether another process can rename the folder right now; a renamed folder is put back.
inline bool RenamableByAnotherProcess(const std::wstring& folder) {
    const std::wstring aside = folder + L".aside";
    if (RunShellCommand(L"move \"" + folder + L"\" \"" + aside + L"\"") != 0) return false;
    MoveFileExW(aside.c_str(), folder.c_str(), 0);
    return true;
}

}  // namespace tsctest
