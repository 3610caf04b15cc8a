// Test seams of the loader (see common/seam.h): faults that cannot be produced for real under
// Wine, and one hook that lets a test act between the checks and the load.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <wincrypt.h>

#include <cstddef>
#include <cstdlib>
#include <string>

#include "common/seam.h"

namespace tsc {

// What runs between the checks and the load when no test acts there: nothing.
inline void NoHook(const std::wstring&) {}

namespace seams {

// The runtime heap behind the registry read block.
TSC_SEAM(allocateBlock, std::malloc);
TSC_SEAM(reallocateBlock, std::realloc);

// Expansion of environment references in the recorded SDK path.
TSC_SEAM(expandDllPath, ExpandEnvironmentStringsW);

// The known-folder lookup that locates the installer's data folder.
TSC_SEAM(knownFolderPath, SHGetKnownFolderPath);

// The process snapshot in which a running installer is looked for.
TSC_SEAM(createProcessSnapshot, CreateToolhelp32Snapshot);

// Reads the signature embedded in the SDK file. Under Wine a file that passes the trust check
// always has one, so only this seam reaches a failed read after a passed trust check.
TSC_SEAM(queryEmbeddedSignature, CryptQueryObject);

// Opens the SDK file for the hold that keeps it unchanged until it is loaded. Every real cause
// of a failing hold (a writer, a missing file, a folder) also fails the checks, so only this
// seam reaches a hold that fails after the checks passed.
TSC_SEAM(openForHold, CreateFileW);

// Runs after the SDK file passed its checks and right before it is loaded.
TSC_SEAM(beforeSdkLoad, NoHook);

}  // namespace seams
}  // namespace tsc
