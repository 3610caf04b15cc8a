#include "registry_value.h"

#include "facts.h"

namespace tscdiag {

OpenedKey OpenMachineKey(const std::wstring& path, REGSAM access) {
    OpenedKey opened;
    opened.error = static_cast<DWORD>(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, opened.key.put()));
    return opened;
}

RawValue ReadRawValue(HKEY key, const wchar_t* name) {
    RawValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
    // The value may grow between the size query and the read: ask again until it fits.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        value.data.resize(size);
        status = RegQueryValueExW(key, name, nullptr, &value.type,
                                  value.data.empty() ? nullptr : value.data.data(), &size);
        if (status == ERROR_SUCCESS) {
            value.data.resize(size);
            value.present = true;
            return value;
        }
    }
    value.data.clear();
    if (status != ERROR_FILE_NOT_FOUND) value.error = static_cast<DWORD>(status);
    return value;
}

std::wstring DataAsText(const std::vector<std::uint8_t>& data) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    return text.substr(0, text.find(L'\0'));
}

std::string RegistryTypeName(DWORD type) {
    switch (type) {
        case REG_NONE:
            return "REG_NONE";
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_DWORD_BIG_ENDIAN:
            return "REG_DWORD_BIG_ENDIAN";
        case REG_LINK:
            return "REG_LINK";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_QWORD:
            return "REG_QWORD";
        default:
            return "type " + std::to_string(type);
    }
}

Object DescribeValue(const RawValue& value, bool withText) {
    Object facts{{"present", "Present", value.present}};
    if (!value.present) {
        if (value.error != 0) AddErrorFields(facts, value.error);
        return facts;
    }
    facts.push_back({"type", "Type", RegistryTypeName(value.type)});
    facts.push_back({"typeCode", "Type code", value.type});
    facts.push_back({"size", "Size in bytes", value.data.size()});
    if (withText) facts.push_back({"text", "Text", DataAsText(value.data)});
    return facts;
}

}  // namespace tscdiag
