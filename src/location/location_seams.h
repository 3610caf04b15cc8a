// Test seams: one indirection each, for faults that cannot be produced for real under Wine.
#pragma once

#include <cstdint>
#include <string>

namespace tsc::seams {

// The file-status query behind the existence test; answers a Win32 code (0 when found).
extern std::uint32_t (*statusQuery)(const std::wstring& path);

}  // namespace tsc::seams
