// Owners for the modules and kernel objects the bench programs open themselves.
#pragma once

#include <windows.h>

#include "common/unique_resource.h"

namespace bench {

struct ModuleTraits {
    static HMODULE Invalid() noexcept { return nullptr; }
    static void Close(HMODULE module) noexcept { FreeLibrary(module); }
};
using UniqueModule = tsc::UniqueResource<HMODULE, ModuleTraits>;

// Processes, threads, pipes and events: failure is a null handle.
struct KernelHandleTraits {
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};
using UniqueKernelHandle = tsc::UniqueResource<HANDLE, KernelHandleTraits>;

}  // namespace bench
