// Where the wrapper log lies.
#pragma once

#include <string>

namespace tsc {

// The expansion of "%LOCALAPPDATA%" followed by "\Tesmora\QUIL\QUIL_APIWrapper.log"; empty when
// the expansion fails or does not fit a path.
std::wstring WrapperLogPath();

}  // namespace tsc
