#include "support/scoped_environment.h"

#include <windows.h>

#include <utility>

namespace tsctest {

std::optional<std::wstring> GetEnv(const std::wstring& name) {
    SetLastError(ERROR_SUCCESS);
    const DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (needed == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::wstring();
    }
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), needed);
    value.resize(length);
    return value;
}

void SetEnv(const std::wstring& name, const std::optional<std::wstring>& value) {
    SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::wstring name,
                                                     std::optional<std::wstring> value)
    : name_(std::move(name)), saved_(GetEnv(name_)) {
    SetEnv(name_, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() { SetEnv(name_, saved_); }

}  // namespace tsctest
