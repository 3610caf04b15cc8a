#include "wrapper_log_tail.h"

#include <windows.h>

#include "common/win_handles.h"

namespace demo {
namespace {

std::wstring LogPath() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD needed = ExpandEnvironmentStringsW(L"%LOCALAPPDATA%", folder, MAX_PATH);
    if (needed == 0 || needed > MAX_PATH) return {};
    return std::wstring(folder) + L"\\Tesmora\\QUIL\\QUIL_APIWrapper.log";
}

std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ReadFrom(const std::wstring& path, std::uint64_t offset) {
    const tsc::UniqueFileHandle file(CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return {};
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN)) return {};
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    return content;
}

}  // namespace

WrapperLogTail::WrapperLogTail() : path_(LogPath()), startSize_(FileSize(path_)) {}

std::vector<std::string> WrapperLogTail::NewLines() const {
    const std::string added = ReadFrom(path_, startSize_);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < added.size()) {
        size_t end = added.find('\n', start);
        if (end == std::string::npos) end = added.size();
        std::string line = added.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

}  // namespace demo
