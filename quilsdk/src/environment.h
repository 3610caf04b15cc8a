// Reads the process's Win32 environment at the moment of the call.
#pragma once

#include <optional>
#include <string>

namespace quilsdk_standin {

// The variable's value, or nothing when it is missing or set to an empty value. Tests change the
// environment with SetEnvironmentVariableW, which the C runtime's getenv copy never sees, so this
// asks the Win32 environment every time.
std::optional<std::wstring> ReadVariable(const std::wstring& name);

}  // namespace quilsdk_standin
