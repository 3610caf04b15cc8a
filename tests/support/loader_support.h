// Helpers for the tests of the SDK loader: texts as the wrapper log writes them, and other
// processes acting on files.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tsctest {

// UTF-8, as the wrapper log holds texts.
std::string Utf8(const std::wstring& text);

// The text with every "{key}" of the list replaced by its value.
std::string Filled(std::string text,
                   const std::vector<std::pair<std::string, std::string>>& values);

// The wrapper log's lines about a session start's SDK load, without their time stamps.
extern const char kSessionLine[];     // the start's first line after the separator
extern const char kLoadedLine[];      // the load's outcome: success ...
extern const char kLoadFailedLine[];  // ... or failure
extern const char kPathEmptyLine[];
extern const char kReadFailedLine[];
std::string SdkPathLine(const std::wstring& path);
std::string SignatureInvalidLine(const std::wstring& path);

// The messages from the first session line up to and including the first load outcome after
// it (empty without a session line; up to the end without an outcome).
std::vector<std::string> LoadLines(const std::vector<std::string>& messages);

// A kernel handle closed at scope end.
struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Opens an existing file for writing, sharing everything, as another program might hold it.
UniqueHandle OpenForWriting(const std::wstring& path);

// Runs a built-in command of the system's command interpreter ("copy /y a b", "del x", ...) in
// another process; its exit code, or 0xFFFFFFFF when the interpreter could not be started.
DWORD RunShellCommand(const std::wstring& command);

// Whether another process can rename the folder right now; a renamed folder is put back.
bool RenamableByAnotherProcess(const std::wstring& folder);

}  // namespace tsctest
