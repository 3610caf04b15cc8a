// Appends text to a file that several processes share, one whole line at a time.
#pragma once

#include <string>
#include <string_view>

namespace tsc {

// Opens the file (creating it when its folder exists), writes the text at its end with every
// LF written as CR LF, and closes it again. Silent on every failure.
void AppendToLogFile(const std::wstring& path, std::string_view text);

}  // namespace tsc
