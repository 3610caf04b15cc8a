#include "dtpal/dtpal.h"

#include <windows.h>

namespace Tesmora::Corvane::PAL {

Settings::Container& Settings::envVars() {
    static Container environment;
    return environment;
}

std::wstring Settings::Container::getString(const wchar_t* name,
                                            const std::wstring& defaultValue) const {
    // The value may change between the size query and the read; retry until it fits.
    std::wstring value;
    for (DWORD capacity = 256;;) {
        value.resize(capacity);
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(name, value.data(), capacity);
        if (length == 0) {
            // 0 is both "missing" and "set to an empty value"; the error code tells them apart.
            return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? defaultValue : std::wstring();
        }
        if (length < capacity) {
            value.resize(length);
            return value;
        }
        capacity = length;
    }
}

bool Settings::Container::setString(const wchar_t* name, const wchar_t* value, bool /*persist*/) {
    return SetEnvironmentVariableW(name, value) != FALSE;
}

}  // namespace Tesmora::Corvane::PAL
