#include "support/loader_support.h"

#include <algorithm>

#include "support/program_run.h"

namespace tsctest {

const char kSessionLine[] =
    "[INFO] QUILAPIWrapperImpl::Initialize: plc = \"TSC\", release = \"2026\", language = "
    "\"neutral\"";
const char kLoadedLine[] = "[INFO] QUILAPIWrapperImpl::Initialize: QUIL SDK loaded successfully";
const char kLoadFailedLine[] = "[ERROR] QUILAPIWrapperImpl::Initialize: Failed to load SDK! ";
const char kPathEmptyLine[] = "[ERROR] Load: dll path empty!";
const char kReadFailedLine[] = "[ERROR] QUILAPIWrapperImpl::GetDllPath: Failed to read registry!";

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

std::string Filled(std::string text,
                   const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [key, value] : values) {
        for (size_t at = text.find(key); at != std::string::npos;
             at = text.find(key, at + value.size())) {
            text.replace(at, key.size(), value);
        }
    }
    return text;
}

std::string SdkPathLine(const std::wstring& path) {
    return "[INFO] Load: QUIL SDK path = " + Utf8(path);
}

std::string SignatureInvalidLine(const std::wstring& path) {
    return "[ERROR] IsSignatureValid: Signature invalid at path = " + Utf8(path);
}

std::vector<std::string> LoadLines(const std::vector<std::string>& messages) {
    const auto begin = std::find(messages.begin(), messages.end(), kSessionLine);
    auto end = std::find_if(begin, messages.end(), [](const std::string& message) {
        return message == kLoadedLine || message == kLoadFailedLine;
    });
    return std::vector<std::string>(begin, end == messages.end() ? end : end + 1);
}

UniqueHandle OpenForWriting(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
}

DWORD RunShellCommand(const std::wstring& command) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const ProgramRun run = RunProgram(std::wstring(system) + L"\\cmd.exe", L"/c " + command);
    return run.started ? run.exitCode : 0xFFFFFFFFu;
}

bool RenamableByAnotherProcess(const std::wstring& folder) {
    const std::wstring aside = folder + L".aside";
    if (RunShellCommand(L"move \"" + folder + L"\" \"" + aside + L"\"") != 0) return false;
    MoveFileExW(aside.c_str(), folder.c_str(), 0);
    return true;
}

}  // namespace tsctest
