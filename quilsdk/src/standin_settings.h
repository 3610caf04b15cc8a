// The fail-on-demand settings that tests give the stand-in through environment variables.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quilsdk_standin {

// The result forced on an export by QUILSDK_STANDIN_RESULT_<exportName>, or nothing when the
// variable is not set. A value that is not a signed 32-bit decimal forces kBadStandinSetting, so a
// mistyped setting shows up as a failure instead of being quietly ignored.
std::optional<std::int32_t> ForcedResult(std::string_view exportName);

// What Initialize hands out, from QUILSDK_STANDIN_SESSION_ID.
enum class SessionIdMode {
    kNormal,     // not set: a real session id
    kNull,       // "null": no text at all
    kEmpty,      // "empty": an allocated empty text
    kMalformed,  // anything else
};
SessionIdMode ReadSessionIdMode();

}  // namespace quilsdk_standin
