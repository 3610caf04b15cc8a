// Where the installer records the path of the installer-service SDK library.
#pragma once

namespace tsc {

// Under HKEY_LOCAL_MACHINE; the trailing backslash is part of the key's text.
inline constexpr wchar_t kSdkKey[] = L"SOFTWARE\\Tesmora\\QUIL\\";
inline constexpr wchar_t kSdkValue[] = L"QUILSDKLocation";

}  // namespace tsc
