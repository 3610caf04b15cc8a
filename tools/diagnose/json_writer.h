// Writes report values as JSON text (RFC 8259), for scripts that read the report.
#pragma once

#include <string>
#include <string_view>

#include "report.h"

namespace tscdiag {

// A JSON string literal, quotes included. Quotes, backslashes and control characters are
// escaped; a byte sequence that is not valid UTF-8 becomes U+FFFD, so the output is always
// valid UTF-8 whatever the input held.
std::string JsonString(std::string_view text);

// Objects by their fields' keys, in order; labels are not part of the JSON form.
std::string JsonText(const Value& value, int indent = 0);

}  // namespace tscdiag
