// Registry values read as they are stored (type, size, bytes), so that the report can show what
// the library would make of them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "location/win_handles.h"
#include "report.h"

namespace tscdiag {

struct OpenedKey {
    tsc::UniqueRegKey key;
    DWORD error = 0;  // 0 when opened
};

OpenedKey OpenMachineKey(const std::wstring& path, REGSAM access);

struct RawValue {
    bool present = false;
    DWORD error = 0;  // a failure other than "not there"
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
};

RawValue ReadRawValue(HKEY key, const wchar_t* name);

// The data as UTF-16 text, whatever the type: up to the first NUL and never past the data.
std::wstring DataAsText(const std::vector<std::uint8_t>& data);

// "REG_SZ", "REG_DWORD", ...; "type 42" for a code without a name.
std::string RegistryTypeName(DWORD type);

// present, type, typeCode, size and, when asked, the text as the library reads it.
Object DescribeValue(const RawValue& value, bool withText);

}  // namespace tscdiag
