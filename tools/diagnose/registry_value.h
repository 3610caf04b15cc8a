// Registry keys and values read as they are stored (type, size, bytes), for the report's facts.
#pragma once

#include <windows.h>

#include <string>

#include "location/win_handles.h"
#include "report.h"

namespace tscdiag {

struct OpenedKey {
    tsc::UniqueRegKey key;
    DWORD error = 0;  // 0 when opened
};

OpenedKey OpenMachineKey(const std::wstring& path, REGSAM access);

// "key" (HKLM\ and the path) and "keyOpened", with the error when it cannot be opened to read.
OpenedKey AddKeyFacts(Json& facts, const std::wstring& path);

struct RawValue {
    bool present = false;
    DWORD error = 0;  // a failure other than "not there"
    DWORD type = REG_NONE;
    std::string data;
};

RawValue ReadRawValue(HKEY key, const wchar_t* name);

// The data as UTF-16 text up to its first NUL (tsc::RegistryText).
std::wstring ValueText(const RawValue& value);

// present, type, typeCode, size and, when present, the text or (withText false) the bytes in hex.
Json DescribeValue(const RawValue& value, bool withText);

}  // namespace tscdiag
