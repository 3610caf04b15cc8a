// Conversion of the UTF-8 texts callers pass into the UTF-16 the Win32 API takes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quilsdk_standin {

// The UTF-16 form of utf8, or nothing when utf8 is not valid UTF-8.
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);

}  // namespace quilsdk_standin
