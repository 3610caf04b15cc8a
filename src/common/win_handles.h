// Owners of every handle the library opens: kernel objects, registry keys, memory, the
// process snapshot, the shell's task-allocator texts, and the certificate store, message and
// contexts of the signature checks.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>

#include <cstdlib>

#include "common/unique_resource.h"

namespace tsc {

// The traits of an owner whose handle is empty when null and is given back by `close`.
template <typename T, auto close>
struct NullHandleTraits {
    static T Invalid() noexcept { return nullptr; }
    static void Close(T value) noexcept { close(value); }
};

using UniqueRegKey = UniqueResource<HKEY, NullHandleTraits<HKEY, &RegCloseKey>>;

// File handles: CreateFileW reports failure with INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};
using UniqueFileHandle = UniqueResource<HANDLE, FileHandleTraits>;

// CreateToolhelp32Snapshot reports failure with INVALID_HANDLE_VALUE, as CreateFileW does.
using UniqueSnapshot = UniqueResource<HANDLE, FileHandleTraits>;

using UniqueLocalMem = UniqueResource<HLOCAL, NullHandleTraits<HLOCAL, &LocalFree>>;

// Blocks from the C runtime heap (malloc, realloc).
inline void FreeHeapBlock(void* block) noexcept { std::free(block); }
using UniqueHeapBlock = UniqueResource<void*, NullHandleTraits<void*, &FreeHeapBlock>>;

using UniqueCoTaskText = UniqueResource<PWSTR, NullHandleTraits<PWSTR, &CoTaskMemFree>>;

inline void CloseCertStore(HCERTSTORE store) noexcept { CertCloseStore(store, 0); }
using UniqueCertStore = UniqueResource<HCERTSTORE, NullHandleTraits<HCERTSTORE, &CloseCertStore>>;

using UniqueCryptMsg = UniqueResource<HCRYPTMSG, NullHandleTraits<HCRYPTMSG, &CryptMsgClose>>;

using UniqueCertContext =
    UniqueResource<PCCERT_CONTEXT, NullHandleTraits<PCCERT_CONTEXT, &CertFreeCertificateContext>>;

}  // namespace tsc
