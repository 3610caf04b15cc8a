// Signatures of the installer-service SDK's exports. Texts are NUL-terminated narrow strings.
#pragma once

#include <cstdint>

extern "C" {
using InitializeFunc = std::int32_t (*)(const char* plc, const char* release, const char* language,
                                        char** sessionId);
using UninitializeFunc = std::int32_t (*)(const char* sessionId);
using LockDirectoryFunc = std::int32_t (*)(const char* sessionId, const char* directoryToLock);
using UnLockDirectoryFunc = std::int32_t (*)(const char* sessionId, const char* directoryToLock);
using ReleaseMemoryFunc = std::int32_t (*)(const char* sessionId, char** sessionIdPointer);
}
