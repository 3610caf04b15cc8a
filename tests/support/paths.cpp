#include "support/paths.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <system_error>

namespace tsctest {
namespace {

constexpr wchar_t kTestsFolder[] = L"C:\\dttsc-tests";

std::wstring ExpandedLocalAppData() {
    wchar_t buffer[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%LOCALAPPDATA%", buffer, MAX_PATH);
    return buffer;
}

// Removes the per-test folder at process exit, so every test leaves the disk as it found it.
struct TempRootHolder {
    std::wstring path;
    ~TempRootHolder() {
        if (path.empty()) return;
        RemoveTree(path);
        // The common parent goes too once the last test's folder is gone.
        RemoveDirectoryW(kTestsFolder);
    }
};

}  // namespace

std::wstring BinDir() {
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer);
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring FixturePath(const std::wstring& name) { return BinDir() + L"\\fixtures\\" + name; }

std::wstring WrapperLogFolder() { return ExpandedLocalAppData() + L"\\Tesmora\\QUIL"; }

std::wstring WrapperLogPath() { return WrapperLogFolder() + L"\\QUIL_APIWrapper.log"; }

std::wstring TempRoot() {
    static TempRootHolder holder;
    if (holder.path.empty()) {
        static std::atomic<unsigned> counter{0};
        holder.path = std::wstring(kTestsFolder) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter++);
        std::filesystem::create_directories(holder.path);
    }
    return holder.path;
}

bool RemoveTree(const std::wstring& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return !std::filesystem::exists(path, error);
}

}  // namespace tsctest
