// The user's temporary-files folder.
#pragma once

#include <string>

#include "common/file_system_error.h"

namespace tsc {

// The folder the platform reports (GetTempPath2W where kernel32 offers it, else GetTempPathW),
// unchanged. Empty, with `failure` as the operation "temp_directory_path", when it cannot be
// determined or is not an existing directory.
std::wstring TempDirectoryPath(FileSystemFailure& failure);

}  // namespace tsc
