// Joining two parts of a file-system path.
#pragma once

#include <string>

namespace tsc {

// A backslash goes between the parts unless the left part is empty, already ends with a
// backslash or a slash, or is a bare drive designator such as "C:" (which names the drive's
// current folder, not its root).
std::wstring JoinPath(const std::wstring& left, const std::wstring& right);

}  // namespace tsc
