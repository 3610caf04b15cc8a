#include "support/dttscsdk_dll.h"

#include <gtest/gtest.h>

#include "support/paths.h"

namespace tsctest {
namespace {

template <typename Func>
Func Export(HMODULE module, const char* name) {
    return reinterpret_cast<Func>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::wstring DttscsdkPath() { return BinDir() + L"\\dttscsdk.dll"; }

DttscsdkDll::DttscsdkDll() : module_(LoadLibraryW(DttscsdkPath().c_str())) {
    if (module_ == nullptr) {
        ADD_FAILURE() << "LoadLibraryW(dttscsdk.dll) failed with " << GetLastError();
        return;
    }
    initialize_ = Export<BoolExport>(module_, "dtutInitializeTSC");
    updatePath_ = Export<BoolExport>(module_, "dtutUpdatePathForTSC");
    uninitialize_ = Export<VoidExport>(module_, "dtutUninitializeTSC");
}

DttscsdkDll::~DttscsdkDll() { Unload(); }

bool DttscsdkDll::Unload() {
    if (module_ == nullptr) return false;
    const bool freed = FreeLibrary(module_) != FALSE;
    module_ = nullptr;
    return freed;
}

bool DttscsdkDll::Initialize() const { return initialize_ != nullptr && initialize_(); }
bool DttscsdkDll::UpdatePath() const { return updatePath_ != nullptr && updatePath_(); }
void DttscsdkDll::Uninitialize() const {
    if (uninitialize_ != nullptr) uninitialize_();
}

bool IsModuleLoaded(const std::wstring& path) { return GetModuleHandleW(path.c_str()) != nullptr; }

}  // namespace tsctest
