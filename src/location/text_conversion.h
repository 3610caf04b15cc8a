// UTF-8 <-> UTF-16 conversions. Both stop at the first NUL of their source and replace
// malformed input with U+FFFD instead of failing.
#pragma once

#include <string>

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
