#include "location/environment_variable.h"

#include <windows.h>

namespace tsc {

std::optional<std::wstring> ReadEnvironmentVariable(const std::wstring& name) {
    std::wstring value;
    for (DWORD capacity = 128;;) {
        value.resize(capacity);
        // 0 is returned both for a missing variable and for an empty one; only the error code
        // tells them apart, so it must not be left over from an earlier call.
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), capacity);
        if (length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::wstring();
        }
        if (length < capacity) {
            value.resize(length);
            return value;
        }
        capacity = length;  // Too small: length is the size needed, terminator included.
    }
}

}  // namespace tsc
