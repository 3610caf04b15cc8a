// The machine key under which the installer records a release's shared components.
#pragma once

#include <string>

namespace tsc {

// "SOFTWARE\Tesmora\SharedComponents\" followed directly by the release, nothing trimmed.
inline std::wstring ReleaseKeyPath(const std::wstring& release) {
    return L"SOFTWARE\\Tesmora\\SharedComponents\\" + release;
}

}  // namespace tsc
