// Changes one registry key for a test and puts it back as it was at scope end: the key's
// existence, all its values, and the existence of its parent keys.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tsctest {

struct RegistryValue {
    std::wstring name;
    DWORD type;
    std::vector<std::uint8_t> data;
};

class ScopedRegistryKey {
  public:
    ScopedRegistryKey(HKEY root, std::wstring subKey);
    ~ScopedRegistryKey();
    ScopedRegistryKey(const ScopedRegistryKey&) = delete;
    ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

    // Each creates the key when it is missing. Strings are stored with their terminator.
    void SetString(const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ);
    void SetDword(const std::wstring& name, std::uint32_t value);
    void SetBinary(const std::wstring& name, const std::vector<std::uint8_t>& data,
                   DWORD type = REG_BINARY);
    void DeleteValue(const std::wstring& name);
    // Removes the key with its values (and any subkeys).
    void DeleteKey();

  private:
    HKEY root_;
    std::wstring subKey_;
    bool existed_ = false;
    std::vector<RegistryValue> saved_;
    // The outermost ancestor that did not exist yet: setting a value creates it, so it goes too.
    std::wstring missingAncestor_;
};

// The bytes of a value: the text's UTF-16 units, then zeros or cut, to byteCount bytes.
std::vector<std::uint8_t> TextBytes(const std::wstring& text, std::size_t byteCount);

}  // namespace tsctest
