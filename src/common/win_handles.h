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

// CreateToolhelp32Snapshot reports failure with INVALID_HANDLE_VALUE, as CreateFileW does.
using UniqueSnapshot = UniqueResource<HANDLE, FileHandleTraits>;

struct CoTaskTextTraits {
    static PWSTR Invalid() noexcept { return nullptr; }
    static void Close(PWSTR text) noexcept { CoTaskMemFree(text); }
};
using UniqueCoTaskText = UniqueResource<PWSTR, CoTaskTextTraits>;

struct CertStoreTraits {
    static HCERTSTORE Invalid() noexcept { return nullptr; }
    static void Close(HCERTSTORE store) noexcept { CertCloseStore(store, 0); }
};
using UniqueCertStore = UniqueResource<HCERTSTORE, CertStoreTraits>;

struct CryptMsgTraits {
    static HCRYPTMSG Invalid() noexcept { return nullptr; }
    static void Close(HCRYPTMSG message) noexcept { CryptMsgClose(message); }
};
using UniqueCryptMsg = UniqueResource<HCRYPTMSG, CryptMsgTraits>;

struct CertContextTraits {
    static PCCERT_CONTEXT Invalid() noexcept { return nullptr; }
    static void Close(PCCERT_CONTEXT context) noexcept { CertFreeCertificateContext(context); }
};
using UniqueCertContext = UniqueResource<PCCERT_CONTEXT, CertContextTraits>;

}  // namespace tsc
