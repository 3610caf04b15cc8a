// Standard output for UTF-8 text: a console gets the characters themselves, a pipe or a file
// gets the UTF-8 bytes, so that paths in any language come out intact either way.
#pragma once

#include <string_view>

namespace tscdiag {

void WriteOut(std::string_view utf8);
void WriteError(std::string_view utf8);

}  // namespace tscdiag
