#include "console.h"

#include <windows.h>

namespace demo {

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

// Written straight to the handle: the C runtime's text mode would turn "\n" into CR LF on a pipe.
void PrintLine(const std::string& utf8) {
    static const bool utf8Console = SetConsoleOutputCP(CP_UTF8) != FALSE;
    (void)utf8Console;
    const std::string line = utf8 + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
}

void PrintLine(const std::wstring& text) { PrintLine(ToUtf8(text)); }

}  // namespace demo
