// Test seams: one indirection each, for faults that cannot be produced for real under Wine.
#pragma once

#include <windows.h>

#include <ctime>

namespace tsc::seams {

extern DWORD(WINAPI* expandLogFolder)(LPCWSTR source, LPWSTR target, DWORD size);
extern errno_t (*localTime)(struct tm* result, const __time64_t* time);
extern BOOL(WINAPI* freeLibrary)(HMODULE module);
extern BOOL(WINAPI* lockFile)(HANDLE file, DWORD flags, DWORD reserved, DWORD low, DWORD high,
                              LPOVERLAPPED range);

}  // namespace tsc::seams
