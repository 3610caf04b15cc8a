#include "registry_value.h"

#include "facts.h"
#include "location/registry_text.h"

namespace tscdiag {
namespace {

// "REG_SZ", "REG_DWORD", ...; "type 42" for a code without a name.
std::string RegistryTypeName(DWORD type) {
    static const char* const kNames[] = {"REG_NONE",   "REG_SZ",      "REG_EXPAND_SZ",
                                         "REG_BINARY", "REG_DWORD",   "REG_DWORD_BIG_ENDIAN",
                                         "REG_LINK",   "REG_MULTI_SZ"};
    if (type < std::size(kNames)) return kNames[type];
    return type == REG_QWORD ? "REG_QWORD" : "type " + std::to_string(type);
}

}  // namespace

OpenedKey OpenMachineKey(const std::wstring& path, REGSAM access) {
    OpenedKey opened;
    opened.error = static_cast<DWORD>(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, opened.key.put()));
    return opened;
}

OpenedKey AddKeyFacts(Json& facts, const std::wstring& path) {
    OpenedKey opened = OpenMachineKey(path, KEY_READ);
    facts["key"] = WideToUtf8(L"HKLM\\" + path);
    facts["keyOpened"] = opened.error == 0;
    if (opened.error != 0) facts.update(ErrorJson(opened.error));
    return opened;
}

RawValue ReadRawValue(HKEY key, const wchar_t* name) {
    RawValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        status = RegQueryValueExW(key, name, nullptr, &value.type,
                                  reinterpret_cast<BYTE*>(value.data.data()), &size);
        value.data.resize(size);
    }
    value.present = status == ERROR_SUCCESS;
    if (!value.present && status != ERROR_FILE_NOT_FOUND) value.error = static_cast<DWORD>(status);
    return value;
}

std::wstring ValueText(const RawValue& value) {
    return tsc::RegistryText(value.data.data(), value.data.size());
}

Json DescribeValue(const RawValue& value, bool withText) {
    Json facts = {{"present", value.present}};
    if (!value.present) {
        if (value.error != 0) facts.update(ErrorJson(value.error));
        return facts;
    }
    facts["type"] = RegistryTypeName(value.type);
    facts["typeCode"] = value.type;
    facts["size"] = value.data.size();
    if (withText) {
        facts["text"] = WideToUtf8(ValueText(value));
    } else {
        facts["data"] = HexBytes(value.data);
    }
    return facts;
}

}  // namespace tscdiag
