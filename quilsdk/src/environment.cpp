#include "environment.h"

#include <windows.h>

namespace quilsdk_standin {

std::optional<std::wstring> ReadVariable(const std::wstring& name) {
    std::wstring value(64, L'\0');
    for (;;) {
        const DWORD length =
            GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            return std::nullopt;  // missing, or set to nothing: both mean "not set" here
        }
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        // Too small: length is the size needed, terminator included. The value may still grow
        // between the two calls, hence the loop.
        value.resize(length);
    }
}

}  // namespace quilsdk_standin
