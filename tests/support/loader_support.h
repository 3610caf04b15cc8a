// Helpers for the tests of the SDK loader: texts as the wrapper log writes them, other
// processes acting on files, and the wrapper log's part about one session attempt.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tsctest {

// UTF-8, as the wrapper log holds texts.
std::string Utf8(const std::wstring& text);

// Runs a built-in command of the system's command interpreter ("copy /y a b", "del x", ...) in
// another process; its exit code, or 0xFFFFFFFF when the interpreter could not be started.
DWORD RunShellCommand(const std::wstring& command);

// The messages from the first one equal to `first` up to and including the first one equal
// to `last` (empty when `first` is missing; up to the end when `last` is missing).
std::vector<std::string> MessagesBetween(const std::vector<std::string>& messages,
                                         const std::string& first, const std::string& last);

}  // namespace tsctest
