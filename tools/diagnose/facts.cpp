#include "checks.h"

#include <cstdio>

#include "common/existence.h"
#include "common/registry_text.h"
#include "common/system_error_text.h"

namespace tscdiag {
namespace {

std::string Formatted(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// "REG_SZ", "REG_DWORD", ...; "type 42" for a code without a name.
std::string RegistryTypeName(DWORD type) {
    static const char* const kNames[] = {"REG_NONE",   "REG_SZ",      "REG_EXPAND_SZ",
                                         "REG_BINARY", "REG_DWORD",   "REG_DWORD_BIG_ENDIAN",
                                         "REG_LINK",   "REG_MULTI_SZ"};
    if (type < std::size(kNames)) return kNames[type];
    return type == REG_QWORD ? "REG_QWORD" : "type " + std::to_string(type);
}

}  // namespace

Json ErrorJson(std::uint32_t code) {
    return {{"error", code}, {"errorText", SystemErrorText(code)}};
}

void AddExistence(Json& facts, const char* existsKey, const char* errorKey,
                  const std::wstring& path) {
    const tsc::Existence found = tsc::QueryExistence(path);
    facts[existsKey] = found.exists;
    if (found.error != 0) facts[errorKey] = ErrorJson(found.error);
}

std::string Quoted(const std::wstring& text) { return "\"" + WideToUtf8(text) + "\""; }

void FailQuery(Step& step, const tsc::FileSystemError& error) {
    step.Fail("the library's status query (" + error.operation + ") of " + WideToUtf8(error.path) +
              " failed: " + SystemErrorText(error.code));
}

Json TextOrNull(const std::wstring& text) {
    return text.empty() ? Json(nullptr) : Json(WideToUtf8(text));
}

std::string Hex32(std::uint32_t value) { return Formatted("0x%08X", value); }

std::string HexBytes(std::string_view bytes) {
    std::string out;
    for (char byte : bytes) {
        out += (out.empty() ? "" : " ") + Formatted("%02X", static_cast<unsigned char>(byte));
    }
    return out;
}

std::string EscapedBytes(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            out.push_back(c);
        } else {
            out += Formatted("\\x%02X", byte);
        }
    }
    return out;
}

std::string SevereClause(const std::vector<Diagnostic>& diagnostics) {
    for (auto it = diagnostics.rbegin(); it != diagnostics.rend(); ++it) {
        if ((it->level == "ERROR" || it->level == "FATAL") && it->note.empty())
            return ": \"" + it->message + "\"";
    }
    return {};
}

std::string LogErrorClause(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const std::size_t close = line.find("] ");
        const std::string message = close == std::string::npos ? line : line.substr(close + 2);
        // The self-update line is informational in the log, but the reason the start loaded no SDK.
        if (message.starts_with("[ERROR]") || message == WideToUtf8(tsc::kSelfUpdateRunningLine))
            return ": \"" + message + "\"";
    }
    return {};
}

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
