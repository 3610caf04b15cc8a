// The content of the installer's self-update lock file, as far as it can decide anything.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tsc {

// A process id has at most 10 decimal digits, so the first 11 bytes of the file decide whether
// its content can equal one: whatever follows cannot turn a mismatch into a match.
inline constexpr std::size_t kLockFileReadLimit = 11;

// Text-mode reading of raw bytes: CR LF becomes LF and a Ctrl-Z ends the text.
std::string TextModeContent(std::string_view raw);

// The first kLockFileReadLimit bytes of the file, read in text mode while sharing read and
// write access with others. Empty when the file cannot be opened or read (a directory, a file
// held by a writer that denies reading).
std::string ReadLockFileText(const std::wstring& path);

}  // namespace tsc
