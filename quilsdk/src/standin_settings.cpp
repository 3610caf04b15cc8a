#include "standin_settings.h"

#include "environment.h"
#include "quilsdk/standin.h"

#include <limits>
#include <string>

namespace quilsdk_standin {
namespace {

// Accepts an optional sign followed by 1 to 10 decimal digits that fit in 32 bits.
std::optional<std::int32_t> ParseSignedDecimal(const std::wstring& text) {
    const bool hasSign = !text.empty() && (text[0] == L'-' || text[0] == L'+');
    const bool negative = hasSign && text[0] == L'-';
    std::size_t position = hasSign ? 1 : 0;
    const std::size_t digits = text.size() - position;
    if (digits == 0 || digits > 10) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    for (; position < text.size(); ++position) {
        if (text[position] < L'0' || text[position] > L'9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (text[position] - L'0');
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<std::int32_t> ForcedResult(std::string_view exportName) {
    // Export names are plain ASCII, so widening them byte by byte is exact.
    const std::wstring name =
        std::wstring(kResultVariablePrefix) + std::wstring(exportName.begin(), exportName.end());
    const std::optional<std::wstring> value = ReadVariable(name);
    if (!value) {
        return std::nullopt;
    }
    const std::optional<std::int32_t> forced = ParseSignedDecimal(*value);
    return forced ? *forced : kBadStandinSetting;
}

SessionIdMode ReadSessionIdMode() {
    const std::optional<std::wstring> value = ReadVariable(kSessionIdVariable);
    if (!value) {
        return SessionIdMode::kNormal;
    }
    if (*value == L"null") {
        return SessionIdMode::kNull;
    }
    if (*value == L"empty") {
        return SessionIdMode::kEmpty;
    }
    return SessionIdMode::kMalformed;
}

}  // namespace quilsdk_standin
