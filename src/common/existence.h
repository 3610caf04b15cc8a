// Whether something (a file, a folder, anything) exists at a path, following links.
#pragma once

#include <cstdint>
#include <string>

#include "common/file_system_error.h"

namespace tsc {

struct Existence {
    bool exists;
    // 0 when the answer is certain; otherwise the Win32 code of a query that failed for a reason
    // other than absence (access denied, a bad network path type, ...), and `exists` is false.
    std::uint32_t error;
};

// Codes 2, 3, 53 and 123 (file, path, network path not found; invalid name) mean absence.
Existence QueryExistence(const std::wstring& path);

// As QueryExistence, but a failure other than absence answers false and is described in
// `failure` as the operation "exists".
bool ExistsOrFails(const std::wstring& path, FileSystemFailure& failure);

}  // namespace tsc
