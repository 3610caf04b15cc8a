// Changes one registry key for a test and puts it back as it was at scope end: the key's
// existence, all its values and subkeys, and the existence of its parent keys.
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
    // A copy of the key is kept under HKCU\Software\dttsc-tests while the object lives.
    ScopedRegistryKey(HKEY root, std::wstring subKey) : root_(root), subKey_(std::move(subKey)) {
        existed_ = RegCopyTreeW(root_, subKey_.c_str(),
                                Open(HKEY_CURRENT_USER, backup_, true).get()) == ERROR_SUCCESS;
        // The outermost missing key on the way down (subKey itself included): setting a value
        // creates it, so it goes too.
        for (std::size_t end = subKey_.find(L'\\'); !existed_; end = subKey_.find(L'\\', end + 1)) {
            missing_ = subKey_.substr(0, end);
            if (!Open(root_, missing_, false) || end == std::wstring::npos) break;
        }
    }
    ~ScopedRegistryKey() {
        DeleteKey();
        if (existed_) {
            RegCopyTreeW(HKEY_CURRENT_USER, backup_.c_str(), Open(root_, subKey_, true).get());
        } else if (!missing_.empty()) {
            RegDeleteTreeW(root_, missing_.c_str());
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, kBackups);  // fails while other copies are kept
    }
    ScopedRegistryKey(const ScopedRegistryKey&) = delete;
    ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

    // Each creates the key when it is missing. Strings are stored with their terminator.
    void SetString(const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ) {
        SetBinary(name, TextBytes(value, (value.size() + 1) * sizeof(wchar_t)), type);
    }
    void SetDword(const std::wstring& name, std::uint32_t value) {
        RegSetKeyValueW(root_, subKey_.c_str(), name.c_str(), REG_DWORD, &value, sizeof(value));
    }
    // The bytes are stored as given: the system adds a terminator to a text value that a NUL
    // happens to follow in memory, so two bytes that are not NUL follow them here.
    void SetBinary(const std::wstring& name, const std::vector<std::uint8_t>& data,
                   DWORD type = REG_BINARY) {
        std::vector<std::uint8_t> padded(data);
        padded.insert(padded.end(), {0xFF, 0xFF});
        RegSetKeyValueW(root_, subKey_.c_str(), name.c_str(), type, padded.data(),
                        static_cast<DWORD>(data.size()));
    }
    void DeleteValue(const std::wstring& name) {
        RegDeleteKeyValueW(root_, subKey_.c_str(), name.c_str());
    }
    // Removes the key with its values (and any subkeys).
    void DeleteKey() { RegDeleteTreeW(root_, subKey_.c_str()); }

  private:
    struct Closer {
        void operator()(HKEY key) const { RegCloseKey(key); }
    };
    using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, Closer>;
    static Key Open(HKEY root, const std::wstring& subKey, bool create) {
        HKEY key = nullptr;
        if (create) {
            RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr);
        } else {
            RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, &key);
        }
        return Key(key);
    }
    static constexpr wchar_t kBackups[] = L"Software\\dttsc-tests";
    static inline int count_ = 0;

    HKEY root_;
    std::wstring subKey_;
    std::wstring backup_ = std::wstring(kBackups) + L"\\" + std::to_wstring(GetCurrentProcessId()) +
                           L"-" + std::to_wstring(count_++);
    bool existed_ = false;
    std::wstring missing_;  // the outermost key on the way down that did not exist yet
};

}  // namespace tsctest
