// Changes one registry key for a test and puts it back as it was at scope end: the key's
// existence, all its values, and the existence of its parent keys.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tsctest {

// The bytes of a value: the text's UTF-16 units, then zeros or cut, to byteCount bytes.
inline std::vector<std::uint8_t> TextBytes(const std::wstring& text, std::size_t byteCount) {
    std::vector<std::uint8_t> bytes(byteCount, 0);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(text.data());
    std::copy(raw, raw + std::min(byteCount, text.size() * sizeof(wchar_t)), bytes.begin());
    return bytes;
}

class ScopedRegistryKey {
  public:
    ScopedRegistryKey(HKEY root, std::wstring subKey) : root_(root), subKey_(std::move(subKey)) {
        if (const Key key = Open(subKey_, false)) {
            existed_ = true;
            wchar_t name[16384];
            for (DWORD index = 0, length = 16384, type = 0, size = 0;
                 RegEnumValueW(key.get(), index, name, &length, nullptr, &type, nullptr, &size) ==
                 ERROR_SUCCESS;
                 ++index, length = 16384) {
                Value value{std::wstring(name, length), type, std::vector<std::uint8_t>(size)};
                RegQueryValueExW(key.get(), value.name.c_str(), nullptr, nullptr, value.data.data(),
                                 &size);
                value.data.resize(size);
                saved_.push_back(std::move(value));
            }
        }
        // The outermost missing key on the way down to subKey (subKey itself included).
        for (size_t end = subKey_.find(L'\\');; end = subKey_.find(L'\\', end + 1)) {
            const std::wstring prefix = subKey_.substr(0, end);
            if (!prefix.empty() && !Open(prefix, false)) {
                missingAncestor_ = prefix;
                break;
            }
            if (end == std::wstring::npos) break;
        }
    }
    ~ScopedRegistryKey() {
        RegDeleteTreeW(root_, subKey_.c_str());
        if (!existed_) {
            if (!missingAncestor_.empty()) RegDeleteTreeW(root_, missingAncestor_.c_str());
            return;
        }
        const Key key = Open(subKey_, true);
        for (const Value& value : saved_) {
            RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        }
    }
    ScopedRegistryKey(const ScopedRegistryKey&) = delete;
    ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

    // Each creates the key when it is missing. Strings are stored with their terminator.
    void SetString(const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ) {
        SetBinary(name, TextBytes(value, (value.size() + 1) * sizeof(wchar_t)), type);
    }
    void SetDword(const std::wstring& name, std::uint32_t value) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
        SetBinary(name, std::vector<std::uint8_t>(bytes, bytes + sizeof(value)), REG_DWORD);
    }
    void SetBinary(const std::wstring& name, const std::vector<std::uint8_t>& data,
                   DWORD type = REG_BINARY) {
        RegSetValueExW(Open(subKey_, true).get(), name.c_str(), 0, type,
                       data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size()));
    }
    void DeleteValue(const std::wstring& name) {
        if (const Key key = Open(subKey_, false)) RegDeleteValueW(key.get(), name.c_str());
    }
    // Removes the key with its values (and any subkeys).
    void DeleteKey() { RegDeleteTreeW(root_, subKey_.c_str()); }

  private:
    struct Closer {
        void operator()(HKEY key) const { RegCloseKey(key); }
    };
    using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, Closer>;
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<std::uint8_t> data;
    };

    Key Open(const std::wstring& subKey, bool create) const {
        HKEY key = nullptr;
        if (create) {
            RegCreateKeyExW(root_, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr);
        } else {
            RegOpenKeyExW(root_, subKey.c_str(), 0, KEY_ALL_ACCESS, &key);
        }
        return Key(key);
    }

    HKEY root_;
    std::wstring subKey_;
    bool existed_ = false;
    std::vector<Value> saved_;
    // The outermost ancestor that did not exist yet: setting a value creates it, so it goes too.
    std::wstring missingAncestor_;
};

}  // namespace tsctest
