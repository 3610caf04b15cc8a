#include "wrapper_log_tail.h"

#include <windows.h>

#include "location/win_handles.h"

namespace tscdiag {
namespace {

// Reading must not disturb the library or other writers: every kind of sharing is allowed.
tsc::UniqueFileHandle OpenForReading(const std::wstring& path) {
    return tsc::UniqueFileHandle(CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::uint64_t FileSize(HANDLE file) {
    LARGE_INTEGER size = {};
    return GetFileSizeEx(file, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

std::string ReadFrom(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER position = {};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return {};
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    return bytes;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
        std::size_t length = end - begin;
        if (length > 0 && text[end - 1] == '\r') --length;
        lines.push_back(text.substr(begin, length));
    }
    return lines;
}

}  // namespace

std::wstring WrapperLogPath() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD needed = ExpandEnvironmentStringsW(L"%LOCALAPPDATA%", folder, MAX_PATH);
    if (needed == 0 || needed > MAX_PATH) return {};
    return std::wstring(folder) + L"\\Tesmora\\QUIL\\QUIL_APIWrapper.log";
}

WrapperLogTail::WrapperLogTail() {
    const tsc::UniqueFileHandle file = OpenForReading(WrapperLogPath());
    if (file) start_ = FileSize(file.get());
}

std::vector<std::string> WrapperLogTail::NewLines() const {
    const tsc::UniqueFileHandle file = OpenForReading(WrapperLogPath());
    if (!file || FileSize(file.get()) < start_) return {};
    return SplitLines(ReadFrom(file.get(), start_));
}

}  // namespace tscdiag
