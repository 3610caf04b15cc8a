// The built dttscsdk.dll, loaded for one test: a fresh module state per object.
#pragma once

#include <windows.h>

#include <string>

namespace tsctest {

class DttscsdkDll {
public:
    DttscsdkDll();  // fails the test (ADD_FAILURE) when the DLL cannot be loaded
    ~DttscsdkDll();
    DttscsdkDll(const DttscsdkDll&) = delete;
    DttscsdkDll& operator=(const DttscsdkDll&) = delete;

    bool Initialize() const;
    bool UpdatePath() const;
    void Uninitialize() const;
    HMODULE module() const { return module_; }
    // Unloads now (as the destructor would); true when FreeLibrary succeeded.
    bool Unload();

private:
    using BoolExport = bool (*)();
    using VoidExport = void (*)();
    HMODULE module_ = nullptr;
    BoolExport initialize_ = nullptr;
    BoolExport updatePath_ = nullptr;
    VoidExport uninitialize_ = nullptr;
};

std::wstring DttscsdkPath();
// Whether a module with this full path is loaded in this process.
bool IsModuleLoaded(const std::wstring& path);

}  // namespace tsctest
