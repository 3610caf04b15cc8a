// The operating system's own text for a Win32 error code, as UTF-8.
#pragma once

#include <cstdint>
#include <string>

// Trailing blanks, tabs, line ends and NULs are removed; "unknown error" when the system has no
// text for the code. Code 0 gives the text for successful completion.
std::string SystemErrorText(std::uint32_t code);
