// Test seams: one indirection each, for faults that cannot be produced for real under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace tsc::seams {

// The file-status query behind the existence test; answers a Win32 code (0 when found).
extern std::uint32_t (*statusQuery)(const std::wstring& path);

// The lookup of a variable in the process's Win32 environment.
extern DWORD(WINAPI* environmentLookup)(LPCWSTR name, LPWSTR buffer, DWORD size);

}  // namespace tsc::seams
