#include "entry/start_conditions.h"

#include "entry/session_names.h"
#include "common/environment_variable.h"

namespace tsc {

bool PathNamesSharedComponents(const std::wstring& path) {
    return path.find(kSharedComponentsMarker) != std::wstring::npos;
}

bool IsInitializeBypassed() { return ReadEnvironmentVariable(kBypassVariable).has_value(); }

}  // namespace tsc
