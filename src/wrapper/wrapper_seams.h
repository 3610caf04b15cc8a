// Test seams of the wrapper and its log (see common/seam.h): faults that cannot be produced for
// real under Wine.
#pragma once

#include <windows.h>

#include <ctime>

#include "common/seam.h"

namespace tsc::seams {

// The expansion of the log folder, the local time of a log line, the unload of the SDK and the
// log file's lock.
TSC_SEAM(expandLogFolder, ExpandEnvironmentStringsW);
TSC_SEAM(localTime, _localtime64_s);
TSC_SEAM(freeLibrary, FreeLibrary);
TSC_SEAM(lockFile, LockFileEx);

}  // namespace tsc::seams
