// Owners for the kernel, registry and memory handles the library opens.
#pragma once

#include <windows.h>

#include <cstdlib>

#include "location/unique_resource.h"

namespace tsc {

struct RegKeyTraits {
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY key) noexcept { RegCloseKey(key); }
};
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;

// File handles: CreateFileW reports failure with INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};
using UniqueFileHandle = UniqueResource<HANDLE, FileHandleTraits>;

struct LocalMemTraits {
    static HLOCAL Invalid() noexcept { return nullptr; }
    static void Close(HLOCAL memory) noexcept { LocalFree(memory); }
};
using UniqueLocalMem = UniqueResource<HLOCAL, LocalMemTraits>;

// Blocks from the C runtime heap (malloc, realloc).
struct HeapBlockTraits {
    static void* Invalid() noexcept { return nullptr; }
    static void Close(void* block) noexcept { std::free(block); }
};
using UniqueHeapBlock = UniqueResource<void*, HeapBlockTraits>;

}  // namespace tsc
