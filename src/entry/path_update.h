// Puts the shared-components folder at the head of the process's PATH, once.
#pragma once

#include <string>

namespace tsc {

bool UpdatePathForTsc(std::wstring folder);

}  // namespace tsc
