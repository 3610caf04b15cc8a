// What in a process's environment stops a session start before anything else is asked.
#pragma once

#include <string>

namespace tsc {

// A process whose PATH already names the shared components must not initialize again.
bool PathNamesSharedComponents(const std::wstring& path);

// Set to any value, even "0" or an empty one, the bypass variable switches the whole start off.
bool IsInitializeBypassed();

}  // namespace tsc
