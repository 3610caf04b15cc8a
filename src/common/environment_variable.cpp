#include "common/environment_variable.h"

#include <windows.h>

#include "common/platform_seams.h"

namespace tsc {

namespace seams {
DWORD(WINAPI* environmentLookup)(LPCWSTR, LPWSTR, DWORD) = &GetEnvironmentVariableW;
}

std::optional<std::wstring> ReadEnvironmentVariable(const std::wstring& name) {
    std::wstring value;
    for (DWORD capacity = 128;;) {
        value.resize(capacity);
        // 0 is returned both for an empty variable and for a failed lookup; only the error code
        // tells them apart, so it must not be left over from an earlier call. A lookup that
        // fails for any reason, not only a missing variable, hands back no value.
        SetLastError(ERROR_SUCCESS);
        const DWORD length = seams::environmentLookup(name.c_str(), value.data(), capacity);
        if (length == 0) {
            if (GetLastError() != ERROR_SUCCESS) return std::nullopt;
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
