// The user's temporary-files folder.
#pragma once

#include <string>

namespace tsc {

// The folder the platform reports (GetTempPath2W where kernel32 offers it, else GetTempPathW),
// unchanged. Raises FileSystemError "temp_directory_path" when it cannot be determined or is
// not an existing directory.
std::wstring TempDirectoryPath();

}  // namespace tsc
