#include "dtpal/dtpal.h"

namespace Tesmora::Corvane::PAL {

wchar_t FileSystem::path_separator() { return L'\\'; }

}  // namespace Tesmora::Corvane::PAL
