#include "console_output.h"

#include <windows.h>

#include <string>

#include "location/text_conversion.h"

namespace tscdiag {
namespace {

void Write(DWORD which, std::string_view utf8) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || utf8.empty()) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Utf8ToWide(std::string(utf8));
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    // Files and pipes get Windows line ends, as a console program's text-mode output has.
    std::string bytes;
    for (char c : utf8) bytes.append(c == '\n' ? "\r\n" : std::string(1, c));
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void WriteOut(std::string_view utf8) { Write(STD_OUTPUT_HANDLE, utf8); }

void WriteError(std::string_view utf8) { Write(STD_ERROR_HANDLE, utf8); }

}  // namespace tscdiag
