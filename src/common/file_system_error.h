// A file-system query that failed for a reason other than absence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tsc {

// The operation ("exists", "temp_directory_path"), the path it was asked for and the Win32
// code. Handed back as a value, never raised: the first exception a freshly loaded copy of the
// library raises makes the statically linked runtime set up thread-local storage that it never
// gives back, so a host that loads the library for each session would lose handles and memory
// with every refused start.
struct FileSystemError {
    std::string operation;
    std::wstring path;
    std::uint32_t code = 0;
};

// Where a query that may fail leaves its error; empty while none failed.
using FileSystemFailure = std::optional<FileSystemError>;

}  // namespace tsc
