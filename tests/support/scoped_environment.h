// Sets or removes one process environment variable and puts the old state back at scope end.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

namespace tsctest {

inline std::optional<std::wstring> GetEnv(const std::wstring& name) {
    SetLastError(ERROR_SUCCESS);
    const DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (needed == 0)
        return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt
                                                        : std::make_optional<std::wstring>();
    std::wstring value(needed, L'\0');
    value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), needed));
    return value;
}

inline void SetEnv(const std::wstring& name, const std::optional<std::wstring>& value) {
    SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
}

class ScopedEnvironmentVariable {
  public:
    ScopedEnvironmentVariable(std::wstring name, const std::optional<std::wstring>& value)
        : name_(std::move(name)), saved_(GetEnv(name_)) {
        SetEnv(name_, value);
    }
    ~ScopedEnvironmentVariable() { SetEnv(name_, saved_); }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

  private:
    std::wstring name_;
    std::optional<std::wstring> saved_;
};

}  // namespace tsctest
