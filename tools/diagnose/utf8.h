// Checking UTF-8 byte sequences, for output that must stay valid whatever a file or value held.
#pragma once

#include <cstddef>
#include <string_view>

namespace tscdiag {

// The length of the well-formed UTF-8 sequence that starts at text[at], or 0 when the bytes
// there do not form one (overlong forms, surrogates and values above U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

}  // namespace tscdiag
