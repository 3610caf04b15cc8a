#include "common/system_error_text.h"

#include <windows.h>

#include <string_view>

#include "location/text_conversion.h"
#include "common/win_handles.h"

std::string SystemErrorText(std::uint32_t code) {
    // The wide text is converted to UTF-8 so that messages stay readable on systems whose
    // language is not English; an ANSI text would be garbled inside a UTF-8 message.
    tsc::UniqueLocalMem buffer;
    const DWORD flags =
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    const DWORD length =
        FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<LPWSTR>(buffer.put()), 0, nullptr);
    if (length == 0 || !buffer) return "unknown error";
    std::wstring text(static_cast<const wchar_t*>(buffer.get()), length);
    // The NUL is part of the set on purpose, hence the explicit length.
    const std::wstring_view trailing(L" \t\r\n\0", 5);
    const size_t end = text.find_last_not_of(trailing);
    return end == std::wstring::npos ? std::string() : WideToUtf8(text.substr(0, end + 1));
}
