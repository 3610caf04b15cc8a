#include "loader/temp_directory.h"

#include <windows.h>

namespace tsc {
namespace {

using GetTempPathFunc = DWORD(WINAPI*)(DWORD length, LPWSTR buffer);

// GetTempPath2W exists only in newer systems, so it is looked up at run time.
GetTempPathFunc TempPathQuery() {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC newer = kernel != nullptr ? GetProcAddress(kernel, "GetTempPath2W") : nullptr;
    if (newer == nullptr) return &GetTempPathW;
    return reinterpret_cast<GetTempPathFunc>(reinterpret_cast<void*>(newer));
}

std::wstring Failed(FileSystemFailure& failure, const std::wstring& path, DWORD code) {
    failure = FileSystemError{"temp_directory_path", path, code};
    return std::wstring();
}

// Asks twice at most: the first answer may announce a longer folder than the buffer holds.
std::wstring ReportedTempPath(FileSystemFailure& failure) {
    const GetTempPathFunc query = TempPathQuery();
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = query(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return Failed(failure, std::wstring(), GetLastError());
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, L'\0');
    }
    return Failed(failure, std::wstring(), ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace

std::wstring TempDirectoryPath(FileSystemFailure& failure) {
    std::wstring path = ReportedTempPath(failure);
    if (failure) return path;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Failed(failure, path, GetLastError());
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return Failed(failure, path, ERROR_DIRECTORY);
    }
    return path;
}

}  // namespace tsc
