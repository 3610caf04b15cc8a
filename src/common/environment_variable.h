// Reads one variable of the process's Win32 environment.
#pragma once

#include <optional>
#include <string>

namespace tsc {

// The value, or nothing when the variable does not exist or the lookup fails. A variable that
// exists with an empty value is set and yields an empty text.
std::optional<std::wstring> ReadEnvironmentVariable(const std::wstring& name);

}  // namespace tsc
