// The text of a registry value as read into a byte block.
#pragma once

#include <cstddef>
#include <string>

namespace tsc {

// UTF-16 text of `byteCount` bytes of value data, ending at the first NUL or at the end of the
// data, whichever comes first. A value stored without its terminating NUL and an odd trailing
// byte are handled without reading past the data.
std::wstring RegistryText(const void* data, std::size_t byteCount);

}  // namespace tsc
