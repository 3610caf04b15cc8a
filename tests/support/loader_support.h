// Helpers for the tests of the SDK loader: texts as the wrapper log writes them, other
// processes acting on files, and the wrapper log's part about one session attempt.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tsctest {

// UTF-8, as the wrapper log holds texts.
std::string Utf8(const std::wstring& text);

// Runs a command line in a new process without a window and waits for it; its exit code, or
// the creation error's code with the top bit set when it could not be started.
DWORD RunProcess(const std::wstring& commandLine);

// Runs a built-in command of the system's command interpreter ("copy /y a b", "del x", ...).
DWORD RunShellCommand(const std::wstring& command);

// The messages from the first one equal to `first` up to and including the first one equal
// to `last` (empty when `first` is missing; up to the end when `last` is missing).
std::vector<std::string> MessagesBetween(const std::vector<std::string>& messages,
                                         const std::string& first, const std::string& last);

}  // namespace tsctest
