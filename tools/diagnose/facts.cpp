#include "facts.h"

#include <cstdio>

#include "location/existence.h"
#include "location/system_error_text.h"

namespace tscdiag {
namespace {

std::string Formatted(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof(text), format, value);
    return text;
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
        if (it->level == "ERROR" || it->level == "FATAL") return ": \"" + it->message + "\"";
    }
    return {};
}

std::string LogErrorClause(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const std::size_t close = line.find("] ");
        const std::string message = close == std::string::npos ? line : line.substr(close + 2);
        if (message.rfind("[ERROR]", 0) == 0) return ": \"" + message + "\"";
    }
    return {};
}

}  // namespace tscdiag
