// The one full path a file-system path names, resolved the way every later step would resolve
// it, so that all of them reach the same file.
#pragma once

#include <optional>
#include <string>

namespace tsc {

// A path that starts at a drive's root ("C:\", "C:/") or with two separators (a network or
// device path) is returned as it is. Any other path (relative, drive-relative such as "C:x",
// or rooted on the current drive such as "\x") is made full against the current folder; nothing
// when that fails.
std::optional<std::wstring> FullPath(const std::wstring& path);

}  // namespace tsc
