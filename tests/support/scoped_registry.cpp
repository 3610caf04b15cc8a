#include "support/scoped_registry.h"

#include <algorithm>
#include <memory>
#include <type_traits>
#include <utility>

namespace tsctest {
namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

Key OpenKey(HKEY root, const std::wstring& subKey, bool create) {
    HKEY key = nullptr;
    if (create) {
        RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
    } else {
        RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, &key);
    }
    return Key(key);
}

std::vector<RegistryValue> ReadAllValues(HKEY key) {
    std::vector<RegistryValue> values;
    wchar_t name[16384];
    for (DWORD index = 0, length = 16384, type = 0, size = 0;
         RegEnumValueW(key, index, name, &length, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
         ++index, length = 16384) {
        RegistryValue value{std::wstring(name, length), type, std::vector<std::uint8_t>(size)};
        RegQueryValueExW(key, value.name.c_str(), nullptr, nullptr, value.data.data(), &size);
        value.data.resize(size);
        values.push_back(std::move(value));
    }
    return values;
}

}  // namespace

std::vector<std::uint8_t> TextBytes(const std::wstring& text, std::size_t byteCount) {
    std::vector<std::uint8_t> bytes(byteCount, 0);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(text.data());
    std::copy(raw, raw + std::min(byteCount, text.size() * sizeof(wchar_t)), bytes.begin());
    return bytes;
}

ScopedRegistryKey::ScopedRegistryKey(HKEY root, std::wstring subKey)
    : root_(root), subKey_(std::move(subKey)) {
    if (const Key key = OpenKey(root_, subKey_, false)) {
        existed_ = true;
        saved_ = ReadAllValues(key.get());
    }
    // The outermost missing key on the way down to subKey (subKey itself included).
    for (size_t end = subKey_.find(L'\\');; end = subKey_.find(L'\\', end + 1)) {
        const std::wstring prefix = subKey_.substr(0, end);
        if (!prefix.empty() && !OpenKey(root_, prefix, false)) {
            missingAncestor_ = prefix;
            break;
        }
        if (end == std::wstring::npos) break;
    }
}

ScopedRegistryKey::~ScopedRegistryKey() {
    RegDeleteTreeW(root_, subKey_.c_str());
    if (!existed_) {
        if (!missingAncestor_.empty()) RegDeleteTreeW(root_, missingAncestor_.c_str());
        return;
    }
    const Key key = OpenKey(root_, subKey_, true);
    for (const RegistryValue& value : saved_) {
        RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    }
}

void ScopedRegistryKey::SetString(const std::wstring& name, const std::wstring& value, DWORD type) {
    SetBinary(name, TextBytes(value, (value.size() + 1) * sizeof(wchar_t)), type);
}

void ScopedRegistryKey::SetDword(const std::wstring& name, std::uint32_t value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    SetBinary(name, std::vector<std::uint8_t>(bytes, bytes + sizeof(value)), REG_DWORD);
}

void ScopedRegistryKey::SetBinary(const std::wstring& name, const std::vector<std::uint8_t>& data,
                                  DWORD type) {
    RegSetValueExW(OpenKey(root_, subKey_, true).get(), name.c_str(), 0, type,
                   data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size()));
}

void ScopedRegistryKey::DeleteValue(const std::wstring& name) {
    if (const Key key = OpenKey(root_, subKey_, false)) RegDeleteValueW(key.get(), name.c_str());
}

void ScopedRegistryKey::DeleteKey() { RegDeleteTreeW(root_, subKey_.c_str()); }

}  // namespace tsctest
