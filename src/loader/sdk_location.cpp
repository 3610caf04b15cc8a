// Where the installer-service SDK library lies: the path the installer recorded in the
// machine registry, with environment references expanded.
#include <windows.h>

#include <cstdlib>
#include <optional>

#include "loader/full_path.h"
#include "loader/loader_seams.h"
#include "loader/sdk_location.h"
#include "common/registry_text.h"
#include "common/existence.h"
#include "common/win_handles.h"
#include "wrapper/quil_api_wrapper_impl.h"

namespace {

// The read block starts at this size and grows by it for as long as the value does not fit.
constexpr DWORD kBlockStep = 256;

// Copies the text out of a block handed out by ReadStringFromRegistry and releases the block.
std::wstring TakeRegistryText(void* data, DWORD byteCount) {
    const tsc::UniqueHeapBlock block(data);
    return tsc::RegistryText(block.get(), byteCount);
}

}  // namespace

namespace tsc::seams {
// NOLINTNEXTLINE(cert-err58-cpp): a lambda without captures becomes a pointer without throwing
void* (*allocateBlock)(std::size_t) = [](std::size_t size) { return std::malloc(size); };
// NOLINTNEXTLINE(cert-err58-cpp): a lambda without captures becomes a pointer without throwing
void* (*reallocateBlock)(void*, std::size_t) = [](void* block, std::size_t size) {
    return std::realloc(block, size);
};
DWORD(WINAPI* expandDllPath)(LPCWSTR, LPWSTR, DWORD) = &ExpandEnvironmentStringsW;
}  // namespace tsc::seams

int QUILAPIWrapperImpl::ReadStringFromRegistry(void** block, DWORD* byteCount) {
    *block = nullptr;
    *byteCount = 0;
    DWORD announced = kBlockStep;
    tsc::UniqueHeapBlock buffer(tsc::seams::allocateBlock(announced));
    if (!buffer) {
        LogError("ReadStringFromRegistry: Failed to allocate memory for buffer to read registry!");
        return 0;
    }
    tsc::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, tsc::kSdkKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        LogError("ReadStringFromRegistry: RegOpenKeyEx failed!");
        return 0;
    }
    DWORD size = announced;
    LSTATUS result = RegQueryValueExW(key.get(), tsc::kSdkValue, nullptr, nullptr,
                                      static_cast<BYTE*>(buffer.get()), &size);
    while (result == ERROR_MORE_DATA) {
        // The needed size the query reports is not used: the block grows in fixed steps.
        announced += kBlockStep;
        void* grown = tsc::seams::reallocateBlock(buffer.get(), announced);
        // On failure the old block is still owned by `buffer` and released with it.
        if (grown == nullptr) return 0;
        buffer.release();
        buffer.reset(grown);
        size = announced;
        result = RegQueryValueExW(key.get(), tsc::kSdkValue, nullptr, nullptr,
                                  static_cast<BYTE*>(buffer.get()), &size);
    }
    if (result != ERROR_SUCCESS) {
        LogError("ReadStringFromRegistry: RegQueryValueEx failed!");
        return 0;
    }
    *byteCount = size;
    *block = buffer.release();
    return 1;
}

void QUILAPIWrapperImpl::GetDllPath(tsc::FileSystemFailure& failure) {
    if (!sdkPath.empty()) return;
    void* data = nullptr;
    DWORD byteCount = 0;
    if (ReadStringFromRegistry(&data, &byteCount) == 0 || data == nullptr) {
        LogError("GetDllPath: Failed to read registry!");
        return;
    }
    const std::wstring recorded = TakeRegistryText(data, byteCount);
    if (recorded.empty()) return;
    wchar_t expanded[MAX_PATH] = {};
    const DWORD needed = tsc::seams::expandDllPath(recorded.c_str(), expanded, MAX_PATH);
    // A count above the buffer size means the path did not fit: never use a truncated path.
    if (needed == 0 || needed > MAX_PATH) {
        LogError("GetDllPath: Failed to expand dll path!");
        return;
    }
    // A relative path would be checked against the current folder but loaded through the
    // library search order, which may find another file: from here on every step uses the
    // one full path.
    const std::optional<std::wstring> path = tsc::FullPath(expanded);
    if (!path) {
        LogError("GetDllPath: Failed to expand dll path!");
        return;
    }
    if (tsc::ExistsOrFails(*path, failure)) {
        sdkPath = *path;
    } else if (!failure) {
        LogError("GetDllPath: expanded Dll Path does not exist!");
    }
}
