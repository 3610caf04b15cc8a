// Small helpers that turn platform results into report facts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report.h"

namespace tscdiag {

// {"error": code, "errorText": the system's text for it}.
void AddErrorFields(Object& facts, std::uint32_t code);

// A path or value in double quotes, as UTF-8.
std::string Quoted(const std::wstring& text);

// "0x800B0100".
std::string Hex32(std::uint32_t value);

// "01 00 00 00".
std::string HexBytes(const std::vector<std::uint8_t>& bytes);

// Bytes of unknown content shown safely: printable ASCII as is, a backslash as \\, every other
// byte as \xHH (so "42" followed by CR LF shows as 42\x0D\x0A).
std::string EscapedBytes(std::string_view bytes);

}  // namespace tscdiag
