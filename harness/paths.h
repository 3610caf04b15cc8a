// Where the tests, the demo and the benchmark find the built programs, the fixtures and the
// wrapper log.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace tsctest {

// The folder of the running test program: build/.../bin.
inline std::wstring BinDir() {
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::filesystem::path(buffer).parent_path().wstring();
}

// UTF-8, as the wrapper log holds texts.
inline std::string Utf8(const std::wstring& text) {
    const std::u8string bytes = std::filesystem::path(text).u8string();
    return std::string(bytes.begin(), bytes.end());
}

// A signed (or deliberately broken) stand-in SDK under bin\fixtures.
inline std::wstring FixturePath(const std::wstring& name) {
    return BinDir() + L"\\fixtures\\" + name;
}

// %LOCALAPPDATA%\Tesmora\QUIL, the wrapper log's folder.
inline std::wstring WrapperLogFolder() {
    wchar_t buffer[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%LOCALAPPDATA%", buffer, MAX_PATH);
    return std::wstring(buffer) + L"\\Tesmora\\QUIL";
}
inline std::wstring WrapperLogPath() { return WrapperLogFolder() + L"\\QUIL_APIWrapper.log"; }

// Removes a folder tree, or a file, if it is there.
inline void RemoveTree(const std::wstring& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
}

// A fresh folder for this test, removed with everything in it when the process ends (and the
// common parent with it once the last test's folder is gone), so every test leaves the disk as
// it found it.
inline std::wstring TempRoot() {
    static constexpr wchar_t kTestsFolder[] = L"C:\\dttsc-tests";
    static const struct Holder {
        std::wstring path = std::wstring(kTestsFolder) + L"\\" +
                            std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetTickCount64());
        Holder() { std::filesystem::create_directories(path); }
        ~Holder() {
            RemoveTree(path);
            RemoveDirectoryW(kTestsFolder);
        }
    } holder;
    return holder.path;
}

}  // namespace tsctest
