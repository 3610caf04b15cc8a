#include "support/scoped_registry.h"

#include <utility>

namespace tsctest {
namespace {

class Key {
  public:
    Key(HKEY root, const std::wstring& subKey, bool create) {
        if (create) {
            RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                            nullptr);
        } else {
            RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, &key_);
        }
    }
    ~Key() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

std::vector<RegistryValue> ReadAllValues(HKEY key) {
    std::vector<RegistryValue> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        RegistryValue value{std::wstring(name, nameLength), type, std::vector<std::uint8_t>(size)};
        RegQueryValueExW(key, value.name.c_str(), nullptr, nullptr, value.data.data(), &size);
        value.data.resize(size);
        values.push_back(std::move(value));
    }
    return values;
}

std::vector<std::uint8_t> StringBytes(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return std::vector<std::uint8_t>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

bool KeyExists(HKEY root, const std::wstring& subKey) {
    return Key(root, subKey, false).get() != nullptr;
}

// The outermost missing key on the way down to subKey (subKey itself included), or empty.
std::wstring OutermostMissingKey(HKEY root, const std::wstring& subKey) {
    for (size_t end = subKey.find(L'\\');; end = subKey.find(L'\\', end + 1)) {
        const std::wstring prefix = subKey.substr(0, end);
        if (!prefix.empty() && !KeyExists(root, prefix)) return prefix;
        if (end == std::wstring::npos) return {};
    }
}

}  // namespace

ScopedRegistryKey::ScopedRegistryKey(HKEY root, std::wstring subKey)
    : root_(root), subKey_(std::move(subKey)) {
    Key key(root_, subKey_, false);
    existed_ = key.get() != nullptr;
    if (existed_) saved_ = ReadAllValues(key.get());
    missingAncestor_ = OutermostMissingKey(root_, subKey_);
}

ScopedRegistryKey::~ScopedRegistryKey() {
    RegDeleteTreeW(root_, subKey_.c_str());
    if (!existed_) {
        if (!missingAncestor_.empty()) RegDeleteTreeW(root_, missingAncestor_.c_str());
        return;
    }
    Key key(root_, subKey_, true);
    for (const RegistryValue& value : saved_) {
        RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    }
}

void ScopedRegistryKey::SetString(const std::wstring& name, const std::wstring& value) {
    SetBinary(name, StringBytes(value), REG_SZ);
}

void ScopedRegistryKey::SetExpandString(const std::wstring& name, const std::wstring& value) {
    SetBinary(name, StringBytes(value), REG_EXPAND_SZ);
}

void ScopedRegistryKey::SetDword(const std::wstring& name, std::uint32_t value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    SetBinary(name, std::vector<std::uint8_t>(bytes, bytes + sizeof(value)), REG_DWORD);
}

void ScopedRegistryKey::SetQword(const std::wstring& name, std::uint64_t value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    SetBinary(name, std::vector<std::uint8_t>(bytes, bytes + sizeof(value)), REG_QWORD);
}

void ScopedRegistryKey::SetBinary(const std::wstring& name, const std::vector<std::uint8_t>& data,
                                  DWORD type) {
    Key key(root_, subKey_, true);
    RegSetValueExW(key.get(), name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                   static_cast<DWORD>(data.size()));
}

void ScopedRegistryKey::DeleteValue(const std::wstring& name) {
    Key key(root_, subKey_, false);
    if (key.get() != nullptr) RegDeleteValueW(key.get(), name.c_str());
}

void ScopedRegistryKey::DeleteKey() { RegDeleteTreeW(root_, subKey_.c_str()); }

}  // namespace tsctest
