#include "utf8.h"

#include <windows.h>

namespace quilsdk_standin {

std::optional<std::wstring> Utf8ToWide(std::string_view utf8) {
    if (utf8.empty()) {
        return std::wstring();
    }
    const int inputLength = static_cast<int>(utf8.size());
    // MB_ERR_INVALID_CHARS rejects malformed input instead of replacing it with U+FFFD, which
    // would make a different folder name out of it.
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inputLength, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inputLength, wide.data(),
                            length) != length) {
        return std::nullopt;
    }
    return wide;
}

}  // namespace quilsdk_standin
