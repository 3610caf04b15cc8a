// Test seams of the loader: one indirection each, for faults that cannot be produced for real
// under Wine, and one hook that lets a test act between the checks and the load.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <cstddef>
#include <string>

namespace tsc::seams {

// The runtime heap behind the registry read block.
extern void* (*allocateBlock)(std::size_t size);
extern void* (*reallocateBlock)(void* block, std::size_t size);

// Expansion of environment references in the recorded SDK path.
extern DWORD(WINAPI* expandDllPath)(LPCWSTR source, LPWSTR target, DWORD size);

// The known-folder lookup that locates the installer's data folder.
extern HRESULT(WINAPI* knownFolderPath)(REFKNOWNFOLDERID id, DWORD flags, HANDLE token,
                                        PWSTR* path);

// The process snapshot in which a running installer is looked for.
extern HANDLE(WINAPI* createProcessSnapshot)(DWORD flags, DWORD processId);

// Reads the signature embedded in the SDK file. Under Wine a file that passes the trust check
// always has one, so only this seam reaches a failed read after a passed trust check.
extern BOOL(WINAPI* queryEmbeddedSignature)(DWORD objectType, const void* object,
                                            DWORD contentTypes, DWORD formatTypes, DWORD flags,
                                            DWORD* encoding, DWORD* contentType, DWORD* formatType,
                                            HCERTSTORE* store, HCRYPTMSG* message,
                                            const void** context);

// Opens the SDK file for the hold that keeps it unchanged until it is loaded. Every real cause
// of a failing hold (a writer, a missing file, a folder) also fails the checks, so only this
// seam reaches a hold that fails after the checks passed.
extern HANDLE(WINAPI* openForHold)(LPCWSTR path, DWORD access, DWORD share,
                                   LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                   DWORD attributes, HANDLE templateFile);

// Runs after the SDK file passed its checks and right before it is loaded.
extern void (*beforeSdkLoad)(const std::wstring& path);

}  // namespace tsc::seams
