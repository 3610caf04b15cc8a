// Owners for the process snapshot and for texts handed out by the shell's task allocator.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "location/unique_resource.h"
#include "location/win_handles.h"

namespace tsc {

// CreateToolhelp32Snapshot reports failure with INVALID_HANDLE_VALUE, as CreateFileW does.
using UniqueSnapshot = UniqueResource<HANDLE, FileHandleTraits>;

struct CoTaskTextTraits {
    static PWSTR Invalid() noexcept { return nullptr; }
    static void Close(PWSTR text) noexcept { CoTaskMemFree(text); }
};
using UniqueCoTaskText = UniqueResource<PWSTR, CoTaskTextTraits>;

}  // namespace tsc
