// Text conversions of the bench programs.
#pragma once

#include <string>

namespace bench {

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

}  // namespace bench
