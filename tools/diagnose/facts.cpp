#include "facts.h"

#include <cstdio>

#include "location/system_error_text.h"
#include "location/text_conversion.h"

namespace tscdiag {

void AddErrorFields(Object& facts, std::uint32_t code) {
    facts.push_back({"error", "Error code", code});
    facts.push_back({"errorText", "Error text", SystemErrorText(code)});
}

std::string Quoted(const std::wstring& text) { return "\"" + WideToUtf8(text) + "\""; }

std::string Hex32(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::uint8_t byte : bytes) {
        char text[4];
        std::snprintf(text, sizeof(text), "%02X", static_cast<unsigned>(byte));
        if (!out.empty()) out.push_back(' ');
        out += text;
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
            char text[8];
            std::snprintf(text, sizeof(text), "\\x%02X", static_cast<unsigned>(byte));
            out += text;
        }
    }
    return out;
}

}  // namespace tscdiag
