// Result codes and settings of the stand-in installer-service SDK (quilsdk.dll).
//
// The stand-in answers 0 for success. Its own failures use the codes below, chosen from 20 up so
// that they never collide with the small codes (1..9) a caller may give a meaning of its own.
#pragma once

#include <cstdint>

namespace quilsdk_standin {

// The session id is empty, null or was never handed out (or was already ended) in this process.
inline constexpr std::int32_t kUnknownSession = 20;
// The folder does not exist, is not a folder, or its name cannot name a folder.
inline constexpr std::int32_t kMissingFolder = 21;
// A required argument is null or empty, or the folder text is not valid UTF-8.
inline constexpr std::int32_t kBadArgument = 22;
// A QUILSDK_STANDIN_* variable holds a value the stand-in does not understand.
inline constexpr std::int32_t kBadStandinSetting = 23;
// The folder exists but could not be opened for locking (for example a sharing conflict).
inline constexpr std::int32_t kFolderNotLockable = 24;
// The session id text could not be allocated.
inline constexpr std::int32_t kOutOfMemory = 25;

// When set to a file path, every call appends one line describing itself to that file.
inline constexpr wchar_t kJournalVariable[] = L"QUILSDK_STANDIN_JOURNAL";
// Followed by an export's name: that export returns the variable's signed decimal value instead of
// doing its work.
inline constexpr wchar_t kResultVariablePrefix[] = L"QUILSDK_STANDIN_RESULT_";
// "null": Initialize answers 0 but hands out no session id; "empty": it hands out "".
inline constexpr wchar_t kSessionIdVariable[] = L"QUILSDK_STANDIN_SESSION_ID";
// When set, Initialize first journals the calling thread's error mode as it was when the DLL
// was loaded and as it is now: "ThreadErrorMode\t<at load>\t<at Initialize>\t=> 0".
inline constexpr wchar_t kErrorModeVariable[] = L"QUILSDK_STANDIN_RECORD_ERROR_MODE";

}  // namespace quilsdk_standin
