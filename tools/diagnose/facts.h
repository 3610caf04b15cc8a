// Small helpers that turn platform results, registry values and the library's answers into
// report facts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "location/text_conversion.h"
#include "location/win_handles.h"
#include "report.h"

namespace tscdiag {

// {"error": code, "errorText": the system's text for it}.
Json ErrorJson(std::uint32_t code);

// `existsKey`: whether something exists at the path; `errorKey`, only when the status query
// failed for another reason than absence: that error.
void AddExistence(Json& facts, const char* existsKey, const char* errorKey,
                  const std::wstring& path);

// A path or value in double quotes, as UTF-8.
std::string Quoted(const std::wstring& text);
// UTF-8; null for an empty text.
Json TextOrNull(const std::wstring& text);

// "0x800B0100".
std::string Hex32(std::uint32_t value);
// "01 00 00 00".
std::string HexBytes(std::string_view bytes);
// Bytes of unknown content shown safely: printable ASCII as is, a backslash as \\, every other
// byte as \xHH (so "42" followed by CR LF shows as 42\x0D\x0A).
std::string EscapedBytes(std::string_view bytes);

// ": "<the last ERROR or FATAL message>"", or nothing when the library emitted none.
std::string SevereClause(const std::vector<Diagnostic>& diagnostics);
// ": "<the first [ERROR] line>"" of wrapper log lines, without its time stamp, or nothing.
std::string LogErrorClause(const std::vector<std::string>& lines);

// Registry keys and values read as they are stored (type, size, bytes).
struct OpenedKey {
    tsc::UniqueRegKey key;
    DWORD error = 0;  // 0 when opened
};

OpenedKey OpenMachineKey(const std::wstring& path, REGSAM access);

// "key" (HKLM\ and the path) and "keyOpened", with the error when it cannot be opened to read.
OpenedKey AddKeyFacts(Json& facts, const std::wstring& path);

struct RawValue {
    bool present = false;
    DWORD error = 0;  // a failure other than "not there"
    DWORD type = REG_NONE;
    std::string data;
};

RawValue ReadRawValue(HKEY key, const wchar_t* name);

// The data as UTF-16 text up to its first NUL (tsc::RegistryText).
std::wstring ValueText(const RawValue& value);

// present, type, typeCode, size and, when present, the text or (withText false) the bytes in hex.
Json DescribeValue(const RawValue& value, bool withText);

}  // namespace tscdiag
