// The demo's output: UTF-8 lines on standard output, whether that is a console or a pipe.
#pragma once

#include <string>

namespace demo {

std::string ToUtf8(const std::wstring& text);

void PrintLine(const std::string& utf8);
void PrintLine(const std::wstring& text);

}  // namespace demo
