// Test seams of the platform queries (see common/seam.h): faults that cannot be produced for
// real under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/seam.h"

namespace tsc {

// The file-status query behind the existence test; answers a Win32 code (0 when found).
std::uint32_t FileStatus(const std::wstring& path);

namespace seams {

TSC_SEAM(statusQuery, FileStatus);
// The lookup of a variable in the process's Win32 environment.
TSC_SEAM(environmentLookup, GetEnvironmentVariableW);

}  // namespace seams
}  // namespace tsc
