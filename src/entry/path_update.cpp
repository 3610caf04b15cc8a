#include "entry/path_update.h"

namespace tsc {

// Placeholder until the PATH update lands.
bool UpdatePathForTsc(std::wstring folder) { return !folder.empty() && false; }

}  // namespace tsc
