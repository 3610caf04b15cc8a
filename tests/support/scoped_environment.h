// Sets or removes one process environment variable and puts the old state back at scope end.
#pragma once

#include <optional>
#include <string>

namespace tsctest {

std::optional<std::wstring> GetEnv(const std::wstring& name);
void SetEnv(const std::wstring& name, const std::optional<std::wstring>& value);

class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::wstring name, std::optional<std::wstring> value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> saved_;
};

}  // namespace tsctest
