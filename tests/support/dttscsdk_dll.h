// The built dttscsdk.dll, loaded for one test: a fresh module state per object.
#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "harness/paths.h"

namespace tsctest {

// The DLL under test: bin\dttscsdk.dll, or the file DTTSC_TEST_DLL names (a packaged copy).
inline std::wstring DttscsdkPath() {
    wchar_t named[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"DTTSC_TEST_DLL", named, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(named, length)
                                           : BinDir() + L"\\dttscsdk.dll";
}

// Whether a module with this full path is loaded in this process.
inline bool IsModuleLoaded(const std::wstring& path) {
    return GetModuleHandleW(path.c_str()) != nullptr;
}

class DttscsdkDll {
  public:
    // Fails the test (ADD_FAILURE) when the DLL cannot be loaded.
    DttscsdkDll() : module_(LoadLibraryW(DttscsdkPath().c_str())) {
        if (module_ == nullptr)
            ADD_FAILURE() << "LoadLibraryW(dttscsdk.dll) failed with " << GetLastError();
    }
    ~DttscsdkDll() { Unload(); }
    DttscsdkDll(const DttscsdkDll&) = delete;
    DttscsdkDll& operator=(const DttscsdkDll&) = delete;

    bool Initialize() const { return Call<bool>("dtutInitializeTSC", false); }
    bool UpdatePath() const { return Call<bool>("dtutUpdatePathForTSC", false); }
    void Uninitialize() const { Call<void>("dtutUninitializeTSC"); }
    HMODULE module() const { return module_; }
    // Unloads now (as the destructor would); true when FreeLibrary succeeded.
    bool Unload() { return module_ && FreeLibrary(std::exchange(module_, nullptr)) != FALSE; }

  private:
    // Calls the export without arguments; `otherwise` when it is missing.
    template <typename Result, typename... Otherwise>
    Result Call(const char* name, Otherwise... otherwise) const {
        const auto address = module_ ? GetProcAddress(module_, name) : nullptr;
        if (address == nullptr) return Result(otherwise...);
        return reinterpret_cast<Result (*)()>(reinterpret_cast<void*>(address))();
    }
    HMODULE module_ = nullptr;
};

}  // namespace tsctest
